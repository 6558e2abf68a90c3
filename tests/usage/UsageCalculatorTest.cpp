#include <memory>

#include <gtest/gtest.h>

#include "Records.h"
#include "usage/UsageCalculator.h"

using namespace pacemark;

namespace {

// A provider that hands out fixed records.
class FixedProvider final : public AIUsageProvider
{
public:
    FixedProvider(QString id, std::vector<UsageRecord> records)
        : m_id(std::move(id))
    {
        m_records.append(std::make_shared<const RecordBatch>(std::move(records)));
    }
    QString id() const override { return m_id; }
    QString name() const override { return m_id.toUpper(); }
    QString icon() const override { return QStringLiteral("*"); }
    bool isAvailable() const override { return true; }
    std::vector<std::string> watchDirectories() const override { return {}; }
    RecordList fetchRecords() override { return m_records; }
    QString displayName(const QString& model) const override { return m_id + QLatin1Char('/') + model; }

private:
    QString m_id;
    RecordList m_records;
};

// The calculator alone: records, an instant and a zone in, every figure out, nothing else involved.
TEST(UsageCalculator, FiguresOfTwoProvidersInAZoneWithTheRateActivityAndCostRules)
{
    const UsageCalculator::Providers providers {
        std::make_shared<FixedProvider>(
            QStringLiteral("claude-code"),
            std::vector<UsageRecord> {
                // The 9th in UTC, already the 10th in Seoul.
                makeRecord({ .at = "2025-06-09T16:00:00Z", .input = 1000, .id = "a" }),
                makeRecord({ .at = "2025-06-10T02:58:00Z", .input = 100, .output = 200, .cacheRead = 5000, .id = "b" }),
            }),
        std::make_shared<FixedProvider>(
            QStringLiteral("other"),
            std::vector<UsageRecord> { makeRecord(
                { .at = "2025-06-10T02:59:00Z", .output = 1, .model = "m-9", .provider = "other", .id = "c" }) }),
    };
    const Instant now = instant("2025-06-10T03:00:00Z");
    UsageCalculator calculator;
    const auto prices = std::make_shared<const PriceTable>(PriceTable::builtIn());

    const auto seoul
        = calculator.compute(UsageCalculator::read(providers), providers, now, QTimeZone("Asia/Seoul"), prices);
    EXPECT_EQ(seoul.today.totalTokens, 1000 + 5300 + 1);
    EXPECT_EQ(seoul.cumulativeTokens, 6301);
    EXPECT_EQ(seoul.today.providerSummaries.size(), 2);
    EXPECT_EQ(seoul.today.providerSummaries.first().providerName, QStringLiteral("CLAUDE-CODE"));
    EXPECT_TRUE(seoul.active && seoul.lastActivity() == instant("2025-06-10T02:59:00Z"));
    // Input and output of the last three minutes, per minute; cache reads do not count.
    EXPECT_EQ(seoul.tokensPerMinute(now), 301 / 3);
    EXPECT_EQ(seoul.tokensPerMinute(now + std::chrono::minutes(2)), 0);
    EXPECT_EQ(seoul.activityLevel(now + std::chrono::minutes(40)), ActivityLevel::Stale);
    // A model without a price adds nothing to the cost, and does not hide the others'.
    ASSERT_TRUE(seoul.todayCostUsd());
    EXPECT_NEAR(*seoul.todayCostUsd(), seoul.today.totalCost.usd, 0);
    EXPECT_EQ(seoul.today.totalCost.unpricedTokens, 1);
    EXPECT_FALSE(UsageSnapshot::shownCost({ 0, 5 }, 5));

    const auto utc = calculator.compute(UsageCalculator::read(providers), providers, now, QTimeZone::utc(), prices);
    EXPECT_EQ(utc.today.totalTokens, 5301);
    EXPECT_EQ(utc.weeklyData.size(), 2);
    // Each source's share, also of one with nothing today, and its own rate.
    const auto early = calculator.compute(UsageCalculator::read(providers), providers, instant("2025-06-11T10:00:00Z"),
                                          QTimeZone::utc(), prices);
    ASSERT_EQ(utc.sources.size(), 2u);
    const SourceFigures& claude = utc.sources[0];
    EXPECT_TRUE(claude.name == QStringLiteral("CLAUDE-CODE") && claude.todayTokens == 5300
                && claude.allTimeTokens == 6300 && claude.allTimeCost.usd > claude.todayCost.usd
                && claude.todayCost.usd > 0);
    EXPECT_TRUE(utc.sources[1].todayTokens == 1 && utc.sources[1].allTimeCost.unpricedTokens == 1);
    EXPECT_EQ(utc.tokensPerMinute(now, utc.sources[1].id), 0);
    EXPECT_EQ(utc.tokensPerMinute(now, claude.id), 300 / 3);
    EXPECT_TRUE(early.sources[1].todayTokens == 0 && early.sources[1].allTimeTokens == 1);
    // Without a price table entry for any model, the cost is unknown rather than nought.
    const auto bare = calculator.compute(UsageCalculator::read(providers), providers, now, QTimeZone::utc(),
                                         std::make_shared<const PriceTable>());
    EXPECT_FALSE(bare.todayCostUsd());
}

}
