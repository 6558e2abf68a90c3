#include "usage/DailyUsageStore.h"

#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <sqlite3.h>

namespace {

constexpr const char* createSchema = R"(
CREATE TABLE DailyUsage (
    dateString TEXT NOT NULL UNIQUE,
    totalInputTokens INTEGER NOT NULL,
    totalOutputTokens INTEGER NOT NULL,
    totalCacheWriteTokens INTEGER NOT NULL,
    totalCacheReadTokens INTEGER NOT NULL,
    sessionCount INTEGER NOT NULL
) STRICT;
PRAGMA user_version = 10000;
)";

const QStringList expectedColumns {
    QStringLiteral("dateString"),
    QStringLiteral("totalInputTokens"),
    QStringLiteral("totalOutputTokens"),
    QStringLiteral("totalCacheWriteTokens"),
    QStringLiteral("totalCacheReadTokens"),
    QStringLiteral("sessionCount"),
};

QString sqliteError(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Closes the connection unless it is handed on; an unusable store must not stay open.
class Connection
{
public:
    Connection() = default;
    ~Connection() { sqlite3_close(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3** out() { return &m_db; }
    sqlite3* get() const { return m_db; }
    sqlite3* release() { return std::exchange(m_db, nullptr); }

private:
    sqlite3* m_db = nullptr;
};

bool execute(sqlite3* db, const char* sql, QString* error)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    *error = message ? QString::fromUtf8(message) : sqliteError(db);
    sqlite3_free(message);
    return false;
}

// Runs a query and collects the first column of every row as text.
bool column(sqlite3* db, const char* sql, QStringList* values, QString* error)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        *error = sqliteError(db);
        return false;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW)
        values->append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE) {
        *error = sqliteError(db);
        return false;
    }
    return true;
}

// Checks a store of schema 1.0.0, or creates the schema in a database that holds nothing at all.
// Anything else is somebody else's data or a later version of ours, and is not touched.
bool prepareSchema(sqlite3* db, QString* error)
{
    if (!execute(db, "BEGIN IMMEDIATE", error))
        return false;
    QString failure;
    QStringList version;
    QStringList tables;
    if (column(db, "PRAGMA user_version", &version, &failure)
        && column(db, "SELECT name FROM sqlite_schema WHERE name NOT LIKE 'sqlite_%'", &tables, &failure)) {
        const int found = version.value(0).toInt();
        if (found == 0 && tables.isEmpty()) {
            if (execute(db, createSchema, &failure) && execute(db, "COMMIT", &failure))
                return true;
        } else if (found > DailyUsageStore::schemaVersion) {
            failure = QStringLiteral("the store has schema version %1, newer than this application's %2")
                          .arg(found)
                          .arg(DailyUsageStore::schemaVersion);
        } else if (found != DailyUsageStore::schemaVersion) {
            failure = QStringLiteral("the store holds other data (schema version %1)").arg(found);
        } else {
            QStringList columns;
            if (column(db, "SELECT name FROM pragma_table_info('DailyUsage') ORDER BY cid", &columns,
                    &failure)) {
                if (columns == expectedColumns) {
                    execute(db, "COMMIT", &failure);
                    return true;
                }
                failure = QStringLiteral("the store's DailyUsage table does not match schema version %1")
                              .arg(DailyUsageStore::schemaVersion);
            }
        }
    }
    QString ignored;
    execute(db, "ROLLBACK", &ignored);
    *error = failure;
    return false;
}

}

DailyUsageStore::DailyUsageStore(sqlite3* db, QString path)
    : m_db(db)
    , m_path(std::move(path))
{
}

DailyUsageStore::~DailyUsageStore()
{
    sqlite3_close(m_db);
}

QString DailyUsageStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/history.sqlite");
}

DailyUsageStore::OpenResult DailyUsageStore::open(const QString& path)
{
    const auto fail = [&path](const QString& reason) {
        return OpenResult { nullptr,
            QStringLiteral("cannot open the history store %1: %2").arg(path, reason) };
    };

    const QFileInfo file(path);
    if (!QDir().mkpath(file.absolutePath()))
        return fail(QStringLiteral("cannot create the folder %1").arg(file.absolutePath()));
    // A store the user has made read-only stays so, even for a user whom permissions do not stop.
    if (file.exists() && file.isFile() && !(file.permissions() & QFileDevice::WriteOwner))
        return fail(QStringLiteral("the file is read-only"));

    Connection db;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), db.out(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK)
        return fail(db.get() ? sqliteError(db.get()) : QStringLiteral("out of memory"));
    sqlite3_busy_timeout(db.get(), 2000);
    // SQLite quietly falls back to reading when it may not write; such a store is not usable.
    if (sqlite3_db_readonly(db.get(), "main") == 1)
        return fail(QStringLiteral("the file is read-only"));

    QString error;
    if (!prepareSchema(db.get(), &error))
        return fail(error);
    return OpenResult { std::unique_ptr<DailyUsageStore>(new DailyUsageStore(db.release(), path)), {} };
}

std::unique_ptr<DailyUsageStore> DailyUsageStore::setUp(const QString& path, std::FILE* diagnostics)
{
    OpenResult result = open(path);
    if (!result.store) {
        QString line = QStringLiteral("SwiftData setup failed: ") + result.error;
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), diagnostics);
        std::fflush(diagnostics);
    }
    return std::move(result.store);
}
