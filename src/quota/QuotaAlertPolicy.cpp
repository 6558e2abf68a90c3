#include "quota/QuotaAlertPolicy.h"

#include <chrono>
#include <cmath>

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include "quota/LimitNames.h"
#include "quota/QuotaForecast.h"
#include "quota/ResetCountdown.h"

namespace pacemark {

namespace {

using namespace std::chrono_literals;

// The endpoint's reset times wobble by fractions of a second from one answer to the next, and a new
// period never ends within an hour of the last one.
constexpr qint64 SamePeriodTolerance = 3600;

const QString EndKey = QStringLiteral("end");
const QString LevelKey = QStringLiteral("level");
const QString ForecastKey = QStringLiteral("forecast");
// A projected end of the allowance this close is worth an interruption.
constexpr auto ForecastLead = 30min;

qint64 secondsOf(Instant instant)
{
    return std::chrono::duration_cast<std::chrono::seconds>(instant.time_since_epoch()).count();
}

int levelOf(double pct, QuotaAlertPolicy::Thresholds thresholds)
{
    if (pct >= thresholds.upper)
        return 2;
    return pct >= thresholds.lower ? 1 : 0;
}

// The credits are a monthly allowance without a reset time in the answer: the period is the month,
// named by the first second of the next one in UTC.
qint64 endOfMonth(Instant now)
{
    const QDate today = QDateTime::fromSecsSinceEpoch(secondsOf(now), QTimeZone::utc()).date();
    return QDateTime(QDate(today.year(), today.month(), 1).addMonths(1), QTime(0, 0), QTimeZone::utc())
        .toSecsSinceEpoch();
}

QuotaAlert aboutLimit(const std::optional<ClaudeQuota::Limit>& limit, const QString& id)
{
    QuotaAlert alert;
    alert.limit = limit;
    alert.window = id;
    return alert;
}

QuotaAlert alertOf(QuotaAlert::Event event, const QuotaAlert& about)
{
    QuotaAlert alert = about;
    alert.event = event;
    return alert;
}

}

QuotaAlertPolicy::QuotaAlertPolicy(QJsonObject memory)
    : m_memory(std::move(memory))
{ }

QString QuotaAlert::name() const
{
    if (limit)
        return LimitNames::alertName(*limit);
    if (!source.isEmpty())
        return LimitNames::alertName(source, windowMinutes);
    return LimitNames::extraUsageName();
}

QString QuotaAlert::summary() const
{
    const QString name = this->name();
    switch (event) {
    case Event::reached:
        return tr("%1 %2% 도달").arg(name).arg(threshold);
    case Event::reset:
        return tr("%1가 초기화되었습니다").arg(name);
    case Event::forecast:
        return tr("%1 곧 도달").arg(name);
    }
    return {};
}

QString QuotaAlert::body() const
{
    if (event == Event::reset)
        return tr("다시 여유 있게 쓸 수 있습니다.");
    const QString name = this->name();
    QString text = event == Event::forecast && forecastAt
        ? QuotaForecast::text(*forecastAt, now) + QLatin1Char('.')
        : tr("%1의 %2%를 사용했습니다.").arg(name).arg(percent, 0, 'f', 0);
    if (resetsAt)
        text += tr(" %1 후 초기화됩니다.").arg(resetCountdown(resetsAt, now));
    return text;
}

std::vector<QuotaAlert> QuotaAlertPolicy::evaluate(const ClaudeQuota& quota, Thresholds thresholds, Instant now)
{
    std::vector<QuotaAlert> alerts;
    for (const auto& limit : quota.limits)
        evaluateWindow(aboutLimit(limit, limit.id()), limit.percent, limit.resetsAt ? secondsOf(*limit.resetsAt) : 0,
                       true, thresholds, now, alerts);
    if (const auto& extra = quota.extraUsage; extra && extra->isEnabled)
        evaluateWindow(aboutLimit(std::nullopt, QStringLiteral("extraUsage")), extra->utilization, endOfMonth(now),
                       false, thresholds, now, alerts);
    for (const auto& limit : quota.limits)
        evaluateForecast(limit, now, alerts);
    return alerts;
}

std::vector<QuotaAlert> QuotaAlertPolicy::evaluate(const std::vector<Window>& windows, Thresholds thresholds,
                                                   Instant now)
{
    std::vector<QuotaAlert> alerts;
    for (const auto& w : windows) {
        QuotaAlert alert = aboutLimit(std::nullopt, w.id);
        alert.source = w.source;
        alert.windowMinutes = w.minutes;
        evaluateWindow(alert, w.percent, w.resetsAt ? secondsOf(*w.resetsAt) : 0, true, thresholds, now, alerts);
    }
    return alerts;
}

void QuotaAlertPolicy::evaluateForecast(const ClaudeQuota::Limit& limit, Instant now, std::vector<QuotaAlert>& alerts)
{
    if (!limit.forecastAt || *limit.forecastAt <= now || *limit.forecastAt - now >= ForecastLead)
        return;
    // Told once per period: the period is named by its reset, or by the hour the limit would be reached.
    const qint64 period = limit.resetsAt ? secondsOf(*limit.resetsAt) : secondsOf(*limit.forecastAt);
    const QString id = limit.id();
    QJsonObject entry = m_memory.value(id).toObject();
    if (entry.contains(ForecastKey) && std::abs(entry.value(ForecastKey).toInteger() - period) < SamePeriodTolerance)
        return;
    QuotaAlert alert = alertOf(QuotaAlert::Event::forecast, aboutLimit(limit, id));
    alert.resetsAt = limit.resetsAt;
    alert.forecastAt = limit.forecastAt;
    alert.now = now;
    alert.urgent = true;
    alerts.push_back(alert);
    entry.insert(ForecastKey, period);
    m_memory.insert(id, entry);
}

void QuotaAlertPolicy::evaluateWindow(const QuotaAlert& about, double pct, qint64 periodEnd, bool knowsReset,
                                      Thresholds thresholds, Instant now, std::vector<QuotaAlert>& alerts)
{
    const QString& id = about.window;
    const int level = std::isfinite(pct) ? levelOf(pct, thresholds) : 0;
    QJsonObject entry = m_memory.value(id).toObject();
    const bool known = entry.contains(EndKey);
    const qint64 storedEnd = entry.value(EndKey).toInteger();
    int announced = entry.value(LevelKey).toInt();

    bool samePeriod = false;
    if (known) {
        if (periodEnd != 0 && storedEnd != 0)
            samePeriod = std::abs(periodEnd - storedEnd) < SamePeriodTolerance;
        else if (periodEnd == 0)
            // No reset time: nothing used since the last period ended, or still none used in it.
            samePeriod = storedEnd == 0 || secondsOf(now) < storedEnd;
    }
    if (known && !samePeriod) {
        const bool ended = periodEnd == 0 || periodEnd > storedEnd;
        // A new period already past a threshold is told as such below; a plain reset is told here.
        if (knowsReset && ended && announced > 0 && level == 0)
            alerts.push_back(alertOf(QuotaAlert::Event::reset, about));
        announced = 0;
    }
    if (level > announced) {
        QuotaAlert alert = alertOf(QuotaAlert::Event::reached, about);
        alert.threshold = level == 2 ? thresholds.upper : thresholds.lower;
        alert.percent = std::floor(pct);
        if (knowsReset && periodEnd != 0)
            alert.resetsAt = Instant(std::chrono::seconds(periodEnd));
        alert.now = now;
        alert.urgent = level == 2;
        alerts.push_back(alert);
        announced = level;
    }
    entry.insert(EndKey, samePeriod && periodEnd == 0 ? storedEnd : periodEnd);
    entry.insert(LevelKey, announced);
    m_memory.insert(id, entry);
}

}
