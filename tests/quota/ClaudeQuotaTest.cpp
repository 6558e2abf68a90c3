#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "Records.h"
#include "UsageAnswers.h"
#include "quota/ClaudeQuota.h"
#include "quota/ResetCountdown.h"
#include "quota/RetryAfter.h"

using namespace pacemark;

namespace {

using Window = ClaudeQuota::Window;
using Extra = ClaudeQuota::ExtraUsage;

QJsonObject object(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    EXPECT_TRUE(document.isObject()) << json.left(200).constData();
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

// Any member of any type, in any number: a clear result and no limit that the answer does not give.
TEST(ClaudeQuotaTest, LimitsTakeWhatTheAnswerGivesAndNothingElse)
{
    const char* const fable = R"("scope": {"model": {"id": null, "display_name": "Fable"}, "surface": null})";
    const std::pair<QByteArray, const char*> cases[] = {
        { R"({"limits": 5, "tangelo": {"utilization": 99}, "nimbus_quill": {"utilization": 0.0}})", "" },
        { R"({"limits": {"kind": "session", "percent": 5}})", "" },
        { R"({"limits": [1, "x", null, [], {"kind": 3}, {"kind": "monthly", "percent": 50}]})", "" },
        { R"({"limits": [{"kind": "session", "percent": "50", "resets_at": 7}]})", "" },
        { R"({"limits": [{"kind": "session", "percent": 150, "resets_at": "soon", "severity": 2}]})", "5시간 150 *" },
        { R"({"limits": [{"kind": "weekly_all", "percent": -5, "severity": "warning", "is_active": "true"}]})",
          "주간 -5 warning *" },
        { R"({"limits": [{"kind": "weekly_scoped", "percent": 50, "scope": null},
                         {"kind": "weekly_scoped", "percent": 50, "scope": {"model": {"display_name": "  "}}},
                         {"kind": "weekly_scoped", "scope": {"model": {"display_name": "Fable"}}, "percent": null}]})",
          "" },
        { R"({"limits": [{"kind": "weekly_scoped", "percent": 9, "scope": {"model": null,
                          "surface": {"display_name": "Claude Code"}}}]})",
          "Claude Code 9 *" },
        // One limit twice keeps the entry that stops the account first.
        { QByteArray(R"({"limits": [{"kind": "weekly_scoped", "percent": 40, )") + fable
              + R"(}, {"kind": "weekly_scoped", "percent": 60, "scope": {"model": {"display_name": "fable"}}}]})",
          "fable 60 *" },
        { QByteArray(R"({"limits": [{"kind": "weekly_scoped", "percent": 40, "is_active": true, )") + fable
              + R"(}, {"kind": "weekly_scoped", "percent": 60, )" + fable
              + R"(}, {"kind": "session", "percent": 70}]})",
          "5시간 70 | Fable 40 *" },
        // The legacy members fill in only what the list lacks.
        { R"({"five_hour": {"utilization": 10, "resets_at": "2026-07-02T02:10:00Z"},
              "limits": [{"kind": "session", "percent": 12}]})",
          "5시간 12 2026-07-02T02:10:00.000Z *" },
        { R"({"seven_day_opus": {"utilization": 0.0}, "seven_day_sonnet": {"utilization": 3},
              "limits": [{"kind": "weekly_scoped", "percent": 20, "scope": {"model": {"display_name": "Sonnet"}}}]})",
          "Sonnet 20 *" },
        { R"({"seven_day_opus": {"utilization": 4}, "seven_day": {}})", "주간 0 | Opus 4 *" },
    };
    for (const auto& [json, expected] : cases)
        EXPECT_EQ(UsageAnswers::describe(ClaudeQuota::parseLimits(object(json))), QString::fromUtf8(expected))
            << json.constData();

    // The two account-wide windows keep their meaning when only the list carries them.
    const ClaudeQuota fromList = ClaudeQuota::fromJson(object(R"({"five_hour": null, "seven_day": null, "limits": [
        {"kind": "weekly_all", "percent": 48}, {"kind": "session", "percent": 15, "resets_at": "2026-07-02T02:10:00Z"}]})"));
    EXPECT_EQ(fromList.fiveHour, (Window { 15.0, instant("2026-07-02T02:10:00Z") }));
    EXPECT_EQ(fromList.sevenDay, (Window { 48.0, std::nullopt }));
    EXPECT_EQ(fromList.bindingLimit()->kind, ClaudeQuota::Limit::Kind::weekly);

    // Ten thousand entries of each kind: one session, and as many scoped limits as a card can hold.
    QByteArray many = R"({"limits": [)";
    for (int i = 0; i < 10000; ++i)
        many += R"({"kind": "session", "percent": )" + QByteArray::number(i % 100)
            + R"(}, {"kind": "weekly_scoped", "percent": 1, "scope": {"model": {"display_name": ")"
            + QByteArray::number(i) + R"("}}},)";
    many.chop(1);
    const auto limits = ClaudeQuota::parseLimits(object(many + "]}"));
    ASSERT_EQ(limits.size(), 33u);
    EXPECT_EQ(UsageAnswers::describe({ limits.front() }), u"5시간 99 *");
}

TEST(ClaudeQuotaTest, ExtraUsageReadsTheMoneyInItsOwnCurrencyAndPrecision)
{
    const Extra enabledOnly { true, std::nullopt, 0, 0.0, QStringLiteral("USD"), 2, {} };
    const std::pair<const char*, std::optional<Extra>> cases[] = {
        { R"({"extra_usage": null})", std::nullopt },
        { R"({"extra_usage": {"is_enabled": false, "monthly_limit": 5000}})", std::nullopt },
        { R"({"extra_usage": {"is_enabled": "true", "disabled_reason": 5}})", std::nullopt },
        { R"({"extra_usage": {"is_enabled": true}})", enabledOnly },
        { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 5000, "used_credits": 1287.0,
                              "utilization": 25, "currency": "EUR"}})",
          Extra { true, 5000, 1287, 25.0, QStringLiteral("EUR"), 2, {} } },
        { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 50.5, "used_credits": "12"}})", enabledOnly },
        { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 1e300, "currency": 7, "decimal_places": 99}})",
          enabledOnly },
        { R"({"extra_usage": {"is_enabled": true, "monthly_limit": null, "used_credits": 9007199254740993}})",
          Extra { true, std::nullopt, 9007199254740993, 0.0, QStringLiteral("USD"), 2, {} } },
        { R"({"extra_usage": {"is_enabled": true, "monthly_limit": 5000, "used_credits": 1200, "currency": "JPY",
                              "decimal_places": 0}})",
          Extra { true, 5000, 1200, 0.0, QStringLiteral("JPY"), 0, {} } },
        { R"({"extra_usage": {"is_enabled": false, "monthly_limit": 25000, "used_credits": 8.0, "utilization": 0.032,
                              "disabled_reason": "out_of_credits"}})",
          Extra { false, 25000, 8, 0.032, QStringLiteral("USD"), 2, QStringLiteral("out_of_credits") } },
        // "spend" fills in what "extra_usage" lacks, in its own exponent.
        { R"({"extra_usage": {"is_enabled": true, "currency": null, "decimal_places": null},
              "spend": {"used": {"amount_minor": 1287, "currency": "EUR", "exponent": 2},
                        "limit": {"amount_minor": 50, "currency": "EUR", "exponent": 0}}})",
          Extra { true, 5000, 1287, 0.0, QStringLiteral("EUR"), 2, {} } },
        { R"({"spend": {"enabled": false, "disabled_reason": "out_of_credits", "percent": 12,
                        "used": {"amount_minor": 5, "currency": "USD", "exponent": 2}, "limit": null}})",
          Extra { false, std::nullopt, 5, 12.0, QStringLiteral("USD"), 2, QStringLiteral("out_of_credits") } },
    };
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
