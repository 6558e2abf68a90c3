#include <gtest/gtest.h>

#include "views/HistoryModel.h"

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
        days.append({ QStringLiteral("2026-03-0%1").arg(i), i * 100, i });
    days.prepend({ QStringLiteral("2025-04-01"), 5000, 0 });
    HistoryModel model;
    model.setDays(days);

    ASSERT_EQ(model.months().size(), 12);
    EXPECT_EQ(model.months().first().toMap().value(QStringLiteral("label")), QStringLiteral("4월"));
    EXPECT_EQ(model.months().first().toMap().value(QStringLiteral("total")), QStringLiteral("5.0K"));
    EXPECT_EQ(model.months().last().toMap().value(QStringLiteral("total")), QStringLiteral("2.8K"));
    EXPECT_EQ(model.totalText(), QStringLiteral("12개월 7.8K 토큰"));

    // 2025-04-01 .. 2026-03-07: 341 days from a Tuesday, so 49 weeks.
    ASSERT_EQ(model.cells().size(), 341);
    EXPECT_EQ(model.weekCount(), 49);
    EXPECT_EQ(cell(model, 0).value(QStringLiteral("row")), 2);
    EXPECT_EQ(cell(model, 0).value(QStringLiteral("level")), 4);
    EXPECT_EQ(cell(model, 1).value(QStringLiteral("level")), 0);
    const struct
    {
        int index;
        int row;
        int level;
    } march[] {
        { 334, 0, 1 }, { 335, 1, 1 }, { 336, 2, 2 }, { 337, 3, 2 }, { 338, 4, 3 }, { 339, 5, 3 }, { 340, 6, 4 }
    };
    for (const auto& c : march) {
        EXPECT_EQ(cell(model, c.index).value(QStringLiteral("row")), c.row) << c.index;
        EXPECT_EQ(cell(model, c.index).value(QStringLiteral("level")), c.level) << c.index;
    }
    EXPECT_EQ(cell(model, 340).value(QStringLiteral("text")),
              QStringLiteral("2026년 3월 7일 · 700 토큰 (출력 7) · $0.00"));
}

}
