#pragma once

#include <optional>

#include <QString>
#include <QTimeZone>

#include "basics/Instant.h"

namespace pacemark {

// Calendar days in a given time zone, daylight-saving aware.
class LocalCalendar
{
public:
    // Midnight that starts the day of the instant.
    static Instant startOfDay(Instant instant, const QTimeZone& zone);
    // Midnight `days` calendar days before the day of the instant (not days x 24 h).
    static std::optional<Instant> startOfDayBefore(Instant instant, int days, const QTimeZone& zone);
};

// Writes instants as their day in a zone, "yyyy-MM-dd". Remembers the bounds of the last day it
// wrote, so a run of records of one day costs two comparisons instead of a time-zone conversion each.
class DayFormatter
{
public:
    explicit DayFormatter(QTimeZone zone);

    const QString& format(Instant instant);

private:
    QTimeZone m_zone;
    Instant m_dayStart = Instant::max();
    Instant m_dayEnd = Instant::min();
    QString m_day;
};

}
