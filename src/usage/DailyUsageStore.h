#pragma once

#include <cstdio>
#include <memory>

#include <QString>

struct sqlite3;

// The on-disk history store: one SQLite table `DailyUsage` with one row per day. Nothing reads or
// writes rows yet; the store is opened at launch with its schema and held until the process ends.
// A file that cannot be used as this store is left exactly as it is: never deleted, never rewritten.
class DailyUsageStore
{
public:
    // Schema 1.0.0, kept in the database's user_version as major * 10000 + minor * 100 + patch.
    static constexpr int schemaVersion = 10000;

    struct OpenResult
    {
        std::unique_ptr<DailyUsageStore> store;
        // Why the store could not be opened; empty on success.
        QString error;
    };

    ~DailyUsageStore();
    DailyUsageStore(const DailyUsageStore&) = delete;
    DailyUsageStore& operator=(const DailyUsageStore&) = delete;

    // The store file in the application's data folder.
    static QString defaultPath();
    // Opens the store at the path, creating the file and its folder when absent.
    static OpenResult open(const QString& path);
    // The launch step: opens the store, or writes "SwiftData setup failed: " and the reason as one line
    // to the stream and returns nothing.
    static std::unique_ptr<DailyUsageStore> setUp(const QString& path, std::FILE* diagnostics = stdout);

    QString path() const { return m_path; }

private:
    DailyUsageStore(sqlite3* db, QString path);

    sqlite3* m_db;
    QString m_path;
};
