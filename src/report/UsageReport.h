#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "basics/Instant.h"
#include "report/QuotaReport.h"
#include "usage/ActivityLevel.h"

namespace pacemark {

struct SourceFigures;

struct UsageSnapshot;

// What the headless report prints: the figures of one refresh, as text or as JSON.
class UsageReport
{
public:
    // The rate and the activity level are those at generatedAt.
    UsageReport(const UsageSnapshot& usage, Instant generatedAt);

    // With a quota the report gains its section and the "quota" member.
    void setQuota(QuotaReport quota) { m_quota = std::move(quota); }
    // The text names the log folders read, or where it looked when none exists.
    void setLogFolders(QStringList read, QStringList searched)
    {
        m_logFoldersRead = std::move(read);
        m_logFoldersSearched = std::move(searched);
    }

    // With the history the report gains one line (one "history" entry) a day from the first known day.
    void setHistory(bool history) { m_history = history; }

    QJsonObject toJson() const;
    QString toText() const;

private:
    // One per source the figures were worked out for, the busiest today first.
    std::vector<const SourceFigures*> sources() const;

    const UsageSnapshot& m_usage;
    Instant m_generatedAt;
    ActivityLevel m_level;
    std::optional<QuotaReport> m_quota;
    bool m_history = false;
    QStringList m_logFoldersRead;
    QStringList m_logFoldersSearched;
};

}
