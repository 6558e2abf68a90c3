#include <gtest/gtest.h>

#include "views/HistoryModel.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

namespace {

QVariantMap cell(const HistoryModel& model, int index)
{
    return model.cells().value(index).toMap();
}

// Twelve months back from today's month, Sunday in the top row, colour steps at the quartiles of the
// days with usage, the month totals.
TEST(HistoryModel, WeeksMonthsAndColourSteps)
{
    QList<DailyData> days;
    // 2026-03-01 is a Sunday; 2025-04-01 a Tuesday.
    for (int i = 1; i <= 7; ++i)
        days.append({ u"2026-03-0%1"_s.arg(i), i * 100, i });
    days.prepend({ u"2025-04-01"_s, 5000, 0 });
    HistoryModel model;
    model.setDays(days);

    ASSERT_EQ(model.months().size(), 12);
    const QVariantMap first = model.months().first().toMap();
    EXPECT_TRUE(first.value(u"label"_s) == u"4월"_s && first.value(u"total"_s) == u"5.0K"_s);
    EXPECT_EQ(model.months().last().toMap().value(u"total"_s), u"2.8K"_s);
    EXPECT_EQ(model.totalText(), u"12개월 7.8K 토큰"_s);

    // 2025-04-01 .. 2026-03-07: 341 days from a Tuesday, so 49 weeks.
    ASSERT_EQ(model.cells().size(), 341);
    EXPECT_EQ(model.weekCount(), 49);
    EXPECT_TRUE(cell(model, 0).value(u"row"_s) == 2 && cell(model, 0).value(u"level"_s) == 4);
    EXPECT_EQ(cell(model, 1).value(u"level"_s), 0);
    // The first week of March, Sunday to Saturday: one colour step every two days.
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(cell(model, 334 + day).value(u"row"_s), day) << day;
        EXPECT_EQ(cell(model, 334 + day).value(u"level"_s), day / 2 + 1) << day;
    }
    EXPECT_EQ(cell(model, 340).value(u"text"_s), u"2026년 3월 7일 · 700 토큰 (출력 7) · $0.00"_s);
}

}
