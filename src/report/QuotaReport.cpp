#include "report/QuotaReport.h"

#include <QDateTime>
#include <QJsonValue>
#include <QTextStream>

#include "quota/ResetCountdown.h"

namespace {

QJsonValue instantOrNull(std::optional<Instant> instant)
{
    return instant ? QJsonValue(InstantFormat::toIsoUtcMillis(*instant)) : QJsonValue(QJsonValue::Null);
}

QJsonValue windowJson(const std::optional<ClaudeQuota::Window>& window)
{
    if (!window)
        return QJsonValue::Null;
    return QJsonObject {
        { QStringLiteral("utilizationPct"), window->utilizationPct },
        { QStringLiteral("resetsAt"), instantOrNull(window->resetsAt) },
    };
}

QString localTime(Instant instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count(), Qt::LocalTime)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString statusText(const ClaudeQuotaManager::Status& status)
{
    const auto& error = status.oauthError();
    if (!error)
        return status.caseName();
    if (error->message().isEmpty())
        return QStringLiteral("error (%1)").arg(error->caseName());
    return QStringLiteral("error (%1: %2)").arg(error->caseName(), error->message());
}

QString dollars(qint64 cents)
{
    return QStringLiteral("$%1").arg(static_cast<double>(cents) / 100.0, 0, 'f', 2);
}

}

QuotaReport::QuotaReport(ClaudeQuotaManager::Status status, std::optional<ClaudeQuota> quota, Instant now)
    : m_status(std::move(status))
    , m_quota(std::move(quota))
    , m_now(now)
{ }

QJsonObject QuotaReport::toJson() const
{
    QJsonValue error = QJsonValue::Null;
    if (const auto& e = m_status.oauthError()) {
        error = QJsonObject {
            { QStringLiteral("case"), e->caseName() },
            { QStringLiteral("message"),
              e->errorCase() == OAuthError::Case::network ? QJsonValue(e->message()) : QJsonValue(QJsonValue::Null) },
        };
    }
    QJsonValue extra = QJsonValue::Null;
    if (m_quota && m_quota->extraUsage) {
        const auto& e = *m_quota->extraUsage;
        extra = QJsonObject {
            { QStringLiteral("isEnabled"), e.isEnabled },
            { QStringLiteral("monthlyLimitCents"), e.monthlyLimitCents },
            { QStringLiteral("usedCreditsCents"), e.usedCreditsCents },
            { QStringLiteral("utilization"), e.utilization },
            { QStringLiteral("currency"), e.currency },
        };
    }
    const auto window
        = [this](auto member) { return m_quota ? windowJson((*m_quota).*member) : QJsonValue(QJsonValue::Null); };
    return QJsonObject {
        { QStringLiteral("status"), m_status.caseName() },
        { QStringLiteral("error"), error },
        { QStringLiteral("fiveHour"), window(&ClaudeQuota::fiveHour) },
        { QStringLiteral("sevenDay"), window(&ClaudeQuota::sevenDay) },
        { QStringLiteral("sevenDayOpus"), window(&ClaudeQuota::sevenDayOpus) },
        { QStringLiteral("sevenDaySonnet"), window(&ClaudeQuota::sevenDaySonnet) },
        { QStringLiteral("extraUsage"), extra },
        { QStringLiteral("fetchedAt"), m_quota ? instantOrNull(m_quota->fetchedAt) : QJsonValue(QJsonValue::Null) },
    };
}

QString QuotaReport::toText() const
{
    QString text;
    QTextStream out(&text);
    out << "\nQuota      " << statusText(m_status);
    if (m_quota)
        out << ", fetched " << localTime(m_quota->fetchedAt);
    out << "\n";
    if (!m_quota) {
        if (m_status.statusCase() == ClaudeQuotaManager::Status::Case::notConfigured)
            out << "  no Claude Code credential found\n";
        out.flush();
        return text;
    }

    const std::pair<const char*, const std::optional<ClaudeQuota::Window>*> windows[] = {
        { "5 hours", &m_quota->fiveHour },
        { "7 days", &m_quota->sevenDay },
        { "7 days Opus", &m_quota->sevenDayOpus },
        { "7 days Sonnet", &m_quota->sevenDaySonnet },
    };
    for (const auto& [label, window] : windows) {
        if (!*window)
            continue;
        out << "  " << qSetFieldWidth(14) << Qt::left << label << qSetFieldWidth(7) << Qt::right
            << QStringLiteral("%1%").arg((*window)->utilizationPct, 0, 'f', 1) << qSetFieldWidth(0) << Qt::left;
        if (const auto resetsAt = (*window)->resetsAt)
            out << "  resets " << localTime(*resetsAt) << "  " << resetCountdown(resetsAt, m_now);
        else
            out << "  no reset time";
        out << "\n";
    }
    if (const auto& extra = m_quota->extraUsage) {
        out << "  " << qSetFieldWidth(14) << Qt::left << "Extra usage" << qSetFieldWidth(7) << Qt::right
            << QStringLiteral("%1%").arg(extra->utilization, 0, 'f', 1) << qSetFieldWidth(0) << Qt::left << "  "
            << dollars(extra->usedCreditsCents) << " of " << dollars(extra->monthlyLimitCents) << " " << extra->currency
            << "\n";
    }
    out.flush();
    return text;
}
