#pragma once

#include <optional>

#include <QString>

#include "basics/Instant.h"

// Local calendar days in the process's time zone (TZ is honoured), daylight-saving aware.
class LocalCalendar
{
public:
    // Local midnight that starts the day of the instant.
    static Instant startOfDay(Instant instant);
    // Local midnight `days` calendar days before the day of the instant (not days x 24 h).
    static std::optional<Instant> startOfDayBefore(Instant instant, int days);
};

// Writes instants as their local day, "yyyy-MM-dd". Remembers the bounds of the last day it wrote,
// so a run of records of one day costs two comparisons instead of a time-zone conversion each.
class DayFormatter
{
public:
    const QString& format(Instant instant);

private:
    Instant m_dayStart = Instant::max();
    Instant m_dayEnd = Instant::min();
    QString m_day;
};
