#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "usage/LedgerDay.h"

struct sqlite3;

namespace pacemark {

// The on-disk history store, a ledger of ended days: the table `DailyUsage` with one row per day and
// `DailyModelUsage` with the day's tokens per model. Rows only ever rise, each write is one
// transaction, and a file that cannot be used as this store is left exactly as it is: never deleted,
// never rewritten. The connection may be used from any one thread at a time.
class DailyUsageStore
{
public:
    // Schema 1.2.0, kept in the database's user_version as major * 10000 + minor * 100 + patch. 1.0.0
    // had DailyUsage alone, 1.1.0 DailyModelUsage without costUSD; both are upgraded in place.
    static constexpr int schemaVersion = 10200;

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
    // The launch step: opens the store, or reports why it cannot on pacemark.usage and returns nothing.
    static std::unique_ptr<DailyUsageStore> setUp(const QString& path);

    QString path() const { return m_path; }

    // Every stored day with its models; nothing when the store cannot be read.
    std::optional<std::map<QString, LedgerDay>> days(QString* error = nullptr) const;
    // Raises each given day to at least its figures, in one transaction; lowers nothing.
    bool record(const std::vector<LedgerDay>& days, QString* error = nullptr);

private:
    DailyUsageStore(sqlite3* db, QString path);

    sqlite3* m_db;
    QString m_path;
};

}
