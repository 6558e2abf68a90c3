#pragma once

#include <map>
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

// Writes instants as their day in a zone, "yyyy-MM-dd". Remembers the bounds of every day it wrote,
// so a record costs a lookup instead of a time-zone conversion, and a run of records of one day two
// comparisons: many short logs visit the same days in no order.
class DayFormatter
{
public:
    explicit DayFormatter(QTimeZone zone);

    const QString& format(Instant instant);

private:
    struct Day
    {
        Instant end;
        QString text;
    };

    QTimeZone m_zone;
    // By the instant each day starts.
    std::map<Instant, Day> m_days;
    Instant m_lastStart = Instant::max();
    const Day* m_last = nullptr;
};

}
