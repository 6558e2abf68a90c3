#pragma once

#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "app/QuotaReport.h"
#include "usage/ActivityLevel.h"
#include "usage/Instant.h"

class UsageDataManager;

// What the headless report prints: the figures of one refresh, as text or as JSON.
class UsageReport
{
public:
    UsageReport(const UsageDataManager& usage, Instant generatedAt, ActivityLevel level);

    // With a quota the report gains its section and the "quota" member.
    void setQuota(QuotaReport quota) { m_quota = std::move(quota); }

    QJsonObject toJson() const;
    QString toText() const;

private:
    const UsageDataManager& m_usage;
    Instant m_generatedAt;
    ActivityLevel m_level;
    std::optional<QuotaReport> m_quota;
};
