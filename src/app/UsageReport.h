#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "usage/ActivityLevel.h"
#include "usage/Instant.h"

class UsageDataManager;

// What the headless report prints: the figures of one refresh, as text or as JSON.
class UsageReport
{
public:
    UsageReport(const UsageDataManager& usage, Instant generatedAt, ActivityLevel level);

    QJsonObject toJson() const;
    QString toText() const;

private:
    const UsageDataManager& m_usage;
    Instant m_generatedAt;
    ActivityLevel m_level;
};
