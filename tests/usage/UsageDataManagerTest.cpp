#include <atomic>
#include <filesystem>
#include <memory>
#include <semaphore>
#include <tuple>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "Records.h"
#include "TempDir.h"
#include "UsageRefresh.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "ingest/FileWatcher.h"
#include "ingest/ProviderManager.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

using namespace std::chrono_literals;

namespace {

class UsageDataManagerTest : public ::testing::Test
{
protected:
    TempDir home;
    ManualClock clock { instant("2025-06-10T12:00:00Z") };
    ProviderManager providers { home.path(".claude/projects") };
    std::unique_ptr<UsageDataManager> usage = std::make_unique<UsageDataManager>(&providers);
    const QString storePath = QString::fromStdString(home.path("data/history.sqlite"));

    void SetUp() override { Clock::install(&clock); }
    void TearDown() override
    {
        // Often destroyed during a refresh, whose late result must then go nowhere.
        usage.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        Clock::install(nullptr);
        qputenv("TZ", "UTC");
    }

    void log(const std::string& name, const std::string& content)
    {
        home.append(".claude/projects/-home-dev-app/" + name, content);
    }
    void line(const char* id, const char* at, ClaudeLog::Usage u, std::string_view model = ClaudeLog::Opus,
              const char* session = "s1")
    {
        log("s.jsonl", ClaudeLog::assistant(id, at, u, model, session, 2));
    }
    void refresh()
    {
        ASSERT_TRUE(refreshedBy(*usage, [this] { usage->refresh(); }));
    }
    // The application started anew over the same logs and history store, refreshed once.
    void restart()
    {
        usage = std::make_unique<UsageDataManager>(&providers);
        usage->setHistoryStore(openStore());
        refresh();
        QThreadPool::globalInstance()->waitForDone();
    }
    std::unique_ptr<DailyUsageStore> openStore() const
    {
        auto opened = DailyUsageStore::open(storePath);
        EXPECT_TRUE(opened.store) << opened.error.toStdString();
        return std::move(opened.store);
    }
    std::map<QString, LedgerDay> stored() const { return openStore()->days().value(); }
};

TEST_F(UsageDataManagerTest, TodayWeekAndAllTime)
{
    log("s.jsonl", ClaudeLog::otherLines("2025-06-10T11:00:00Z") + ClaudeLog::user("2025-06-10T11:00:00Z", 20'000));
    line("old", "2025-06-01T10:00:00Z", { 1000, 0, 0, 0 });
    line("yesterday", "2025-06-09T23:59:59.999Z", { 1, 2, 30, 400 });
    line("midnight", "2025-06-10T00:00:00Z", { 10, 20, 300, 4000 });
    line("tomorrow", "2025-06-11T08:00:00+09:00", { 0, 5, 0, 0 }, ClaudeLog::Sonnet, "s2");
    // A later copy of the same request in another log counts in no figure.
    log("s/subagents/agent-1.jsonl",
        ClaudeLog::assistant("midnight", "2025-06-10T11:00:00Z", { 0, 1, 0, 0 }, ClaudeLog::Opus, "s1"));
    refresh();

    EXPECT_EQ(
        std::tuple(usage->todayTokens(), usage->todayOutputTokens(), usage->cumulativeTokens(), usage->sessionCount()),
        std::tuple(4330 + 5, 25, 1000 + 433 + 4335, 2));
    EXPECT_EQ(usage->weeklyData(),
              (QList<DailyData> { { QStringLiteral("2025-06-09"), 433, 2, 0.0013275 },
                                  { QStringLiteral("2025-06-10"), 4335, 25, 0.01335 } }));
    EXPECT_NEAR(usage->todayCostUSD(), 0.01335, 1e-12);
    EXPECT_NEAR(usage->cumulativeCostUSD(), 0.015 + 0.0013275 + 0.01335, 1e-12);
    EXPECT_TRUE(usage->cumulativeUnpricedTokens() == 0 && usage->todayBreakdown().size() == 2);
    EXPECT_EQ(usage->lastActivity(), instant("2025-06-10T23:00:00Z"));
}

TEST_F(UsageDataManagerTest, RateWindowAndActivityEdges)
{
    line("old", "2025-06-10T11:56:59Z", { 1000, 1000, 0, 0 });
    line("edge", "2025-06-10T11:57:00Z", { 100, 200, 0, 5000 });
    line("new", "2025-06-10T11:59:30Z", { 0, 1, 7, 7 });
    refresh();
    EXPECT_TRUE(usage->tokensPerMinute() == 100 && usage->isActive());
    // The level follows the time since the last record, up to the next refresh.
    const std::pair<std::chrono::seconds, ActivityLevel> steps[] = {
        { -5s, ActivityLevel::Active },  { 0s, ActivityLevel::Active },     { 179s, ActivityLevel::Active },
        { 180s, ActivityLevel::Recent }, { 1799s, ActivityLevel::Recent },  { 1800s, ActivityLevel::Stale },
        { 3599s, ActivityLevel::Stale }, { 3600s, ActivityLevel::Dormant }, { 100000s, ActivityLevel::Dormant },
    };
    for (const auto& [elapsed, level] : steps) {
        clock.set(instant("2025-06-10T11:59:30Z") + elapsed);
        EXPECT_EQ(usage->activityLevel(), level) << elapsed.count();
    }
    // The rate ages between refreshes: the record at the window's edge has just left it.
    clock.set(instant("2025-06-10T12:00:00.001Z"));
    usage->updateTokensPerMinute();
    EXPECT_EQ(usage->tokensPerMinute(), 0);

    // Activity is judged at refresh time: a last record exactly 180 s old is not active.
    clock.set(instant("2025-06-10T12:02:30Z"));
    refresh();
    EXPECT_FALSE(usage->isActive());
    clock.set(instant("2025-06-10T12:02:29.999Z"));
    refresh();
    EXPECT_TRUE(usage->isActive());

    // Just after midnight, yesterday's records are out of the window although recent.
    clock.set(instant("2025-06-11T00:01:00Z"));
    line("late", "2025-06-10T23:59:30Z", { 300, 300, 0, 0 });
    line("early", "2025-06-11T00:00:30Z", { 3, 0, 0, 0 });
    refresh();
    EXPECT_EQ(usage->tokensPerMinute(), 1);
    // Left running: the manager is destroyed during this refresh.
    usage->refresh();
}

// A source whose next read, once held, lasts until the test lets it end.
class SlowProvider final : public AIUsageProvider
{
public:
    std::atomic<bool> hold = false;
    std::binary_semaphore reading { 0 };
    std::binary_semaphore release { 0 };

    QString id() const override { return QStringLiteral("slow"); }
    QString name() const override { return QStringLiteral("Slow"); }
    QString icon() const override { return {}; }
    bool isAvailable() const override { return true; }
    std::vector<std::string> watchDirectories() const override { return {}; }
    RecordList fetchRecords() override
    {
        if (hold.exchange(false)) {
            reading.release();
            release.acquire();
        }
        return {};
    }
    QString displayName(const QString& model) const override { return model; }
};

// A log written while a refresh runs, after that refresh read the logs, counts without another write.
TEST_F(UsageDataManagerTest, AChangeDuringARefreshIsReadByOneMoreRefresh)
{
    auto slow = std::make_shared<SlowProvider>();
    providers.registerProvider(slow);
    ASSERT_TRUE(refreshedBy(*usage, [this] { usage->startWatching(); }));

    line("a", "2025-06-10T11:59:00Z", { 30, 30, 0, 0 });
    slow->hold = true;
    usage->refresh();
    slow->reading.acquire();
    line("b", "2025-06-10T11:59:20Z", { 2, 2, 0, 0 });
    usage->fileWatcher()->checkForChanges();
    slow->release.release();
    EXPECT_TRUE(waitUntil([&] { return usage->todayTokens() == 64 && !usage->isRefreshing(); }));
}

// The zone moves while workers convert times: the refresh under way keeps its zone, the next one
// counts the days of the new one.
TEST_F(UsageDataManagerTest, AZoneChangeWhileTheWorkerRunsIsCountedByTheNextRefresh)
{
    auto slow = std::make_shared<SlowProvider>();
    providers.registerProvider(slow);
    // 23:00 on the 10th in Seoul; now is 01:00 on the 11th there.
    line("a", "2025-06-10T14:00:00Z", { 1, 1, 0, 0 });
    clock.set(instant("2025-06-10T16:00:00Z"));
    ASSERT_TRUE(refreshedBy(*usage, [this] { usage->startWatching(); }));
    ASSERT_EQ(usage->todayTokens(), 2);

    slow->hold = true;
    usage->refresh();
    slow->reading.acquire();
    qputenv("TZ", "Asia/Seoul");
    usage->checkCalendar();
    slow->release.release();
    EXPECT_TRUE(waitUntil([&] { return usage->todayTokens() == 0 && !usage->isRefreshing(); }));

    for (const char* zone : { "UTC", "Asia/Seoul", "UTC", "Asia/Seoul" }) {
        usage->refresh();
        qputenv("TZ", zone);
        usage->checkCalendar();
    }
    EXPECT_TRUE(waitUntil([&] { return usage->todayTokens() == 0 && !usage->isRefreshing(); }));
}

// A source is on while its logs exist unless switched off; the choice is kept in the settings file.
TEST_F(UsageDataManagerTest, ASourceSwitchedOffCountsNoMoreAndTheChoiceIsKept)
{
    const QString settings = QString::fromStdString(home.path("settings.ini"));
    AppSettings defaults(settings);
    providers.useSettings(&defaults);
    EXPECT_TRUE(providers.enabledProviders().empty());
    line("a", "2025-06-10T11:59:00Z", { 30, 30, 0, 0 });
    ASSERT_TRUE(refreshedBy(*usage, [this] { usage->startWatching(); }));
    EXPECT_EQ(usage->todayTokens(), 60);

    ASSERT_TRUE(refreshedBy(*usage, [this] { providers.setEnabled(QStringLiteral("claude-code"), false); }));
    EXPECT_EQ(usage->todayTokens(), 0);
    defaults.sync();
    ProviderManager again(home.path(".claude/projects"));
    AppSettings reread(settings);
    again.useSettings(&reread);
    EXPECT_TRUE(again.enabledProviders().empty() && !again.providerInfos().first().isEnabled
                && again.providerInfos().first().isAvailable);

    ASSERT_TRUE(refreshedBy(*usage, [this] { providers.setEnabled(QStringLiteral("claude-code"), true); }));
    EXPECT_EQ(usage->todayTokens(), 60);
}

// With no log changed the figures stand, records and all; what depends on the moment moves on.
TEST_F(UsageDataManagerTest, ARefreshWithNoLogChangedKeepsTheFiguresButNotTheActivity)
{
    line("a", "2025-06-10T11:59:00Z", { 30, 30, 0, 0 });
    refresh();
    ASSERT_TRUE(usage->isActive());
    const auto batches = usage->allRecords().batches();
    clock.set(instant("2025-06-10T12:10:00Z"));
    ASSERT_TRUE(refreshedBy(*usage, [this] { usage->refreshAfter({}); }));
    EXPECT_TRUE(!usage->isActive() && usage->todayTokens() == 60 && usage->allRecords().batches() == batches);
}

TEST_F(UsageDataManagerTest, RefreshPublishesTogetherAndFoldsRequestsMeanwhileIntoOne)
{
    line("a", "2025-06-10T11:59:00Z", { 30, 30, 0, 0 });
    QSignalSpy refreshed(usage.get(), &UsageDataManager::refreshed);
    QSignalSpy todayChanges(usage.get(), &UsageDataManager::todayTokensChanged);
    bool consistent = true;
    QObject::connect(usage.get(), &UsageDataManager::isRefreshingChanged, [&] {
        if (!usage->isRefreshing())
            consistent = consistent && usage->todayTokens() == 60 && usage->cumulativeTokens() == 60
                && usage->sessionCount() == 1 && usage->allRecords().size() == 1;
    });

    ASSERT_TRUE(refreshedBy(*usage, [this] {
        usage->refresh();
        usage->refresh();
        usage->refresh();
        EXPECT_EQ(usage->todayTokens(), 0);
    }));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_TRUE(refreshed.count() == 2 && consistent);
    // A refresh that finds nothing new announces no change.
    refresh();
    EXPECT_EQ(todayChanges.count(), 1);
}

// Watching, the figures follow the logs: a new log counts, a vanished one no longer does.
// With no new log line, they follow the calendar: local midnight, a zone change, a resume.
TEST_F(UsageDataManagerTest, RefreshesOnLogChangesANewDayAZoneChangeAndAJumpOfTheClock)
{
    line("a", "2025-06-10T23:30:00Z", { 1, 1, 0, 0 });
    clock.set(instant("2025-06-10T23:59:45Z"));
    ASSERT_TRUE(refreshedBy(*usage, [this] { usage->startWatching(); }));
    EXPECT_EQ(usage->todayTokens(), 2);

    log("other.jsonl", ClaudeLog::assistant("b", "2025-06-10T23:40:00Z", { 5, 5, 0, 0 }));
    ASSERT_TRUE(refreshedBy(*usage, [this] { usage->fileWatcher()->checkForChanges(); }));
    EXPECT_EQ(usage->todayTokens(), 12);
    std::filesystem::remove(home.path(".claude/projects/-home-dev-app/other.jsonl"));
    ASSERT_TRUE(refreshedBy(*usage, [this] { usage->fileWatcher()->checkForChanges(); }));
    EXPECT_TRUE(usage->todayTokens() == 2 && usage->lastActivity() == instant("2025-06-10T23:30:00Z"));

    // now, zone, whether it refreshes, today's tokens
    const std::tuple<const char*, const char*, bool, qint64> steps[] = {
        { "2025-06-10T23:59:55Z", "UTC", false, 2 },
        { "2025-06-11T00:00:05Z", "UTC", true, 0 },
        // 08:30 on the 11th in Seoul.
        { "2025-06-11T00:00:10Z", "Asia/Seoul", true, 2 },
        { "2025-06-11T00:00:15Z", "Asia/Seoul", false, 2 },
        // Back from an hour's sleep, on the same day.
        { "2025-06-11T01:00:15Z", "Asia/Seoul", true, 2 },
    };
    for (const auto& [now, zone, refreshes, today] : steps) {
        SCOPED_TRACE(std::string(now) + " " + zone);
        clock.set(instant(now));
        qputenv("TZ", zone);
        QSignalSpy refreshed(usage.get(), &UsageDataManager::refreshed);
        usage->checkCalendar();
        EXPECT_EQ(usage->isRefreshing(), refreshes);
        EXPECT_TRUE(!refreshes || waitUntil([&] { return !refreshed.isEmpty(); }));
        EXPECT_EQ(usage->todayTokens(), today);
    }
}

// Across restarts: Claude Code deletes old logs between two runs, and the stored days stand in the all-time
// total and the week; a late write to a past day raises it; today is never stored.
TEST_F(UsageDataManagerTest, StoredDaysOutliveDeletedLogsRiseWithLateWritesAndKeepTheirZone)
{
    log("old.jsonl", ClaudeLog::assistant("a", "2025-06-01T10:00:00Z", { 100, 0, 0, 0 }));
    log("old.jsonl", ClaudeLog::assistant("b", "2025-06-08T10:00:00Z", { 20, 0, 0, 0 }));
    log("new.jsonl", ClaudeLog::assistant("c", "2025-06-10T10:00:00Z", { 3, 0, 0, 0 }));
    restart();
    EXPECT_TRUE(usage->cumulativeTokens() == 123 && stored().size() == 2u);

    std::filesystem::remove(home.path(".claude/projects/-home-dev-app/old.jsonl"));
    restart();
    EXPECT_EQ(usage->cumulativeTokens(), 123);
    // The stored day keeps its cost too.
    EXPECT_EQ(usage->weeklyData(),
              (QList<DailyData> { { QStringLiteral("2025-06-08"), 20, 0, 20 * 3e-6 },
                                  { QStringLiteral("2025-06-10"), 3, 0, 3 * 3e-6 } }));

    // The logs now show more for that day than was stored: the day rises to the logs' figure.
    log("new.jsonl", ClaudeLog::assistant("d", "2025-06-08T23:00:00Z", { 50, 0, 0, 0 }));
    restart();
    EXPECT_TRUE(usage->cumulativeTokens() == 153 && stored().at(QStringLiteral("2025-06-08")).inputTokens == 50);

    // The day ends: the next refresh stores it.
    clock.set(instant("2025-06-11T09:00:00Z"));
    restart();
    EXPECT_TRUE(usage->cumulativeTokens() == 153 && stored().at(QStringLiteral("2025-06-10")).inputTokens == 3);

    // Stored days keep the keys of the zone they were written in. After a move east the logs' days start
    // earlier: the record late on the 8th now counts on the 9th as well, never on no day.
    qputenv("TZ", "Asia/Tokyo");
    restart();
    const auto days = stored();
    EXPECT_TRUE(days.at(QStringLiteral("2025-06-08")).inputTokens == 50
                && days.at(QStringLiteral("2025-06-09")).inputTokens == 50);
    EXPECT_GE(usage->cumulativeTokens(), 153);
}

}
