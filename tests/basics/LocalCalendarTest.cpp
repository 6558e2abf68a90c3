#include <random>

#include <QDateTime>

#include <gtest/gtest.h>

#include "basics/LocalCalendar.h"
#include "basics/SystemTimeZone.h"

using namespace pacemark;

// One formatter visits the days of a year in no order, as many short logs make it, in zones with
// daylight saving, a half-hour offset and a day skipped: each instant gets the day a conversion of
// its own gives.
TEST(DayFormatter, RemembersDaysVisitedInAnyOrder)
{
    for (const char* id : { "Europe/Berlin", "Asia/Kolkata", "America/Sao_Paulo", "Pacific/Apia", "UTC" }) {
        SCOPED_TRACE(id);
        const QTimeZone zone = SystemTimeZone::zone(id);
        DayFormatter formatter(zone);
        std::mt19937_64 random(7);
        const std::int64_t from
            = QDateTime::fromString(QStringLiteral("2011-01-01T00:00:00Z"), Qt::ISODate).toMSecsSinceEpoch();
        for (int i = 0; i < 20000; ++i) {
            // Whole quarter hours now and then, where days and offsets change.
            std::int64_t ms = from + static_cast<std::int64_t>(random() % (2LL * 365 * 86'400'000));
            if (i % 3 == 0)
                ms -= ms % 900'000;
            const QString expected = QDateTime::fromMSecsSinceEpoch(ms, zone).date().toString(Qt::ISODate);
            ASSERT_EQ(formatter.format(Instant(std::chrono::milliseconds(ms))), expected) << ms;
        }
    }
}
