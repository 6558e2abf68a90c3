#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <sqlite3.h>

#include "TempDir.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageLedger.h"

using namespace pacemark;

namespace fs = std::filesystem;

namespace {

// A plain connection for looking into a store file from outside.
class Database
{
public:
    explicit Database(const std::string& path) { sqlite3_open(path.c_str(), &m_db); }
    ~Database() { sqlite3_close(m_db); }

    int execute(const std::string& sql) { return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr); }

    // Every row of the query, its columns joined by "|", each row ended by "\n".
    std::string rows(const std::string& sql)
    {
        std::string text;
        const auto collect = [](void* out, int columns, char** values, char**) {
            for (int i = 0; i < columns; ++i)
                *static_cast<std::string*>(out) += (i ? "|" : "") + std::string(values[i] ? values[i] : "");
            *static_cast<std::string*>(out) += "\n";
            return 0;
        };
        EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), collect, &text, nullptr), SQLITE_OK) << sql;
        return text;
    }

private:
    sqlite3* m_db = nullptr;
};

const std::string insertDay = "INSERT INTO DailyUsage VALUES ('2026-01-02', 10, 20, 30, 40, 2)";

std::unique_ptr<DailyUsageStore> openStore(const std::string& path)
{
    auto opened = DailyUsageStore::open(QString::fromStdString(path));
    EXPECT_TRUE(opened.store) << opened.error.toStdString();
    return std::move(opened.store);
}

LedgerDay day(const char* date, qint64 input, qint64 output, std::vector<LedgerDay::Model> models = {})
{
    return { QString::fromLatin1(date), input, output, 0, 0, 1, std::move(models) };
}

TEST(DailyUsageStore, CreatesTheSchemaAndItsFolderAndKeepsRowsOnReopening)
{
    TempDir home;
    const std::string path = home.path("data/pacemark/history.sqlite");
    auto store = openStore(path);
    {
        Database db(path);
        EXPECT_EQ(db.rows("PRAGMA user_version"), "10200\n");
        EXPECT_EQ(db.rows("SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info('DailyUsage')"),
                  "dateString|TEXT|1|\ntotalInputTokens|INTEGER|1|\ntotalOutputTokens|INTEGER|1|\n"
                  "totalCacheWriteTokens|INTEGER|1|\ntotalCacheReadTokens|INTEGER|1|\nsessionCount|INTEGER|1|\n");
        EXPECT_EQ(db.execute(insertDay), SQLITE_OK);
        EXPECT_EQ(db.execute(insertDay), SQLITE_CONSTRAINT) << "one row per day";
        EXPECT_EQ(db.execute("INSERT INTO DailyUsage VALUES ('2026-01-03', 'many', 0, 0, 0, 0)"), SQLITE_CONSTRAINT)
            << "token counts are integers";
    }
    store.reset();
    ASSERT_TRUE(openStore(path));
    EXPECT_EQ(Database(path).rows("SELECT * FROM DailyUsage"), "2026-01-02|10|20|30|40|2\n");
}

std::string snapshot(const std::string& folder)
{
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        all += entry.path().string() + "\n";
        if (entry.is_regular_file()) {
            all += TempDir::contents(QString::fromStdString(entry.path().string())).toStdString();
            all += std::to_string(entry.last_write_time().time_since_epoch().count()) + "\n";
        }
    }
    return all;
}

// A file that cannot be this store is reported with its path and the reason, and left as it was.
TEST(DailyUsageStore, UnusableFilesAreReportedAndLeftUntouched)
{
    const auto sql = [](const char* statements) {
        return [statements](const std::string& path) { Database(path).execute(statements); };
    };
    const std::tuple<const char*, std::function<void(const std::string&)>, const char*> cases[] = {
        { "corrupt", [](auto& path) { std::ofstream(path) << std::string(8192, 'x'); }, "file is not a database" },
        { "read-only",
          [](auto& path) {
              openStore(path);
              fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
          },
          "read-only" },
        { "newer schema", sql("PRAGMA user_version = 10300"), "newer" },
        { "someone else's database", sql("CREATE TABLE notes (text TEXT)"), "other data" },
        { "changed columns", sql("CREATE TABLE DailyUsage (dateString TEXT); PRAGMA user_version = 10000"),
          "do not match" },
        { "a folder", [](auto& path) { fs::create_directory(path); }, "" },
    };
    for (const auto& [label, make, reason] : cases) {
        TempDir home;
        const std::string path = home.path("history.sqlite");
        make(path);
        const std::string before = snapshot(home.path());
        const auto opened = DailyUsageStore::open(QString::fromStdString(path));
        EXPECT_TRUE(!opened.store && opened.error.contains(QString::fromStdString(path))
                    && opened.error.contains(QString::fromUtf8(reason)))
            << label << ": " << opened.error.toStdString();
        EXPECT_EQ(snapshot(home.path()), before) << label;
    }

    TempDir home;
    home.write("blocker", "a file where a folder should be");
    const auto opened = DailyUsageStore::open(QString::fromStdString(home.path("blocker/history.sqlite")));
    EXPECT_TRUE(!opened.store && opened.error.contains(QStringLiteral("cannot create the folder")))
        << opened.error.toStdString();
}

// Stored figures rise and never fall, per day and per model; a known cost is never replaced by an unknown one.
TEST(HistoryLedger, StoredDaysOnlyRise)
{
    TempDir home;
    auto store = openStore(home.path("history.sqlite"));
    const QString opus = QStringLiteral("opus"), sonnet = QStringLiteral("sonnet");
    ASSERT_TRUE(store->record({ day("2026-01-01", 10, 5, { { opus, 10, 5, 0, 0, 0.5 } }) }));
    ASSERT_TRUE(store->record({ day("2026-01-01", 4, 9, { { opus, 4, 9, 0, 0, {} }, { sonnet, 1, 1, 0, 0, {} } }),
                                day("2026-01-02", 7, 7) }));
    ASSERT_TRUE(store->record({ day("2026-01-01", 1, 1, { { opus, 1, 1, 0, 0, 0.25 } }) }));
    const auto days = store->days().value();
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days.at(QStringLiteral("2026-01-01")),
              day("2026-01-01", 10, 9, { { opus, 10, 9, 0, 0, 0.5 }, { sonnet, 1, 1, 0, 0, {} } }));
    EXPECT_EQ(days.at(QStringLiteral("2026-01-02")).totalTokens(), 14);
}

// Stores of schemas 1.0.0 and 1.1.0, as earlier releases left them, keep their rows and gain the model
// table and the cost column; rows without a cost are priced from their tokens.
TEST(HistoryLedger, OldStoresAreUpgraded)
{
    TempDir home;
    const std::string dailyUsage = R"(CREATE TABLE DailyUsage (dateString TEXT NOT NULL UNIQUE,
        totalInputTokens INTEGER NOT NULL, totalOutputTokens INTEGER NOT NULL, totalCacheWriteTokens INTEGER NOT NULL,
        totalCacheReadTokens INTEGER NOT NULL, sessionCount INTEGER NOT NULL) STRICT;)";
    const std::string first = home.path("1.0.0.sqlite");
    ASSERT_EQ(SQLITE_OK, Database(first).execute(dailyUsage + R"(
        INSERT INTO DailyUsage VALUES ('2025-12-31', 1, 2, 3, 4, 5); PRAGMA user_version = 10000;)"));
    auto store = openStore(first);
    EXPECT_EQ(store->days()->at(QStringLiteral("2025-12-31")),
              (LedgerDay { QStringLiteral("2025-12-31"), 1, 2, 3, 4, 5, {} }));
    EXPECT_TRUE(store->record({ day("2025-12-31", 1, 2, { { QStringLiteral("opus"), 1, 2, 0, 0, {} } }) }));
    EXPECT_EQ(Database(first).rows("PRAGMA user_version"), "10200\n");

    const std::string second = home.path("1.1.0.sqlite");
    ASSERT_EQ(SQLITE_OK, Database(second).execute(dailyUsage + R"(
        CREATE TABLE DailyModelUsage (dateString TEXT NOT NULL, model TEXT NOT NULL, inputTokens INTEGER NOT NULL,
        outputTokens INTEGER NOT NULL, cacheWriteTokens INTEGER NOT NULL, cacheReadTokens INTEGER NOT NULL,
        PRIMARY KEY (dateString, model)) STRICT;
        INSERT INTO DailyUsage VALUES ('2025-12-30', 1000, 1000, 0, 0, 1); PRAGMA user_version = 10100;
        INSERT INTO DailyModelUsage VALUES ('2025-12-30', 'claude-sonnet-4-5', 1000, 0, 0, 0);
        INSERT INTO DailyModelUsage VALUES ('2025-12-30', 'mystery', 0, 1000, 0, 0);)"));
    auto days = openStore(second)->days().value();
    LedgerDay& upgraded = days.at(QStringLiteral("2025-12-30"));
    EXPECT_FALSE(upgraded.models[0].costUSD);
    EXPECT_TRUE(UsageLedger::priceStoredModels(upgraded, PriceTable::builtIn()) && upgraded.unpricedTokens() == 1000);
    EXPECT_DOUBLE_EQ(upgraded.costUSD(), 1000 * 3e-6);
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
            EXPECT_TRUE(days.at(date).inputTokens == 1000 + i && days.at(date).models.size() == 50u) << i;
        }
    }
}

}
