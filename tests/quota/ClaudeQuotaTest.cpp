#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "Records.h"
#include "quota/ClaudeQuota.h"
#include "quota/ResetCountdown.h"
#include "quota/RetryAfter.h"

namespace {

using Window = ClaudeQuota::Window;
using Extra = ClaudeQuota::ExtraUsage;

QJsonObject object(const char* json)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json));
    EXPECT_TRUE(document.isObject()) << json;
    return document.object();
}

TEST(ClaudeQuotaTest, AWindowFallsBackMemberByMember)
{
    const std::pair<const char*, std::optional<Window>> cases[] = {
        { R"({"five_hour": null})", std::nullopt },
        { R"({"five_hour": "42"})", std::nullopt },
        { R"({"five_hour": {}})", Window { 0.0, std::nullopt } },
        { R"({"five_hour": {"utilization": 42}})", Window { 42.0, std::nullopt } },
        { R"({"five_hour": {"utilization": "42"}})", Window { 0.0, std::nullopt } },
        { R"({"five_hour": {"utilization": 130.5}})", Window { 130.5, std::nullopt } },
        { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T14:00:00Z"}})",
          Window { 1.0, instant("2025-06-01T14:00:00Z") } },
        { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T14:00:00.1+00:00"}})",
          Window { 1.0, instant("2025-06-01T14:00:00.100Z") } },
        { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T16:00:00.123456789+02:00"}})",
          Window { 1.0, instant("2025-06-01T14:00:00.123Z") } },
        { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01 14:00:00"}})", Window { 1.0, std::nullopt } },
        { R"({"five_hour": {"utilization": 1, "resets_at": "2025-06-01T14:00:00"}})", Window { 1.0, std::nullopt } },
        { R"({"five_hour": {"utilization": 1, "resets_at": 1748786400}})", Window { 1.0, std::nullopt } }
    };
    for (const auto& [json, expected] : cases)
        EXPECT_EQ(ClaudeQuota::parseWindow(object(json), QLatin1StringView("five_hour")), expected) << json;
}

TEST(ClaudeQuotaTest, ExtraUsageFallsBackMemberByMember)
{
    const Extra enabledOnly { true, 0, 0, 0.0, QStringLiteral("USD") };
    const std::pair<const char*, std::optional<Extra>> cases[]
        = { { R"({"extra_usage": null})", std::nullopt },
            { R"({"extra_usage": {"is_enabled": false, "monthly_limit": 5000}})", std::nullopt },
            { R"({"extra_usage": {"is_enabled": "true"}})", std::nullopt },
            { R"({"extra_usage": {"monthly_limit": 5000}})", std::nullopt },
            { R"({"extra_usage": {"is_enabled": true}})", enabledOnly },
            { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 5000, "used_credits": 1287.0,
                              "utilization": 25, "currency": "EUR"}})",
              Extra { true, 5000, 1287, 25.0, QStringLiteral("EUR") } },
            { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 50.5, "used_credits": "12"}})", enabledOnly },
            { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 1e300, "currency": 7}})", enabledOnly },
            { R"({"extra_usage": {"is_enabled": true, "used_credits": 9007199254740993}})",
              Extra { true, 0, 9007199254740993, 0.0, QStringLiteral("USD") } } };
    for (const auto& [json, expected] : cases)
        EXPECT_EQ(ClaudeQuota::parseExtraUsage(object(json)), expected) << json;
}

TEST(RetryAfterTest, GivesTheInstantOfTheNextAllowedRequest)
{
    const Instant now = instant("2026-01-02T15:00:00Z");
    const std::pair<const char*, int> cases[] = { { "", 300 },
                                                  { "120", 120 },
                                                  { " 120 ", 120 },
                                                  { "0", 0 },
                                                  { "3600", 3600 },
                                                  { "86400", 3600 },
                                                  { "99999999999999999999999", 3600 },
                                                  { "-5", 300 },
                                                  { "1.5", 300 },
                                                  { "soon", 300 },
                                                  { "Fri, 02 Jan 2026 15:10:00 GMT", 600 },
                                                  { "Fri, 02 Jan 2026 14:00:00 GMT", 0 },
                                                  { "Sat, 03 Jan 2026 15:00:00 GMT", 3600 },
                                                  { "Fri, 02 Jan 2026 15:10:00 +0000", 300 },
                                                  { "2026-01-02T15:10:00Z", 300 } };
    for (const auto& [header, wait] : cases)
        EXPECT_EQ(RetryAfter::retryAt(QByteArray(header), now), now + std::chrono::seconds(wait)) << header;
}

TEST(ResetCountdownTest, MatchesTheDashboardForm)
{
    const Instant now { std::chrono::milliseconds(1'767'366'000'000) };
    EXPECT_EQ(resetCountdown(std::nullopt, now), QString());
    // The odd 400 ms shows that part-minutes are cut, not rounded.
    QStringList shown;
    for (const long long secondsLeft :
         { -3600, -1, 0, 59, 42 * 60 + 5, 3599, 3600, 2 * 3600 + 5 * 60, 86399, 86400, 2 * 86400 + 5 * 3600 + 59 * 60 })
        shown << resetCountdown(now + std::chrono::seconds(secondsLeft) + std::chrono::milliseconds(400), now);
    EXPECT_EQ(shown.join(u','), QStringLiteral("리셋됨,리셋됨,0m,0m,42m,59m,1h 0m,2h 5m,23h 59m,1d 0h,2d 5h"));
}

}
