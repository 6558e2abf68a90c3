#include <gtest/gtest.h>

#include <cmath>

#include <QJsonDocument>

#include "basics/ManualClock.h"
#include "basics/TimestampParser.h"
#include "quota/QuotaForecast.h"

using namespace std::chrono_literals;

namespace {

const Instant Start = *TimestampParser::parse("2026-08-14T10:00:00Z");
const Instant FarReset = Start + 24h;

// Polls of one limit through the parser, as the manager records them, each at its own instant.
class QuotaForecastTest : public ::testing::Test
{
protected:
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    std::optional<Instant> poll(QuotaForecast& forecast, std::chrono::seconds at, double percent,
                                Instant reset = FarReset)
    {
        m_clock.set(Start + at);
        const QByteArray answer = R"({"limits": [{"kind": "weekly_scoped", "percent": )" + QByteArray::number(percent)
            + R"(, "resets_at": ")" + InstantFormat::toIsoUtcMillis(reset).toLatin1()
            + R"(", "scope": {"model": {"display_name": "Fable"}}}]})";
        ClaudeQuota quota = ClaudeQuota::fromJson(QJsonDocument::fromJson(answer).object());
        forecast.record(quota);
        return quota.limits.at(0).forecastAt;
    }

    // Minutes from the start to the forecast, or -1 without one.
    static double minutes(std::optional<Instant> at)
    {
        return at ? std::chrono::duration<double>(*at - Start).count() / 60.0 : -1.0;
    }

    ManualClock m_clock { Start };
};

// A steady rise of one point every five minutes, from 40 %: 100 % at 300 minutes.
TEST_F(QuotaForecastTest, SteadyRiseNeedsThreeSamplesOverTenMinutesThenHoldsStill)
{
    QuotaForecast forecast;
    std::vector<double> seen;
    for (int m = 0; m <= 60; m += 5)
        seen.push_back(minutes(poll(forecast, std::chrono::minutes(m), 40 + m / 5)));
    // Two points of rise over ten minutes is the first pace trusted.
    EXPECT_EQ(seen, (std::vector<double> { -1, -1, 300, 300, 300, 300, 300, 300, 300, 300, 300, 300, 300 }));

    // Reached only after the reset: nothing to tell.
    QuotaForecast late;
    for (int m = 0; m <= 30; m += 5)
        EXPECT_FALSE(poll(late, std::chrono::minutes(m), 40 + m / 5, Start + 4h)) << m;
    // At the limit already: no forecast either.
    EXPECT_FALSE(poll(late, 35min, 100, Start + 4h));
}

// Flat, falling and barely moving series make no forecast; a reset starts the count again.
TEST_F(QuotaForecastTest, NoForecastFromFlatFallingOrResetSeries)
{
    const std::pair<const char*, std::vector<double>> flat[] = {
        { "flat", { 50, 50, 50, 50, 50, 50, 50 } },
        { "falling", { 50, 49, 49, 48, 47, 47, 46 } },
        { "one point in half an hour", { 50, 50, 50, 51, 51, 51, 51 } },
        { "back and forth", { 50, 51, 50, 51, 50, 51, 50 } },
    };
    for (const auto& [name, series] : flat) {
        QuotaForecast forecast;
        for (std::size_t i = 0; i < series.size(); ++i)
            EXPECT_FALSE(poll(forecast, std::chrono::minutes(5 * i), series[i])) << name << ' ' << i;
    }

    // The window resets (a new reset time, the percent back near zero): the old samples do not count.
    QuotaForecast forecast;
    for (int m = 0; m <= 30; m += 5)
        poll(forecast, std::chrono::minutes(m), 60 + m);
    const Instant nextReset = Start + 35min + 5h;
    EXPECT_FALSE(poll(forecast, 35min, 0, nextReset));
    EXPECT_FALSE(poll(forecast, 40min, 2, nextReset));
    EXPECT_EQ(minutes(poll(forecast, 45min, 4, nextReset)), 45 + 96 * 2.5);
    EXPECT_EQ(forecast.samples(QStringLiteral("weekly:fable")).size(), 3u);

    // A fall of many points under the same reset time is a reset the answer did not date.
    QuotaForecast undated;
    for (int m = 0; m <= 30; m += 5)
        poll(undated, std::chrono::minutes(m), 60 + m);
    EXPECT_FALSE(poll(undated, 35min, 1));
    EXPECT_EQ(undated.samples(QStringLiteral("weekly:fable")).size(), 1u);
}

// The server rounds to whole points and polls go missing: the projection stays near the true time
// (0.15 points a minute from 60.2 %: 100 % at 265 minutes) and moves little from poll to poll.
TEST_F(QuotaForecastTest, WholePointsAndMissedPollsDoNotMakeItJump)
{
    const double truth = (100.0 - 60.2) / 0.15;
    for (const bool gaps : { false, true }) {
        QuotaForecast forecast;
        double previous = -1;
        for (int m = 0; m <= 180; m += 5) {
            if (gaps && (m % 60 == 40 || m % 60 == 45 || m % 60 == 50))
                continue;
            const double at = minutes(poll(forecast, std::chrono::minutes(m), std::floor(60.2 + 0.15 * m)));
            if (m < 30)
                continue;
            ASSERT_GT(at, 0) << m;
            EXPECT_LT(std::abs(at - truth), 0.1 * (truth - m)) << "gaps " << gaps << " at " << m << ": " << at;
            if (previous > 0) {
                EXPECT_LT(std::abs(at - previous), 0.1 * (truth - m)) << "gaps " << gaps << " at " << m;
            }
            previous = at;
        }
    }
}

// The samples survive a restart through their saved form; a damaged file is no history at all.
TEST_F(QuotaForecastTest, ARestartKeepsTheCurrentPeriodsSamples)
{
    QuotaForecast running;
    QuotaForecast before;
    for (int m = 0; m <= 20; m += 5) {
        poll(running, std::chrono::minutes(m), 40 + m / 5);
        poll(before, std::chrono::minutes(m), 40 + m / 5);
    }
    QuotaForecast restarted(QJsonDocument::fromJson(QJsonDocument(before.memory()).toJson()).object());
    EXPECT_EQ(restarted.samples(QStringLiteral("weekly:fable")), running.samples(QStringLiteral("weekly:fable")));
    EXPECT_EQ(poll(restarted, 25min, 45), poll(running, 25min, 45));
    EXPECT_EQ(minutes(poll(restarted, 30min, 46)), 300);

    // Samples older than a day go; a new reset time drops the rest of the old period.
    QuotaForecast aged(restarted.memory());
    EXPECT_FALSE(poll(aged, 25h, 47, Start + 48h));
    EXPECT_EQ(aged.samples(QStringLiteral("weekly:fable")).size(), 1u);

    for (const char* damaged :
         { R"({"weekly:fable": 5})", R"({"weekly:fable": {"samples": [[1, "x"], [null, 3], [2], "a"]}})",
           R"({"weekly:fable": {"end": "x", "samples": [[1786701600000, 40], [1786701000000, 41]]}})" }) {
        QuotaForecast forecast(QJsonDocument::fromJson(damaged).object());
        EXPECT_LE(forecast.samples(QStringLiteral("weekly:fable")).size(), 1u) << damaged;
        EXPECT_FALSE(poll(forecast, 0s, 40)) << damaged;
    }
}

}
