#include "basics/LocalCalendar.h"

#include <utility>

#include <QDateTime>

namespace pacemark {

namespace {

QDateTime toLocal(Instant instant, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count(), zone);
}

Instant toInstant(const QDateTime& dateTime)
{
    return Instant { std::chrono::milliseconds { dateTime.toMSecsSinceEpoch() } };
}

}

Instant LocalCalendar::startOfDay(Instant instant, const QTimeZone& zone)
{
    return toInstant(toLocal(instant, zone).date().startOfDay(zone));
}

std::optional<Instant> LocalCalendar::startOfDayBefore(Instant instant, int days, const QTimeZone& zone)
{
    const QDate day = toLocal(instant, zone).date().addDays(-days);
    const QDateTime start = day.startOfDay(zone);
    if (!day.isValid() || !start.isValid())
        return std::nullopt;
    return toInstant(start);
}

DayFormatter::DayFormatter(QTimeZone zone)
    : m_zone(std::move(zone))
{ }

const QString& DayFormatter::format(Instant instant)
{
    if (m_last && instant >= m_lastStart && instant < m_last->end)
        return m_last->text;
    auto known = m_days.upper_bound(instant);
    if (known != m_days.begin() && instant < std::prev(known)->second.end) {
        --known;
    } else {
        const QDate day = toLocal(instant, m_zone).date();
        const Instant start = toInstant(day.startOfDay(m_zone));
        known = m_days
                    .insert_or_assign(start,
                                      Day { toInstant(day.addDays(1).startOfDay(m_zone)), day.toString(Qt::ISODate) })
                    .first;
    }
    m_lastStart = known->first;
    m_last = &known->second;
    return m_last->text;
}

}
