#include "usage/DailyUsageStore.h"

#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <sqlite3.h>

#include "usage/UsageLog.h"

namespace pacemark {

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
)";

// 1.1.0: the tokens of each day per model, so that costs and breakdowns can be worked out later.
constexpr const char* createModelTable = R"(
CREATE TABLE DailyModelUsage (
    dateString TEXT NOT NULL,
    model TEXT NOT NULL,
    inputTokens INTEGER NOT NULL,
    outputTokens INTEGER NOT NULL,
    cacheWriteTokens INTEGER NOT NULL,
    cacheReadTokens INTEGER NOT NULL,
    PRIMARY KEY (dateString, model)
) STRICT;
)";

// 1.2.0: the cost in US dollars of each day's model, NULL when it had no price.
constexpr const char* addCostColumn = R"(
ALTER TABLE DailyModelUsage ADD COLUMN costUSD REAL;
PRAGMA user_version = 10200;
)";

constexpr const char* upsertDay = R"(
INSERT INTO DailyUsage VALUES (?1, ?2, ?3, ?4, ?5, ?6)
ON CONFLICT (dateString) DO UPDATE SET
    totalInputTokens = max(totalInputTokens, excluded.totalInputTokens),
    totalOutputTokens = max(totalOutputTokens, excluded.totalOutputTokens),
    totalCacheWriteTokens = max(totalCacheWriteTokens, excluded.totalCacheWriteTokens),
    totalCacheReadTokens = max(totalCacheReadTokens, excluded.totalCacheReadTokens),
    sessionCount = max(sessionCount, excluded.sessionCount)
)";

constexpr const char* upsertModel = R"(
INSERT INTO DailyModelUsage VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)
ON CONFLICT (dateString, model) DO UPDATE SET
    inputTokens = max(inputTokens, excluded.inputTokens),
    outputTokens = max(outputTokens, excluded.outputTokens),
    cacheWriteTokens = max(cacheWriteTokens, excluded.cacheWriteTokens),
    cacheReadTokens = max(cacheReadTokens, excluded.cacheReadTokens),
    costUSD = CASE WHEN costUSD IS NULL THEN excluded.costUSD WHEN excluded.costUSD IS NULL THEN costUSD
                   ELSE max(costUSD, excluded.costUSD) END
)";

const QStringList expectedModelColumns {
    QStringLiteral("dateString"),       QStringLiteral("model"),
    QStringLiteral("inputTokens"),      QStringLiteral("outputTokens"),
    QStringLiteral("cacheWriteTokens"), QStringLiteral("cacheReadTokens"),
};

const QStringList expectedColumns {
    QStringLiteral("dateString"),           QStringLiteral("totalInputTokens"),
    QStringLiteral("totalOutputTokens"),    QStringLiteral("totalCacheWriteTokens"),
    QStringLiteral("totalCacheReadTokens"), QStringLiteral("sessionCount"),
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

// A prepared statement finalised on every path.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// Checks a store of schema 1.2.0, upgrades one of 1.0.0 or 1.1.0, or creates the schema in a database that
// holds nothing at all. Anything else is somebody else's data or a later version of ours, and is not
// touched.
bool prepareSchema(sqlite3* db, QString* error)
{
    if (!execute(db, "BEGIN IMMEDIATE", error))
        return false;
    QString failure;
    QStringList version;
    QStringList tables;
    const auto matches = [&](const char* sql, const QStringList& expected) {
        QStringList columns;
        return column(db, sql, &columns, &failure) && columns == expected;
    };
    if (column(db, "PRAGMA user_version", &version, &failure)
        && column(db, "SELECT name FROM sqlite_schema WHERE name NOT LIKE 'sqlite_%'", &tables, &failure)) {
        const int found = version.value(0).toInt();
        const bool dailyMatches
            = matches("SELECT name FROM pragma_table_info('DailyUsage') ORDER BY cid", expectedColumns);
        if (found == 0 && tables.isEmpty()) {
            if (execute(db, createSchema, &failure) && execute(db, createModelTable, &failure)
                && execute(db, addCostColumn, &failure) && execute(db, "COMMIT", &failure))
                return true;
        } else if (found > DailyUsageStore::schemaVersion) {
            failure = QStringLiteral("the store has schema version %1, newer than this application's %2")
                          .arg(found)
                          .arg(DailyUsageStore::schemaVersion);
        } else if (found != 10000 && found != 10100 && found != DailyUsageStore::schemaVersion) {
            failure = QStringLiteral("the store holds other data (schema version %1)").arg(found);
        } else if (!dailyMatches
                   || (found != 10000
                       && !matches("SELECT name FROM pragma_table_info('DailyModelUsage') ORDER BY cid",
                                   found == 10100
                                       ? expectedModelColumns
                                       : expectedModelColumns + QStringList { QStringLiteral("costUSD") }))) {
            if (failure.isEmpty())
                failure = QStringLiteral("the store's tables do not match schema version %1").arg(found);
        } else if (found == 10000) {
            if (execute(db, createModelTable, &failure) && execute(db, addCostColumn, &failure)
                && execute(db, "COMMIT", &failure))
                return true;
        } else if (found == 10100) {
            if (execute(db, addCostColumn, &failure) && execute(db, "COMMIT", &failure))
                return true;
        } else if (execute(db, "COMMIT", &failure)) {
            return true;
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
{ }

DailyUsageStore::~DailyUsageStore()
{
    sqlite3_close(m_db);
}

QString DailyUsageStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/history.sqlite");
}

DailyUsageStore::OpenResult DailyUsageStore::open(const QString& path)
{
    const auto fail = [&path](const QString& reason) {
        return OpenResult { nullptr, QStringLiteral("cannot open the history store %1: %2").arg(path, reason) };
    };

    const QFileInfo file(path);
    if (!QDir().mkpath(file.absolutePath()))
        return fail(QStringLiteral("cannot create the folder %1").arg(file.absolutePath()));
    // A store the user has made read-only stays so, even for a user whom permissions do not stop.
    if (file.exists() && file.isFile() && !(file.permissions() & QFileDevice::WriteOwner))
        return fail(QStringLiteral("the file is read-only"));

    Connection db;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), db.out(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
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

std::unique_ptr<DailyUsageStore> DailyUsageStore::setUp(const QString& path)
{
    OpenResult result = open(path);
    if (!result.store)
        qCWarning(lcUsage).noquote() << "the history store cannot be set up:"
                                     << QString(result.error).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return std::move(result.store);
}

std::optional<std::map<QString, LedgerDay>> DailyUsageStore::days(QString* error) const
{
    std::map<QString, LedgerDay> result;
    QString ignored;
    QString& failure = error ? *error : ignored;
    // One read transaction, so that a day and its models come from the same write.
    if (!execute(m_db, "BEGIN", &failure))
        return std::nullopt;
    const auto text = [](sqlite3_stmt* s, int i) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
    };
    bool ok = true;
    {
        Statement days(m_db, "SELECT * FROM DailyUsage");
        int step = SQLITE_ERROR;
        while (days.get() && (step = sqlite3_step(days.get())) == SQLITE_ROW) {
            LedgerDay day { text(days.get(), 0),
                            sqlite3_column_int64(days.get(), 1),
                            sqlite3_column_int64(days.get(), 2),
                            sqlite3_column_int64(days.get(), 3),
                            sqlite3_column_int64(days.get(), 4),
                            sqlite3_column_int64(days.get(), 5),
                            {} };
            result.emplace(day.dateString, std::move(day));
        }
        ok = step == SQLITE_DONE;
    }
    if (ok) {
        Statement models(m_db, "SELECT * FROM DailyModelUsage ORDER BY dateString, model");
        int step = SQLITE_ERROR;
        while (models.get() && (step = sqlite3_step(models.get())) == SQLITE_ROW) {
            LedgerDay::Model m { text(models.get(), 1),
                                 sqlite3_column_int64(models.get(), 2),
                                 sqlite3_column_int64(models.get(), 3),
                                 sqlite3_column_int64(models.get(), 4),
                                 sqlite3_column_int64(models.get(), 5),
                                 std::nullopt };
            if (sqlite3_column_type(models.get(), 6) != SQLITE_NULL)
                m.costUSD = sqlite3_column_double(models.get(), 6);
            result[text(models.get(), 0)].models.push_back(std::move(m));
        }
        ok = step == SQLITE_DONE;
    }
    if (!ok)
        failure = sqliteError(m_db);
    execute(m_db, "COMMIT", &ignored);
    if (!ok)
        return std::nullopt;
    // A model row without its day (not written by us) still names its day.
    for (auto& [date, day] : result)
        day.dateString = date;
    return result;
}

bool DailyUsageStore::record(const std::vector<LedgerDay>& days, QString* error)
{
    QString ignored;
    QString& failure = error ? *error : ignored;
    if (!execute(m_db, "BEGIN IMMEDIATE", &failure))
        return false;
    bool ok = true;
    {
        Statement day(m_db, upsertDay);
        Statement model(m_db, upsertModel);
        ok = day.get() && model.get();
        const auto run = [](sqlite3_stmt* s) {
            const bool done = sqlite3_step(s) == SQLITE_DONE;
            sqlite3_reset(s);
            return done;
        };
        for (const LedgerDay& d : days) {
            if (!ok)
                break;
            const QByteArray date = d.dateString.toUtf8();
            sqlite3_bind_text(day.get(), 1, date.constData(), static_cast<int>(date.size()), SQLITE_TRANSIENT);
            const qint64 figures[] { d.inputTokens, d.outputTokens, d.cacheWriteTokens, d.cacheReadTokens,
                                     d.sessionCount };
            for (int i = 0; i < 5; ++i)
                sqlite3_bind_int64(day.get(), i + 2, figures[i]);
            ok = run(day.get());
            for (const auto& m : d.models) {
                if (!ok)
                    break;
                const QByteArray name = m.model.toUtf8();
                sqlite3_bind_text(model.get(), 1, date.constData(), static_cast<int>(date.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(model.get(), 2, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
                const qint64 tokens[] { m.inputTokens, m.outputTokens, m.cacheWriteTokens, m.cacheReadTokens };
                for (int i = 0; i < 4; ++i)
                    sqlite3_bind_int64(model.get(), i + 3, tokens[i]);
                if (m.costUSD)
                    sqlite3_bind_double(model.get(), 7, *m.costUSD);
                else
                    sqlite3_bind_null(model.get(), 7);
                ok = run(model.get());
            }
        }
        if (!ok)
            failure = sqliteError(m_db);
    }
    if (ok && execute(m_db, "COMMIT", &failure))
        return true;
    execute(m_db, "ROLLBACK", &ignored);
    return false;
}

}
