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
    if (instant < m_dayStart || instant >= m_dayEnd) {
        const QDate day = toLocal(instant, m_zone).date();
        m_day = day.toString(Qt::ISODate);
        m_dayStart = toInstant(day.startOfDay(m_zone));
        m_dayEnd = toInstant(day.addDays(1).startOfDay(m_zone));
    }
    return m_day;
}

}
