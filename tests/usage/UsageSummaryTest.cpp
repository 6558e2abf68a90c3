#include <limits>

#include <gtest/gtest.h>

#include "Records.h"
#include "usage/ModelColor.h"
#include "usage/TokenFormat.h"
#include "usage/UsageSummary.h"

namespace {

constexpr auto Max = std::numeric_limits<std::int64_t>::max();
constexpr auto Min = std::numeric_limits<std::int64_t>::min();

UsageSummary summarise(const std::vector<UsageRecord>& records)
{
    return UsageSummary::make(records, [](const QString& model, const QString& provider) {
        return provider + QLatin1Char(':') + model;
    });
}

TEST(UsageSummary, GroupsByProviderModelDaySession)
{
    const auto s = summarise({
        makeRecord({ .at = "2025-06-02T00:00:01Z", .output = 1, .session = "" }),
        makeRecord({ .at = "2025-06-01T23:59:59Z", .output = 50, .cacheWrite = 100, .cacheRead = 1000, .model = "claude-sonnet-4-5", .session = "a" }),
        makeRecord({ .at = "2025-06-02T08:00:00Z", .output = 20, .session = "b", .provider = "other" }),
        makeRecord({ .at = "2025-06-01T08:00:00Z", .input = 1, .model = "my_model_x", .session = "a" }),
    });
    QStringList ids;
    for (const auto& b : s.modelBreakdowns)
        ids << b.id();
    EXPECT_EQ(ids, (QStringList { QStringLiteral("claude-code_claude-sonnet-4-5"), QStringLiteral("other_claude-opus-4-1"),
                                  QStringLiteral("claude-code_claude-opus-4-1"), QStringLiteral("claude-code_my_model_x") }));
    EXPECT_EQ(s.modelBreakdowns[0].displayName, QStringLiteral("claude-code:claude-sonnet-4-5"));
    EXPECT_EQ(s.modelBreakdowns[0].totalTokens(), 1150);
    EXPECT_EQ(s.dailyData, (QList<DailyData> { { QStringLiteral("2025-06-01"), 1151, 50 }, { QStringLiteral("2025-06-02"), 21, 21 } }));
    ASSERT_EQ(s.providerSummaries.size(), 2);
    EXPECT_EQ(s.providerSummaries[0].providerId, QStringLiteral("claude-code"));
    EXPECT_EQ(s.providerSummaries[0].tokens, 1152);
    EXPECT_EQ(s.totalTokens, 1172);
    EXPECT_EQ(s.totalOutputTokens, 71);
    EXPECT_EQ(s.sessionCount, 2);
    EXPECT_EQ(s.lastActivityDate, instant("2025-06-02T08:00:00Z"));

    EXPECT_FALSE(summarise({}).lastActivityDate);
}

TEST(UsageSummary, SumsSaturateInsteadOfWrapping)
{
    const auto high = summarise({ makeRecord({ .at = "2025-06-01T09:00:00Z", .input = Max, .output = Max }),
                                  makeRecord({ .at = "2025-06-01T09:00:00Z", .cacheRead = Max, .model = "b" }) });
    EXPECT_EQ(high.totalTokens, Max);
    EXPECT_EQ(high.totalOutputTokens, Max);
    EXPECT_EQ(high.dailyData[0].totalTokens, Max);
    EXPECT_EQ(high.providerSummaries[0].tokens, Max);
    EXPECT_EQ(high.modelBreakdowns[0].totalTokens(), Max);
    const auto low = summarise({ makeRecord({ .at = "2025-06-01T09:00:00Z", .input = Min, .output = -1 }) });
    EXPECT_EQ(low.totalTokens, Min);
    EXPECT_EQ(makeRecord({ .at = "2025-06-01T09:00:00Z", .input = Max, .output = Min }).totalTokens(), -1);
}

TEST(TokenFormat, ShortForms)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        { 0, "0" }, { 999, "999" }, { 1000, "1.0K" }, { 1250, "1.2K" }, { 1350, "1.4K" }, { 999'999, "1000.0K" },
        { 1'000'000, "1.0M" }, { 2'500'001, "2.5M" }, { 999'999'999, "1000.0M" }, { 1'000'000'000, "1.0B" },
        { 1'234'567'890, "1.2B" }, { 12'345'678'901, "12.3B" }, { Max, "9223372036.9B" }, { -5000, "-5000" },
        { Min, "-9223372036854775808" },
    };
    for (const auto& [count, text] : cases)
        EXPECT_EQ(formatTokens(count), QLatin1StringView(text)) << count;
}

TEST(ModelColor, FamiliesInOrder)
{
    const std::pair<const char*, NamedColor> cases[] = {
        { "claude-opus-4-1-20250805", NamedColor::Purple }, { "CLAUDE-OPUS-4", NamedColor::Purple },
        { "opus-sonnet", NamedColor::Purple }, { "claude-sonnet-4-5", NamedColor::Blue },
        { "claude-3-5-haiku", NamedColor::Green }, { "gpt-4o-mini", NamedColor::Indigo }, { "gpt-3.5", NamedColor::Teal },
        { "Gemini-2.5-pro", NamedColor::Orange }, { "", NamedColor::Gray }, { "<synthetic>", NamedColor::Gray },
    };
    for (const auto& [model, color] : cases)
        EXPECT_EQ(modelColor(QString::fromUtf8(model)), color) << model;
}

}
