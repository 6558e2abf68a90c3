#include <gtest/gtest.h>

#include "Records.h"
#include "basics/LocalCalendar.h"
#include "usage/UsageSummary.h"

using namespace pacemark;

// In Berlin summer time starts on 2025-03-30 (a 23-hour day) and ends on 2025-10-26 (a 25-hour day).
namespace {

const QTimeZone Berlin("Europe/Berlin");

TEST(DaylightSaving, MidnightsTheWeekCutoffAndDaysOfTwentyThreeAndTwentyFiveHours)
{
    EXPECT_EQ(LocalCalendar::startOfDay(instant("2025-03-31T10:00:00Z"), Berlin), instant("2025-03-30T22:00:00Z"));
    EXPECT_EQ(LocalCalendar::startOfDayBefore(instant("2025-03-31T10:00:00Z"), 7, Berlin),
              instant("2025-03-23T23:00:00Z"));
    EXPECT_EQ(LocalCalendar::startOfDay(instant("2025-10-27T10:00:00Z"), Berlin), instant("2025-10-26T23:00:00Z"));
    EXPECT_EQ(LocalCalendar::startOfDayBefore(instant("2025-10-27T10:00:00Z"), 7, Berlin),
              instant("2025-10-19T22:00:00Z"));

    // Across batches, and records dated later than now still count.
    RecordList list;
    list.append(std::make_shared<const RecordBatch>(
        std::vector<UsageRecord> { makeRecord({ .at = "2025-03-23T22:59:59.999Z", .output = 1 }),
                                   makeRecord({ .at = "2025-03-23T23:00:00Z", .output = 2 }) }));
    list.append(std::make_shared<const RecordBatch>(
        std::vector<UsageRecord> { makeRecord({ .at = "2025-01-01T00:00:00Z", .output = 3 }),
                                   makeRecord({ .at = "2025-04-20T00:00:00Z", .output = 4 }) }));
    const auto week = UsageSummary::recordsOfLastWeek(list, instant("2025-03-31T10:00:00Z"), Berlin);
    ASSERT_EQ(week.size(), 2u);
    EXPECT_TRUE(week[0].outputTokens == 2 && week[1].outputTokens == 4);

    // Days of twenty-three and twenty-five hours.
    const char* times[] = {
        "2025-03-29T22:59:59Z", "2025-03-29T23:00:00Z", "2025-03-30T21:59:59Z", "2025-03-30T22:00:00Z",
        "2025-10-25T21:59:59Z", "2025-10-25T22:00:00Z", "2025-10-26T00:30:00Z", "2025-10-26T01:30:00Z",
        "2025-10-26T22:59:59Z", "2025-10-26T23:00:00Z",
    };
    std::vector<UsageRecord> records;
    for (std::int64_t i = 0; i < 10; ++i)
        records.push_back(makeRecord({ .at = times[9 - i], .output = 1ll << (9 - i) }));
    QStringList days;
    QList<qint64> outputs;
    for (const auto& d : UsageSummary::make(records, Berlin, {}).dailyData) {
        days << d.dateString;
        outputs << d.outputTokens;
    }
    EXPECT_EQ(days.join(QLatin1Char(' ')),
              QStringLiteral("2025-03-29 2025-03-30 2025-03-31 2025-10-25 2025-10-26 2025-10-27"));
    EXPECT_EQ(outputs, (QList<qint64> { 1, 2 + 4, 8, 16, 32 + 64 + 128 + 256, 512 }));
}

}
