#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "ingest/TimestampParser.h"
#include "quota/ClaudeQuota.h"
#include "usage/ManualClock.h"

namespace {

Instant at(std::string_view iso)
{
    return *TimestampParser::parse(iso);
}

QJsonObject object(const char* json)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json));
    EXPECT_TRUE(document.isObject()) << json;
    return document.object();
}

class ClaudeQuotaTest : public ::testing::Test
{
protected:
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    ManualClock m_clock { at("2026-01-02T15:00:00Z") };
};

TEST_F(ClaudeQuotaTest, DecodesARealAnswerOfTheEndpoint)
{
    const auto quota = ClaudeQuota::fromJson(object(R"({
        "five_hour": {"utilization": 42.0, "resets_at": "2026-01-02T19:59:59.600956+00:00"},
        "seven_day": {"utilization": 13, "resets_at": "2026-01-08T03:00:00.123456+09:00"},
        "seven_day_oauth_apps": null,
        "seven_day_opus": null,
        "seven_day_sonnet": {"utilization": 0.0, "resets_at": null},
        "iguana_necktie": null,
        "extra_usage": {"is_enabled": true, "monthly_limit": 5000, "used_credits": 1287.0,
                        "utilization": 25.74, "currency": null}
    })"));

    ASSERT_TRUE(quota.fiveHour);
    EXPECT_EQ(quota.fiveHour->utilizationPct, 42.0);
    EXPECT_EQ(quota.fiveHour->resetsAt, at("2026-01-02T19:59:59.600Z"));
    ASSERT_TRUE(quota.sevenDay);
    EXPECT_EQ(quota.sevenDay->utilizationPct, 13.0);
    EXPECT_EQ(quota.sevenDay->resetsAt, at("2026-01-07T18:00:00.123Z"));
    EXPECT_FALSE(quota.sevenDayOpus);
    ASSERT_TRUE(quota.sevenDaySonnet);
    EXPECT_EQ(*quota.sevenDaySonnet, (ClaudeQuota::Window { 0.0, std::nullopt }));
    ASSERT_TRUE(quota.extraUsage);
    EXPECT_EQ(
        *quota.extraUsage, (ClaudeQuota::ExtraUsage { true, 5000, 1287, 25.74, QStringLiteral("USD") }));
    EXPECT_EQ(quota.fetchedAt, at("2026-01-02T15:00:00Z"));
}

TEST_F(ClaudeQuotaTest, AnEmptyAnswerHasNothingButItsTime)
{
    const auto quota = ClaudeQuota::fromJson(QJsonObject {});
    EXPECT_FALSE(quota.fiveHour || quota.sevenDay || quota.sevenDayOpus || quota.sevenDaySonnet);
    EXPECT_FALSE(quota.extraUsage);
    EXPECT_EQ(quota.fetchedAt, at("2026-01-02T15:00:00Z"));
}

struct WindowCase
{
    const char* json;
    std::optional<ClaudeQuota::Window> expected;
};

// Case names for the test list: the JSON on one line.
std::string oneLine(const char* json)
{
    return QByteArray(json).simplified().toStdString();
}

void PrintTo(const WindowCase& c, std::ostream* os)
{
    *os << oneLine(c.json);
}

class ParseWindowTest : public ::testing::TestWithParam<WindowCase>
{
};

TEST_P(ParseWindowTest, FallsBackMemberByMember)
{
    EXPECT_EQ(ClaudeQuota::parseWindow(object(GetParam().json), QLatin1StringView("five_hour")),
        GetParam().expected)
        << GetParam().json;
}

INSTANTIATE_TEST_SUITE_P(Windows, ParseWindowTest,
    ::testing::Values(WindowCase { R"({})", std::nullopt },
        WindowCase { R"({"five_hour": null})", std::nullopt },
        WindowCase { R"({"five_hour": [1, 2]})", std::nullopt },
        WindowCase { R"({"five_hour": "42"})", std::nullopt },
        WindowCase { R"({"five_hour": {}})", ClaudeQuota::Window { 0.0, std::nullopt } },
        WindowCase { R"({"five_hour": {"utilization": 42}})", ClaudeQuota::Window { 42.0, std::nullopt } },
        WindowCase { R"({"five_hour": {"utilization": 42.0}})", ClaudeQuota::Window { 42.0, std::nullopt } },
        WindowCase { R"({"five_hour": {"utilization": "42"}})", ClaudeQuota::Window { 0.0, std::nullopt } },
        WindowCase {
            R"({"five_hour": {"utilization": 130.5}})", ClaudeQuota::Window { 130.5, std::nullopt } },
        WindowCase { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T14:00:00Z"}})",
            ClaudeQuota::Window { 1.0, at("2025-06-01T14:00:00Z") } },
        WindowCase { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T14:00:00.123Z"}})",
            ClaudeQuota::Window { 1.0, at("2025-06-01T14:00:00.123Z") } },
        WindowCase { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T14:00:00.1+00:00"}})",
            ClaudeQuota::Window { 1.0, at("2025-06-01T14:00:00.100Z") } },
        WindowCase {
            R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T16:00:00.123456789+02:00"}})",
            ClaudeQuota::Window { 1.0, at("2025-06-01T14:00:00.123Z") } },
        WindowCase { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01 14:00:00"}})",
            ClaudeQuota::Window { 1.0, std::nullopt } },
        WindowCase { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T14:00:00"}})",
            ClaudeQuota::Window { 1.0, std::nullopt } },
        WindowCase { R"({"five_hour": {"utilization": 1, "resets_at": 1748786400}})",
            ClaudeQuota::Window { 1.0, std::nullopt } }));

struct ExtraCase
{
    const char* json;
    std::optional<ClaudeQuota::ExtraUsage> expected;
};

void PrintTo(const ExtraCase& c, std::ostream* os)
{
    *os << oneLine(c.json);
}

class ParseExtraUsageTest : public ::testing::TestWithParam<ExtraCase>
{
};

TEST_P(ParseExtraUsageTest, FallsBackMemberByMember)
{
    EXPECT_EQ(ClaudeQuota::parseExtraUsage(object(GetParam().json)), GetParam().expected) << GetParam().json;
}

INSTANTIATE_TEST_SUITE_P(Extra, ParseExtraUsageTest,
    ::testing::Values(ExtraCase { R"({})", std::nullopt },
        ExtraCase { R"({"extra_usage": null})", std::nullopt },
        ExtraCase { R"({"extra_usage": {"is_enabled": false, "monthly_limit": 5000, "used_credits": 10}})",
            std::nullopt },
        ExtraCase { R"({"extra_usage": {"is_enabled": "true"}})", std::nullopt },
        ExtraCase { R"({"extra_usage": {"monthly_limit": 5000}})", std::nullopt },
        ExtraCase { R"({"extra_usage": {"is_enabled": true}})",
            ClaudeQuota::ExtraUsage { true, 0, 0, 0.0, QStringLiteral("USD") } },
        ExtraCase { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 5000, "used_credits": 1287.0,
                                        "utilization": 25, "currency": "EUR"}})",
            ClaudeQuota::ExtraUsage { true, 5000, 1287, 25.0, QStringLiteral("EUR") } },
        ExtraCase { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 50.5, "used_credits": "12"}})",
            ClaudeQuota::ExtraUsage { true, 0, 0, 0.0, QStringLiteral("USD") } },
        ExtraCase { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 1e300, "currency": 7}})",
            ClaudeQuota::ExtraUsage { true, 0, 0, 0.0, QStringLiteral("USD") } },
        ExtraCase { R"({"extra_usage": {"is_enabled": true, "used_credits": 9007199254740993}})",
            ClaudeQuota::ExtraUsage { true, 0, 9007199254740993, 0.0, QStringLiteral("USD") } }));

TEST_F(ClaudeQuotaTest, SnapshotsOfTheSameAnswerDifferByTheirTime)
{
    const QJsonObject answer = object(R"({"five_hour": {"utilization": 5}})");
    const auto first = ClaudeQuota::fromJson(answer);
    EXPECT_EQ(first, ClaudeQuota::fromJson(answer));
    m_clock.advance(std::chrono::milliseconds(1));
    const auto second = ClaudeQuota::fromJson(answer);
    EXPECT_NE(first, second);
    EXPECT_EQ(*first.fiveHour, *second.fiveHour);
}

}
