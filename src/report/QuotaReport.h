#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

#include "basics/Instant.h"
#include "quota/ClaudeQuota.h"
#include "quota/ClaudeQuotaManager.h"

namespace pacemark {

// The quota part of the headless report: the status of one fetch and the snapshot it left.
class QuotaReport
{
public:
    QuotaReport(ClaudeQuotaManager::Status status, std::optional<ClaudeQuota> quota, Instant now);

    QJsonObject toJson() const;
    QString toText() const;

private:
    ClaudeQuotaManager::Status m_status;
    std::optional<ClaudeQuota> m_quota;
    Instant m_now;
};

}
