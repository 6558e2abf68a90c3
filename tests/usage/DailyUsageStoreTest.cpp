#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <QFile>

#include <sqlite3.h>

#include "TempDir.h"
#include "usage/DailyUsageStore.h"

namespace {

// A plain connection for looking into a store file from outside.
class Database
{
public:
    explicit Database(const std::string& path) { sqlite3_open(path.c_str(), &m_db); }
    ~Database() { sqlite3_close(m_db); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    int execute(const std::string& sql) { return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr); }

    // Every row of the query, its columns joined by "|".
    std::vector<std::string> rows(const std::string& sql)
    {
        std::vector<std::string> result;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                row += (i ? "|" : "") + std::string(text ? text : "");
            }
            result.push_back(row);
        }
        sqlite3_finalize(statement);
        return result;
    }

private:
    sqlite3* m_db = nullptr;
};

QByteArray contents(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<std::string> listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::string insertDay = "INSERT INTO DailyUsage VALUES ('2026-01-02', 10, 20, 30, 40, 2)";

TEST(DailyUsageStore, CreatesTheSchemaAndItsFolderOnFirstOpen)
{
    TempDir home;
    const std::string path = home.path("data/pacemark/history.sqlite");
    auto opened = DailyUsageStore::open(QString::fromStdString(path));
    ASSERT_TRUE(opened.store) << opened.error.toStdString();
    EXPECT_TRUE(opened.error.isEmpty());

    Database db(path);
    EXPECT_EQ(db.rows("PRAGMA user_version"), std::vector<std::string> { "10000" });
    const std::vector<std::string> columns {
        "dateString|TEXT|1",
        "totalInputTokens|INTEGER|1",
        "totalOutputTokens|INTEGER|1",
        "totalCacheWriteTokens|INTEGER|1",
        "totalCacheReadTokens|INTEGER|1",
        "sessionCount|INTEGER|1",
    };
    EXPECT_EQ(db.rows("SELECT name, type, \"notnull\" FROM pragma_table_info('DailyUsage')"), columns);
    EXPECT_EQ(db.rows("SELECT dflt_value FROM pragma_table_info('DailyUsage') WHERE dflt_value IS NOT NULL"),
        std::vector<std::string> {});

    EXPECT_EQ(db.execute(insertDay), SQLITE_OK);
    EXPECT_EQ(db.execute(insertDay), SQLITE_CONSTRAINT) << "one row per day";
    EXPECT_EQ(
        db.execute("INSERT INTO DailyUsage VALUES ('2026-01-03', 'many', 0, 0, 0, 0)"), SQLITE_CONSTRAINT)
        << "token counts are integers";
}

TEST(DailyUsageStore, ReopeningKeepsTheRows)
{
    TempDir home;
    const std::string path = home.path("history.sqlite");
    ASSERT_TRUE(DailyUsageStore::open(QString::fromStdString(path)).store);
    {
        Database db(path);
        ASSERT_EQ(db.execute(insertDay), SQLITE_OK);
    }
    auto reopened = DailyUsageStore::open(QString::fromStdString(path));
    ASSERT_TRUE(reopened.store) << reopened.error.toStdString();
    Database db(path);
    EXPECT_EQ(db.rows("SELECT * FROM DailyUsage"), std::vector<std::string> { "2026-01-02|10|20|30|40|2" });
}

struct UnusableCase
{
    const char* label;
    // Builds the file at the path.
    void (*make)(const std::string& path);
    const char* reason;
};

void PrintTo(const UnusableCase& c, std::ostream* out)
{
    *out << c.label;
}

void makeStore(const std::string& path)
{
    ASSERT_TRUE(DailyUsageStore::open(QString::fromStdString(path)).store);
    Database db(path);
    ASSERT_EQ(db.execute(insertDay), SQLITE_OK);
}

class UnusableStore : public ::testing::TestWithParam<UnusableCase>
{
};

TEST_P(UnusableStore, IsReportedAndLeftUntouched)
{
    const UnusableCase& c = GetParam();
    TempDir home;
    const std::string path = home.path("history.sqlite");
    c.make(path);
    const QByteArray before = contents(path);
    const auto filesBefore = listing(home.path());
    const auto modifiedBefore = std::filesystem::last_write_time(path);

    auto opened = DailyUsageStore::open(QString::fromStdString(path));
    EXPECT_FALSE(opened.store);
    EXPECT_TRUE(opened.error.contains(QString::fromStdString(path))) << opened.error.toStdString();
    EXPECT_TRUE(opened.error.contains(QString::fromUtf8(c.reason))) << opened.error.toStdString();

    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(std::filesystem::last_write_time(path), modifiedBefore);
    EXPECT_EQ(listing(home.path()), filesBefore);
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableStore,
    ::testing::Values(UnusableCase { "corrupt",
                          [](const std::string& path) { std::ofstream(path) << std::string(8192, 'x'); },
                          "file is not a database" },
        UnusableCase { "read_only",
            [](const std::string& path) {
                makeStore(path);
                std::filesystem::permissions(
                    path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
            },
            "read-only" },
        UnusableCase { "newer_schema",
            [](const std::string& path) {
                makeStore(path);
                Database(path).execute("PRAGMA user_version = 10100");
            },
            "newer" },
        UnusableCase { "someone_elses_database",
            [](const std::string& path) { Database(path).execute("CREATE TABLE notes (text TEXT)"); },
            "other data" },
        UnusableCase { "changed_columns",
            [](const std::string& path) {
                Database db(path);
                db.execute("CREATE TABLE DailyUsage (dateString TEXT); PRAGMA user_version = 10000");
            },
            "does not match" }),
    [](const ::testing::TestParamInfo<UnusableCase>& test) { return std::string(test.param.label); });

TEST(DailyUsageStore, APathThatCannotHoldAFileIsReported)
{
    TempDir home;
    home.mkdir("history.sqlite");
    EXPECT_FALSE(DailyUsageStore::open(QString::fromStdString(home.path("history.sqlite"))).store);

    home.write("blocker", "a file where a folder should be");
    const auto opened = DailyUsageStore::open(QString::fromStdString(home.path("blocker/history.sqlite")));
    EXPECT_FALSE(opened.store);
    EXPECT_TRUE(opened.error.contains(QStringLiteral("cannot create the folder")))
        << opened.error.toStdString();
}

std::string captured(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text += static_cast<char>(c);
    return text;
}

TEST(DailyUsageStore, SetUpWritesOneFailureLineAndCarriesOn)
{
    TempDir home;
    const std::string path = home.write("history.sqlite", std::string(4096, '\n'));
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);

    EXPECT_FALSE(DailyUsageStore::setUp(QString::fromStdString(path), out));
    const std::string line = captured(out);
    EXPECT_EQ(
        line, "SwiftData setup failed: cannot open the history store " + path + ": file is not a database\n");

    std::FILE* quiet = std::tmpfile();
    EXPECT_TRUE(DailyUsageStore::setUp(QString::fromStdString(home.path("fresh/history.sqlite")), quiet));
    EXPECT_EQ(captured(quiet), "");
    std::fclose(out);
    std::fclose(quiet);
}

}
