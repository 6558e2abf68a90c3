#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "Records.h"
#include "quota/ClaudeQuota.h"

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

}
