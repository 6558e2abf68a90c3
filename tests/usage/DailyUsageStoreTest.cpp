#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include <QFile>

#include <sqlite3.h>

#include "TempDir.h"
#include "usage/DailyUsageStore.h"

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

TEST(DailyUsageStore, CreatesTheSchemaAndItsFolderAndKeepsRowsOnReopening)
{
    TempDir home;
    const std::string path = home.path("data/pacemark/history.sqlite");
    auto opened = DailyUsageStore::open(QString::fromStdString(path));
    ASSERT_TRUE(opened.store) << opened.error.toStdString();
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
    opened.store.reset();
    ASSERT_TRUE(DailyUsageStore::open(QString::fromStdString(path)).store);
    EXPECT_EQ(Database(path).rows("SELECT * FROM DailyUsage"), "2026-01-02|10|20|30|40|2\n");
}

std::string snapshot(const std::string& folder)
{
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        all += entry.path().string() + "\n";
        if (entry.is_regular_file()) {
            QFile file(QString::fromStdString(entry.path().string()));
            all += file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "";
            all += std::to_string(entry.last_write_time().time_since_epoch().count()) + "\n";
        }
    }
    return all;
}

// A file that cannot be this store is reported with its path and the reason, and left as it was.
TEST(DailyUsageStore, UnusableFilesAreReportedAndLeftUntouched)
{
    const auto makeStore = [](const std::string& path) {
        ASSERT_TRUE(DailyUsageStore::open(QString::fromStdString(path)).store);
        ASSERT_EQ(Database(path).execute(insertDay), SQLITE_OK);
    };
    const std::tuple<const char*, std::function<void(const std::string&)>, const char*> cases[] = {
        { "corrupt", [](const std::string& path) { std::ofstream(path) << std::string(8192, 'x'); },
          "file is not a database" },
        { "read-only",
          [&](const std::string& path) {
              makeStore(path);
              fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
          },
          "read-only" },
        { "newer schema",
          [&](const std::string& path) {
              makeStore(path);
              Database(path).execute("PRAGMA user_version = 10300");
          },
          "newer" },
        { "someone else's database",
          [](const std::string& path) { Database(path).execute("CREATE TABLE notes (text TEXT)"); }, "other data" },
        { "changed columns",
          [](const std::string& path) {
              Database(path).execute("CREATE TABLE DailyUsage (dateString TEXT); PRAGMA user_version = 10000");
          },
          "do not match" },
        { "a folder", [](const std::string& path) { fs::create_directory(path); }, "" },
    };
    for (const auto& [label, make, reason] : cases) {
        TempDir home;
        const std::string path = home.path("history.sqlite");
        make(path);
        const std::string before = snapshot(home.path());
        const auto opened = DailyUsageStore::open(QString::fromStdString(path));
        EXPECT_FALSE(opened.store) << label;
        EXPECT_TRUE(opened.error.contains(QString::fromStdString(path))) << opened.error.toStdString();
        EXPECT_TRUE(opened.error.contains(QString::fromUtf8(reason))) << opened.error.toStdString();
        EXPECT_EQ(snapshot(home.path()), before) << label;
    }

    TempDir home;
    home.write("blocker", "a file where a folder should be");
    const auto opened = DailyUsageStore::open(QString::fromStdString(home.path("blocker/history.sqlite")));
    EXPECT_FALSE(opened.store);
    EXPECT_TRUE(opened.error.contains(QStringLiteral("cannot create the folder"))) << opened.error.toStdString();
}

}
