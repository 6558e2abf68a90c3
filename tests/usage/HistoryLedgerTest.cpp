#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "Records.h"
#include "TempDir.h"
#include "basics/ManualClock.h"
#include "ingest/ProviderManager.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageDataManager.h"
#include "usage/UsageLedger.h"

namespace {

LedgerDay day(const char* date, qint64 input, qint64 output, std::vector<LedgerDay::Model> models = {})
{
    return { QString::fromLatin1(date), input, output, 0, 0, 1, std::move(models) };
}

std::unique_ptr<DailyUsageStore> openStore(const std::string& path)
{
    auto opened = DailyUsageStore::open(QString::fromStdString(path));
    EXPECT_TRUE(opened.store) << opened.error.toStdString();
    return std::move(opened.store);
}

// Stored figures rise and never fall, per day and per model.
TEST(HistoryLedger, StoredDaysOnlyRise)
{
    TempDir home;
    auto store = openStore(home.path("history.sqlite"));
    ASSERT_TRUE(store->record({ day("2026-01-01", 10, 5, { { QStringLiteral("opus"), 10, 5, 0, 0, {} } }) }));
    ASSERT_TRUE(store->record(
        { day("2026-01-01", 4, 9,
              { { QStringLiteral("opus"), 4, 9, 0, 0, {} }, { QStringLiteral("sonnet"), 1, 1, 0, 0, {} } }),
          day("2026-01-02", 7, 7) }));
    const auto days = store->days().value();
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days.at(QStringLiteral("2026-01-01")),
              day("2026-01-01", 10, 9,
                  { { QStringLiteral("opus"), 10, 9, 0, 0, {} }, { QStringLiteral("sonnet"), 1, 1, 0, 0, {} } }));
    EXPECT_EQ(days.at(QStringLiteral("2026-01-02")).totalTokens(), 14);
}

// Lays out a store file of an older schema, as an earlier release left it.
void oldStore(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    const std::string all = R"(CREATE TABLE DailyUsage (dateString TEXT NOT NULL UNIQUE,
        totalInputTokens INTEGER NOT NULL, totalOutputTokens INTEGER NOT NULL, totalCacheWriteTokens INTEGER NOT NULL,
        totalCacheReadTokens INTEGER NOT NULL, sessionCount INTEGER NOT NULL) STRICT;)"
        + sql;
    EXPECT_EQ(sqlite3_exec(db, all.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// A store of schema 1.0.0 gains the model table and keeps its rows.
TEST(HistoryLedger, AnOldStoreIsUpgraded)
{
    TempDir home;
    const std::string path = home.path("history.sqlite");
    oldStore(path, "INSERT INTO DailyUsage VALUES ('2025-12-31', 1, 2, 3, 4, 5); PRAGMA user_version = 10000;");
    auto store = openStore(path);
    EXPECT_EQ(store->days()->at(QStringLiteral("2025-12-31")),
              (LedgerDay { QStringLiteral("2025-12-31"), 1, 2, 3, 4, 5, {} }));
    EXPECT_TRUE(store->record({ day("2025-12-31", 1, 2, { { QStringLiteral("opus"), 1, 2, 0, 0, {} } }) }));
    store.reset();
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    int version = 0;
    sqlite3_exec(
        db, "PRAGMA user_version",
        [](void* out, int, char** values, char**) {
            *static_cast<int*>(out) = std::atoi(values[0]);
            return 0;
        },
        &version, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(version, DailyUsageStore::schemaVersion);
}

// A store of schema 1.1.0 gains the cost column; its rows have no cost until priced from their tokens.
// Costs stored later only rise, and a known one is never replaced by an unknown one.
TEST(HistoryLedger, CostsAreStoredAndOldRowsPricedFromTokens)
{
    TempDir home;
    const std::string path = home.path("history.sqlite");
    oldStore(path, R"(CREATE TABLE DailyModelUsage (dateString TEXT NOT NULL, model TEXT NOT NULL,
        inputTokens INTEGER NOT NULL, outputTokens INTEGER NOT NULL, cacheWriteTokens INTEGER NOT NULL,
        cacheReadTokens INTEGER NOT NULL, PRIMARY KEY (dateString, model)) STRICT;
        INSERT INTO DailyUsage VALUES ('2025-12-30', 1000, 1000, 0, 0, 1);
        INSERT INTO DailyModelUsage VALUES ('2025-12-30', 'claude-sonnet-4-5', 1000, 0, 0, 0);
        INSERT INTO DailyModelUsage VALUES ('2025-12-30', 'mystery', 0, 1000, 0, 0);
        PRAGMA user_version = 10100;)");
    auto store = openStore(path);
    auto days = store->days().value();
    EXPECT_FALSE(days.at(QStringLiteral("2025-12-30")).models[0].costUSD);
    UsageLedger::priceStoredModels(days);
    EXPECT_DOUBLE_EQ(days.at(QStringLiteral("2025-12-30")).costUSD(), 1000 * 3e-6);
    EXPECT_EQ(days.at(QStringLiteral("2025-12-30")).unpricedTokens(), 1000);

    for (const std::optional<double> cost : { std::optional(0.5), std::optional<double>(), std::optional(0.25) })
        ASSERT_TRUE(store->record({ day("2026-01-01", 1, 0, { { QStringLiteral("opus"), 1, 0, 0, 0, cost } }) }));
    EXPECT_EQ(store->days()->at(QStringLiteral("2026-01-01")).models[0].costUSD, 0.5);
}

// Not a test of its own: the writer the next test kills. It writes day after day and prints the
// number of each day once its transaction has committed.
TEST(HistoryLedger, WriterForTheKillTest)
{
    const QByteArray path = qgetenv("PACEMARK_LEDGER_WRITER");
    if (path.isEmpty())
        GTEST_SKIP() << "run by KilledDuringAWrite";
    auto store = openStore(path.toStdString());
    for (int i = 0;; ++i) {
        std::vector<LedgerDay::Model> models;
        for (int m = 0; m < 50; ++m)
            models.push_back({ QStringLiteral("model-%1").arg(m, 2, 10, QLatin1Char('0')), i, i, i, i, {} });
        const QByteArray date = QDate(2020, 1, 1).addDays(i).toString(Qt::ISODate).toLatin1();
        ASSERT_TRUE(store->record({ day(date.constData(), 1000 + i, i, models) }));
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

// SIGKILL at any moment of a write: the store opens and every committed day is there.
TEST(HistoryLedger, KilledDuringAWrite)
{
    TempDir home;
    const std::string path = home.path("history.sqlite");
    for (int round = 0; round < 3; ++round) {
        QProcess writer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PACEMARK_LEDGER_WRITER"), QString::fromStdString(path));
        writer.setProcessEnvironment(env);
        writer.start(QCoreApplication::applicationFilePath(),
                     { QStringLiteral("--gtest_filter=HistoryLedger.WriterForTheKillTest") });
        int committed = -1;
        while (committed < 20 * (round + 1) && writer.waitForReadyRead(10000))
            while (writer.canReadLine())
                committed = std::max(committed, writer.readLine().trimmed().toInt());
        ASSERT_GE(committed, 0);
        writer.kill();
        writer.waitForFinished();

        const auto days = openStore(path)->days().value();
        for (int i = 0; i <= committed; ++i) {
            const QString date = QDate(2020, 1, 1).addDays(i).toString(Qt::ISODate);
            ASSERT_TRUE(days.contains(date)) << date.toStdString();
            EXPECT_EQ(days.at(date).inputTokens, 1000 + i);
            EXPECT_EQ(days.at(date).models.size(), 50u);
        }
    }
}

class LedgerRuns : public ::testing::Test
{
protected:
    void SetUp() override { Clock::install(&clock); }
    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        Clock::install(nullptr);
        qputenv("TZ", "UTC");
    }

    // One run of the application: a manager over the logs and the store, refreshed once.
    struct Run
    {
        qint64 cumulative;
        QList<DailyData> week;
    };
    Run run()
    {
        auto store = openStore(storePath);
        ProviderManager providers(home.path(".claude/projects"));
        UsageDataManager usage(&providers);
        usage.setHistoryStore(std::move(store));
        QSignalSpy refreshed(&usage, &UsageDataManager::refreshed);
        usage.refresh();
        EXPECT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));
        QThreadPool::globalInstance()->waitForDone();
        return { usage.cumulativeTokens(), usage.weeklyData() };
    }
    std::map<QString, LedgerDay> stored()
    {
        return openStore(storePath)->days().value_or(std::map<QString, LedgerDay> {});
    }
    void line(const char* file, const char* id, const char* at, qint64 input)
    {
        home.append(std::string(".claude/projects/-p/") + file, ClaudeLog::assistant(id, at, { input, 0, 0, 0 }));
    }

    TempDir home;
    std::string storePath = home.path("data/history.sqlite");
    ManualClock clock { instant("2025-06-10T12:00:00Z") };
};

// Claude Code deletes old logs between two runs: the stored days stand in the all-time total and the
// week; a late write to a past day raises it; today is never stored.
TEST_F(LedgerRuns, DeletedLogsKeepTheirDaysAndALateWriteRaisesOne)
{
    line("old.jsonl", "a", "2025-06-01T10:00:00Z", 100);
    line("old.jsonl", "b", "2025-06-08T10:00:00Z", 20);
    line("new.jsonl", "c", "2025-06-10T10:00:00Z", 3);
    EXPECT_EQ(run().cumulative, 123);
    EXPECT_EQ(stored().size(), 2u);
    EXPECT_FALSE(stored().contains(QStringLiteral("2025-06-10")));

    std::filesystem::remove(home.path(".claude/projects/-p/old.jsonl"));
    Run second = run();
    EXPECT_EQ(second.cumulative, 123);
    // The stored day keeps its cost too.
    EXPECT_EQ(second.week,
              (QList<DailyData> { { QStringLiteral("2025-06-08"), 20, 0, 20 * 3e-6 },
                                  { QStringLiteral("2025-06-10"), 3, 0, 3 * 3e-6 } }));

    // The logs now show more for that day than was stored: the day rises to the logs' figure.
    line("new.jsonl", "d", "2025-06-08T23:00:00Z", 50);
    EXPECT_EQ(run().cumulative, 153);
    EXPECT_EQ(stored().at(QStringLiteral("2025-06-08")).inputTokens, 50);

    // The day ends: the next refresh stores it.
    clock.set(instant("2025-06-11T09:00:00Z"));
    EXPECT_EQ(run().cumulative, 153);
    EXPECT_EQ(stored().at(QStringLiteral("2025-06-10")).inputTokens, 3);
}

// Stored days keep the keys of the zone they were written in. After a move east the logs' days
// start earlier: a record near midnight may then count in two neighbouring days, never in none.
TEST_F(LedgerRuns, ATimeZoneChangeKeepsTheStoredKeys)
{
    line("s.jsonl", "a", "2025-06-08T23:30:00Z", 100);
    line("s.jsonl", "b", "2025-06-09T10:00:00Z", 10);
    run();
    EXPECT_EQ(stored().at(QStringLiteral("2025-06-08")).inputTokens, 100);
    EXPECT_EQ(stored().at(QStringLiteral("2025-06-09")).inputTokens, 10);

    qputenv("TZ", "Asia/Tokyo");
    const Run moved = run();
    const auto days = stored();
    EXPECT_EQ(days.at(QStringLiteral("2025-06-08")).inputTokens, 100);
    EXPECT_EQ(days.at(QStringLiteral("2025-06-09")).inputTokens, 110);
    EXPECT_GE(moved.cumulative, 110);
}

}
