#include "basics/LocalCalendar.h"

#include <QDateTime>

namespace {

QDateTime toLocal(Instant instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count(), Qt::LocalTime);
}

Instant toInstant(const QDateTime& dateTime)
{
    return Instant { std::chrono::milliseconds { dateTime.toMSecsSinceEpoch() } };
}

}

Instant LocalCalendar::startOfDay(Instant instant)
{
    return toInstant(toLocal(instant).date().startOfDay(Qt::LocalTime));
}

std::optional<Instant> LocalCalendar::startOfDayBefore(Instant instant, int days)
{
    const QDate day = toLocal(instant).date().addDays(-days);
    const QDateTime start = day.startOfDay(Qt::LocalTime);
    if (!day.isValid() || !start.isValid())
        return std::nullopt;
    return toInstant(start);
}

const QString& DayFormatter::format(Instant instant)
{
    if (instant < m_dayStart || instant >= m_dayEnd) {
        const QDate day = toLocal(instant).date();
        m_day = day.toString(Qt::ISODate);
        m_dayStart = toInstant(day.startOfDay(Qt::LocalTime));
        m_dayEnd = toInstant(day.addDays(1).startOfDay(Qt::LocalTime));
    }
    return m_day;
}
