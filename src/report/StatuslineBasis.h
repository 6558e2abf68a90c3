#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QString>
#include <QTimeZone>

#include "basics/Instant.h"
#include "ingest/AIUsageProvider.h"
#include "ingest/DirectoryWalker.h"
#include "report/StatuslineFigures.h"

namespace pacemark {

class PriceTable;
struct UsageSnapshot;

// What a read of the logs leaves for the status lines after it, so that a call that finds nothing
// changed answers without loading a single record: the stamps of every folder the sources read and of
// every log changed in the day before, and the parts of the figures that do not move with the clock.
//
// A log added or removed changes its folder's stamp; a log being written to is one of the recent ones
// or the session's own. A log idle for a day that grows again is seen by the next read of every log,
// which comes at least once a minute.
class StatuslineBasis
{
public:
    static constexpr std::chrono::seconds SweepInterval { 60 };
    static constexpr std::chrono::hours RecentLogAge { 24 };

    // Beside the log cache.
    static QString pathBeside(const QString& cachePath);

    // What the figures depend on besides the logs: the zone and its day, the sources and their folders,
    // the price lists and this build.
    static QString conditions(const std::vector<std::shared_ptr<AIUsageProvider>>& providers, Instant now,
                              const QTimeZone& zone);

    // sweptAt is when the read began; folders were stamped before the logs were listed.
    static StatuslineBasis of(const UsageSnapshot& usage, const PriceTable& prices,
                              const std::vector<std::shared_ptr<AIUsageProvider>>& providers,
                              std::vector<DirectoryWalker::Folder> folders, Instant sweptAt, QString conditions);

    // Empty when missing, not ours, damaged or of another version.
    static std::optional<StatuslineBasis> load(const QString& path);
    // Removes what is at the path instead when the basis holds too many recent logs to be of use.
    bool save(const QString& path, QString* error) const;

    // The figures as of now when nothing they were made of changed; empty when the logs must be read.
    // transcript is the session's own log, when Claude Code names it.
    std::optional<StatuslineFigures> figures(const QString& sessionId, const std::string& transcript, Instant now,
                                             const QString& conditions) const;

    static constexpr qint64 MaxBytes = 8 << 20;
    // With more logs changed in a day, looking at each of them would cost a call about as much as
    // reading them: no basis is kept, and every call reads the logs.
    static constexpr std::size_t MaxRecentLogs = 20'000;

private:
    struct Session
    {
        qint64 tokens = 0;
        std::optional<double> costUsd;
    };

    bool unchanged(const std::string& transcript) const;

    QString m_conditions;
    Instant m_sweptAt {};
    std::vector<DirectoryWalker::Folder> m_folders;
    std::vector<DirectoryWalker::File> m_recentLogs;
    qint64 m_todayTokens = 0;
    std::optional<double> m_todayCostUsd;
    std::optional<Instant> m_lastActivity;
    // Today's input and output tokens from three minutes before the sweep on, for the rate.
    std::vector<std::pair<Instant, qint64>> m_recentTokens;
    // The sessions with a record in the day before the sweep.
    std::unordered_map<QString, Session> m_sessions;
};

}
