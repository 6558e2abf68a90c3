#include <QFile>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "Records.h"
#include "TempDir.h"
#include "UsageRefresh.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "ingest/ProviderManager.h"
#include "usage/DailyUsageStore.h"
#include "usage/PriceListUpdater.h"
#include "usage/PriceTable.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

using namespace std::chrono_literals;

namespace {

// Entries as LiteLLM writes them, among other vendors' models; one bad Claude entry.
const QByteArray NewModels = R"({
    "gpt-4o": { "input_cost_per_token": 2.5e-06, "output_cost_per_token": 1e-05 },
    "mistral-large": { "input_cost_per_token": 2e-06, "output_cost_per_token": 6e-06 },
    "claude-opus-4-8": { "input_cost_per_token": 5e-06, "output_cost_per_token": 2.5e-05, "max_tokens": 64000 },
    "anthropic.claude-fable-5-v1:0": { "input_cost_per_token": 1e-06, "output_cost_per_token": 4e-06 },
    "claude-opus-4-9": { "input_cost_per_token": 5e-06, "output_cost_per_token": -1 } })";

class PriceListUpdaterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(home.path("cache")));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.path("config")));
        PriceTable::reloadCurrent();
        Clock::install(&clock);
        server.respond(200, NewModels);
    }
    void TearDown() override
    {
        Clock::install(nullptr);
        QFile::remove(PriceTable::downloadedListPath());
        PriceTable::reloadCurrent();
    }

    // An updater as one run of the application makes it; every run shares the settings file.
    std::unique_ptr<PriceListUpdater> launch(const QUrl& url)
    {
        auto updater = std::make_unique<PriceListUpdater>(&defaults, url, PriceTable::downloadedListPath());
        updater->setRequestTimeout(500ms);
        return updater;
    }
    // What came of the attempt that start makes; nothing when it makes none.
    std::optional<bool> attempt(PriceListUpdater& updater, const std::function<void()>& start)
    {
        QSignalSpy finished(&updater, &PriceListUpdater::attemptFinished);
        const auto before = defaults.priceListLastAttempt();
        start();
        if (defaults.priceListLastAttempt() == before || !waitUntil([&] { return !finished.isEmpty(); }))
            return std::nullopt;
        return finished.first().first().toBool();
    }
    double outputPrice(const char* model)
    {
        const ModelPrice* price = PriceTable::current()->find(model);
        return price ? price->cost(0, 1'000'000, 0, 0, 0) : -1;
    }
    QByteArray kept() const { return TempDir::contents(PriceTable::downloadedListPath()); }

    TempDir home;
    ManualClock clock { instant("2026-12-07T09:00:00Z") };
    AppSettings defaults { QString::fromStdString(home.path("config/pacemark.conf")) };
    LocalHttpServer server;
};

// A list that adds models; then answers that fail, are cut short or are hostile change nothing. The
// user's own file wins over the list.
TEST_F(PriceListUpdaterTest, NewModelsPricedAndBadAnswersChangeNothing)
{
    auto updater = launch(server.url());
    QSignalSpy changed(updater.get(), &PriceListUpdater::pricesChanged);
    EXPECT_EQ(outputPrice("claude-opus-4-8"), -1);
    EXPECT_TRUE(attempt(*updater, [&] { updater->start(); }) == true && changed.size() == 1);
    EXPECT_DOUBLE_EQ(outputPrice("claude-opus-4-8-20261101"), 25.0);
    EXPECT_DOUBLE_EQ(outputPrice("claude-fable-5"), 4.0);
    EXPECT_DOUBLE_EQ(outputPrice("claude-3-5-haiku-20241022"), 4.0); // the built-in list still counts
    EXPECT_DOUBLE_EQ(outputPrice("gpt-4o"), 10.0);
    EXPECT_TRUE(outputPrice("claude-opus-4-9") == -1 && outputPrice("mistral-large") == -1);
    const QByteArray before = kept();
    EXPECT_FALSE(before.contains("max_tokens") || before.contains("mistral-large"));

    const std::pair<int, QByteArray> answers[] = {
        { 200, NewModels.left(NewModels.size() / 2) },
        { 500, NewModels },
        { 200, "[" + NewModels + "]" },
        { 200, R"({"claude-opus-4-8": {"input_cost_per_token": "5e-06", "output_cost_per_token": 1},
                   "claude-opus-5": {"input_cost_per_token": 1e999, "output_cost_per_token": 1},
                   "claude-opus-6": {"input_cost_per_token": 1e-06}, "claude-opus-7": [1, 2]})" },
        { 0, {} }, // no answer in time
    };
    for (const auto& [status, body] : answers) {
        status ? server.respond(status, body) : server.neverAnswer();
        clock.advance(25h);
        EXPECT_EQ(attempt(*updater, [&] { updater->checkDue(); }), false) << body.constData();
        EXPECT_EQ(kept(), before) << body.constData();
    }
    EXPECT_EQ(changed.size(), 1);

    home.write("config/Pacemark/prices.json",
               R"({ "claude-opus-4-8": { "input_cost_per_token": 1e-06, "output_cost_per_token": 1e-06 } })");
    EXPECT_TRUE(PriceTable::reloadCurrent());
    EXPECT_DOUBLE_EQ(outputPrice("claude-opus-4-8"), 1.0);
}

// One attempt a day, failed or not, across restarts; none while turned off; a clock set back or the
// setting turned on asks again. Plain HTTP goes only to this machine.
TEST_F(PriceListUpdaterTest, OnceADayAcrossRestartsAndOnlyWhenTurnedOn)
{
    server.respond(500);
    {
        auto first = launch(server.url());
        EXPECT_EQ(attempt(*first, [] {}), std::nullopt);
        EXPECT_EQ(attempt(*first, [&] { first->start(); }), false);
    }
    server.respond(200, NewModels);
    clock.advance(23h);
    auto restarted = launch(server.url());
    EXPECT_EQ(attempt(*restarted, [&] { restarted->start(); }), std::nullopt);
    clock.advance(1h);
    EXPECT_EQ(attempt(*restarted, [&] { restarted->checkDue(); }), true);
    restarted.reset();

    defaults.setPriceListAutoUpdate(false);
    clock.advance(48h);
    auto off = launch(server.url());
    EXPECT_EQ(attempt(*off, [&] { off->start(); }), std::nullopt);
    EXPECT_EQ(attempt(*off, [&] { defaults.setPriceListAutoUpdate(true); }), true);
    clock.advance(-72h);
    EXPECT_EQ(attempt(*off, [&] { off->checkDue(); }), true);
    off.reset();
    EXPECT_EQ(server.requests().size(), 4);

    clock.advance(25h);
    auto elsewhere = launch(QUrl(QStringLiteral("http://192.0.2.1/prices.json")));
    EXPECT_EQ(attempt(*elsewhere, [&] { elsewhere->checkDue(); }), false);
    EXPECT_EQ(server.requests().size(), 4);
}

// Days kept in the history store for a model without a price get its cost once a list has one, and
// keep it when a later list lacks the model.
TEST_F(PriceListUpdaterTest, StoredDaysArePricedWhenTheirModelGetsAPrice)
{
    const QString storePath = QString::fromStdString(home.path("data/history.sqlite"));
    LedgerDay day { QStringLiteral("2026-12-01"), 0, 1'000'000, 0, 0, 1, {} };
    day.models = { { QStringLiteral("claude-opus-4-8"), 0, 1'000'000, 0, 0, std::nullopt } };
    ASSERT_TRUE(DailyUsageStore::open(storePath).store->record({ day }));
    home.write(".claude/projects/p/s.jsonl",
               ClaudeLog::assistant("msg_a", "2026-12-07T08:00:00Z", { 0, 2'000'000, 0, 0 }, "claude-opus-4-8"));
    ProviderManager providers { home.path(".claude/projects") };
    UsageDataManager usage(&providers);
    usage.setHistoryStore(std::shared_ptr<DailyUsageStore>(DailyUsageStore::open(storePath).store));
    ASSERT_TRUE(refreshedBy(usage, [&] { usage.refresh(); }));
    EXPECT_EQ(usage.cumulativeUnpricedTokens(), 3'000'000);

    auto updater = launch(server.url());
    QObject::connect(updater.get(), &PriceListUpdater::pricesChanged, &usage, &UsageDataManager::reprice);
    ASSERT_TRUE(refreshedBy(usage, [&] { updater->start(); }));
    EXPECT_DOUBLE_EQ(usage.todayCostUSD(), 50.0);
    EXPECT_DOUBLE_EQ(usage.cumulativeCostUSD(), 75.0);
    EXPECT_EQ(usage.cumulativeUnpricedTokens(), 0);
    EXPECT_DOUBLE_EQ(usage.historyData().front().costUSD, 25.0);

    // A day later, a list without the model: the logs' day has no cost, the stored one keeps its own.
    server.respond(200, R"({"claude-sonnet-4-5": {"input_cost_per_token": 3e-06, "output_cost_per_token": 1.5e-05}})");
    clock.advance(25h);
    ASSERT_TRUE(refreshedBy(usage, [&] { updater->checkDue(); }));
    EXPECT_DOUBLE_EQ(DailyUsageStore::open(storePath).store->days()->at(QStringLiteral("2026-12-01")).costUSD(), 25.0);
    EXPECT_DOUBLE_EQ(usage.cumulativeCostUSD(), 25.0);
    EXPECT_EQ(usage.cumulativeUnpricedTokens(), 2'000'000);
    QThreadPool::globalInstance()->waitForDone();
}

}
