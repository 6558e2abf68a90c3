#include <gtest/gtest.h>

#include "views/DashboardFormat.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

namespace F = DashboardFormat;

// The thresholds and the edges; ordinary values are read off the rendered popover in its own test.
TEST(DashboardFormat, ThresholdsEdgesAndRoundAxisSteps)
{
    const std::tuple<qint64, int, NamedColor> meter[] {
        { -5, 0, NamedColor::Green },    { 1, 1, NamedColor::Green },    { 400, 1, NamedColor::Green },
        { 401, 2, NamedColor::Green },   { 1000, 2, NamedColor::Green }, { 1001, 3, NamedColor::Orange },
        { 1999, 3, NamedColor::Orange }, { 2000, 4, NamedColor::Red }
    };
    for (const auto& [rate, level, color] : meter) {
        EXPECT_EQ(F::meterLevel(rate), level) << rate;
        EXPECT_TRUE(level == 0 || F::meterColor(level) == color) << rate;
    }
    const std::pair<double, NamedColor> quota[] {
        { 69.99, NamedColor::Green }, { 70, NamedColor::Orange }, { 89.9, NamedColor::Orange }, { 90, NamedColor::Red }
    };
    for (const auto& [pct, color] : quota)
        EXPECT_EQ(F::quotaColor(pct), color) << pct;

    // One decimal, or a bare zero without a total.
    const std::tuple<qint64, qint64, const char*> shares[] { { 0, 0, "0%" },    { 500, 0, "0%" },
                                                             { 5, -3, "0%" },   { 1, 3, "33.3%" },
                                                             { 2, 3, "66.7%" }, { 8000, 8000, "100.0%" },
                                                             { 0, 1, "0.0%" } };
    for (const auto& [today, cumulative, text] : shares)
        EXPECT_EQ(F::todayShareText(today, cumulative), QString::fromLatin1(text)) << today << '/' << cumulative;

    EXPECT_DOUBLE_EQ(F::modelShare(500, 0), 0.0);
    EXPECT_DOUBLE_EQ(F::shareBarWidth(0, 1.0), 2.0);
    EXPECT_DOUBLE_EQ(F::quotaFillWidth(200, -4), 0.0);
    EXPECT_EQ(F::percentText(2.5), u"2%"_s);
    EXPECT_EQ(F::dayLabel(u"2025--03-07"_s), u"03/07"_s);
    EXPECT_EQ(F::dayLabel(u"2025-03"_s), u"2025-03"_s);
    EXPECT_EQ(F::dayLabel(QString()), QString());
    EXPECT_EQ(F::axisLabel(0), u"0"_s);
    EXPECT_EQ(F::axisLabel(0.5), QString());

    EXPECT_EQ(F::niceAxisValues(0), QList<double> { 0.0 });
    EXPECT_EQ(F::niceAxisValues(37'000), (QList<double> { 0, 10'000, 20'000, 30'000, 40'000 }));
    EXPECT_EQ(F::niceAxisValues(8), (QList<double> { 0, 2, 4, 6, 8 }));
    for (double top : { 1.0, 7.0, 999.0, 12'345'678.0, 3.2e10 }) {
        const auto values = F::niceAxisValues(top);
        EXPECT_GE(values.last(), top);
        EXPECT_LE(values.size(), 6);
    }
}
