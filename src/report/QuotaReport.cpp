#include "report/QuotaReport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonValue>
#include <QTextStream>

#include "quota/CreditsFormat.h"
#include "quota/LimitNames.h"
#include "quota/ResetCountdown.h"

namespace pacemark {

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
    if (error->failureText().isEmpty())
        return QStringLiteral("error (%1)").arg(error->caseName());
    return QStringLiteral("error (%1: %2)").arg(error->caseName(), error->failureText());
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonArray limitsJson(const std::vector<ClaudeQuota::Limit>& limits)
{
    QJsonArray list;
    for (const auto& limit : limits)
        list.append(QJsonObject {
            { QStringLiteral("kind"), limit.kindName() },
            { QStringLiteral("label"), LimitNames::name(limit) },
            { QStringLiteral("utilizationPct"), limit.percent },
            { QStringLiteral("resetsAt"), instantOrNull(limit.resetsAt) },
            { QStringLiteral("severity"), textOrNull(limit.severity) },
            { QStringLiteral("binding"), limit.binding },
            { QStringLiteral("forecastAt"), instantOrNull(limit.forecastAt) },
        });
    return list;
}

QString limitName(const ClaudeQuota::Limit& limit)
{
    switch (limit.kind) {
    case ClaudeQuota::Limit::Kind::session:
        return QStringLiteral("5 hours");
    case ClaudeQuota::Limit::Kind::weekly:
        return QStringLiteral("7 days");
    case ClaudeQuota::Limit::Kind::weeklyScoped:
        break;
    }
    return QStringLiteral("7 days ") + limit.label;
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
              e->errorCase() == OAuthError::Case::network ? QJsonValue(e->failureText())
                                                          : QJsonValue(QJsonValue::Null) },
        };
    }
    QJsonValue extra = QJsonValue::Null;
    if (m_quota && m_quota->extraUsage) {
        const auto& e = *m_quota->extraUsage;
        extra = QJsonObject {
            { QStringLiteral("isEnabled"), e.isEnabled },
            { QStringLiteral("monthlyLimitCents"),
              e.monthlyLimitCents ? QJsonValue(*e.monthlyLimitCents) : QJsonValue(QJsonValue::Null) },
            { QStringLiteral("usedCreditsCents"), e.usedCreditsCents },
            { QStringLiteral("utilization"), e.utilization },
            { QStringLiteral("currency"), e.currency },
            { QStringLiteral("decimalPlaces"), e.decimalPlaces },
            { QStringLiteral("disabledReason"), textOrNull(e.disabledReason) },
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
        { QStringLiteral("limits"), m_quota ? QJsonValue(limitsJson(m_quota->limits)) : QJsonValue(QJsonArray()) },
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

    for (const auto& limit : m_quota->limits) {
        out << "  " << qSetFieldWidth(14) << Qt::left << limitName(limit) << qSetFieldWidth(7) << Qt::right
            << QStringLiteral("%1%").arg(ClaudeQuota::shownPercent(limit.percent), 0, 'f', 1) << qSetFieldWidth(0)
            << Qt::left;
        if (limit.resetsAt)
            out << "  resets " << localTime(*limit.resetsAt) << "  " << resetCountdown(limit.resetsAt, m_now);
        else
            out << "  no reset time";
        if (limit.binding)
            out << "  binding";
        if (limit.forecastAt)
            out << "  100% at this pace " << localTime(*limit.forecastAt);
        out << "\n";
    }
    if (const auto& extra = m_quota->extraUsage) {
        out << "  " << qSetFieldWidth(14) << Qt::left << "Extra usage" << qSetFieldWidth(7) << Qt::right
            << QStringLiteral("%1%").arg(ClaudeQuota::shownPercent(extra->utilization), 0, 'f', 1) << qSetFieldWidth(0)
            << Qt::left << "  " << CreditsFormat::used(*extra);
        if (extra->monthlyLimitCents)
            out << " of " << CreditsFormat::monthlyLimit(*extra);
        out << " " << extra->currency;
        if (!extra->monthlyLimitCents)
            out << ", no monthly limit";
        if (!extra->isEnabled)
            out << ", disabled (" << extra->disabledReason << ")";
        out << "\n";
    }
    out.flush();
    return text;
}

}
