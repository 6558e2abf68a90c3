#include <gtest/gtest.h>

#include <cmath>

#include <QJsonDocument>

#include "basics/ManualClock.h"
#include "basics/TimestampParser.h"
#include "quota/QuotaForecast.h"

using namespace pacemark;

using namespace std::chrono_literals;

namespace {

const Instant Start = *TimestampParser::parse("2026-08-14T10:00:00Z");
const QString Fable = QStringLiteral("weekly:fable");

// Polls of one limit through the parser, each at its own instant on the test's clock.
class QuotaForecastTest : public ::testing::Test
{
protected:
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    // Minutes from the start to the forecast, or -1 without one.
    double poll(QuotaForecast& forecast, std::chrono::minutes at, double percent, Instant reset = Start + 24h)
    {
        m_clock.set(Start + at);
        ClaudeQuota quota = ClaudeQuota::fromJson(
            QJsonDocument::fromJson(R"({"limits": [{"kind": "weekly_scoped", "percent": )" + QByteArray::number(percent)
                                    + R"(, "resets_at": ")" + InstantFormat::toIsoUtcMillis(reset).toLatin1()
                                    + R"(", "scope": {"model": {"display_name": "Fable"}}}]})")
                .object());
        forecast.record(quota);
        const auto reached = quota.limits.at(0).forecastAt;
        return reached ? std::chrono::duration<double>(*reached - Start).count() / 60.0 : -1.0;
    }

    // One point every five minutes from 40 %: 100 % at 300 minutes.
    std::vector<double> steady(QuotaForecast& forecast, int until, Instant reset = Start + 24h)
    {
        std::vector<double> seen;
        for (int m = 0; m <= until; m += 5)
            seen.push_back(poll(forecast, std::chrono::minutes(m), 40 + m / 5, reset));
        return seen;
    }

    ManualClock m_clock { Start };
};

// Three samples over ten minutes with two points of rise are the first pace trusted; a restart
// keeps the samples; a forecast past the reset, or a limit already full, says nothing.
TEST_F(QuotaForecastTest, SteadyRiseAcrossARestart)
{
    QuotaForecast forecast;
    EXPECT_EQ(steady(forecast, 20), (std::vector<double> { -1, -1, 300, 300, 300 }));
    QuotaForecast restarted(QJsonDocument::fromJson(QJsonDocument(forecast.memory()).toJson()).object());
    EXPECT_EQ(restarted.samples(Fable), forecast.samples(Fable));
    EXPECT_EQ(poll(restarted, 25min, 45), 300);

    QuotaForecast late;
    EXPECT_EQ(steady(late, 20, Start + 4h), (std::vector<double>(5, -1)));
    EXPECT_EQ(poll(late, 25min, 100, Start + 4h), -1);
    // A day later the old samples are gone.
    EXPECT_TRUE(poll(restarted, 25h, 47, Start + 48h) == -1 && restarted.samples(Fable).size() == 1u);
}

TEST_F(QuotaForecastTest, NoForecastFromFlatFallingOrResetSeries)
{
    for (const auto& series : { std::vector<double> { 50, 50, 50, 50, 50, 50, 50 },
                                { 50, 49, 49, 48, 47, 47, 46 },
                                { 50, 50, 50, 51, 51, 51, 51 },
                                { 50, 51, 50, 51, 50, 51, 50 } }) {
        QuotaForecast forecast;
        for (std::size_t i = 0; i < series.size(); ++i)
            EXPECT_EQ(poll(forecast, std::chrono::minutes(5 * i), series[i]), -1) << i;
    }

    // A new reset time, or a fall of many points under the same one, starts the samples again.
    QuotaForecast forecast;
    steady(forecast, 30);
    EXPECT_TRUE(poll(forecast, 35min, 1) == -1 && forecast.samples(Fable).size() == 1u);
    const Instant next = Start + 40min + 5h;
    EXPECT_TRUE(poll(forecast, 40min, 0, next) == -1 && poll(forecast, 45min, 2, next) == -1);
    EXPECT_EQ(poll(forecast, 50min, 4, next), 50 + 96 * 2.5);

    // A damaged file is no history at all.
    QuotaForecast damaged(QJsonDocument::fromJson(R"({"a": 5, "weekly:fable": {"end": "x", "samples":
        [[1, "x"], [null, 3], [2], "a", [1786701600000, 40], [1786701000000, 41]]}})")
                              .object());
    EXPECT_EQ(damaged.samples(Fable).size(), 1u);
}

// Whole points from the server (0.15 points a minute from 60.2 %: 100 % at 265 minutes) and polls that
// go missing: from half an hour on, the projection stays near the truth and moves little between polls.
TEST_F(QuotaForecastTest, WholePointsAndMissedPollsDoNotMakeItJump)
{
    const double truth = (100.0 - 60.2) / 0.15;
    for (const bool gaps : { false, true }) {
        QuotaForecast forecast;
        double previous = -1;
        for (int m = 0; m <= 180; m += 5) {
            if (gaps && m % 60 >= 40 && m % 60 <= 50)
                continue;
            const double at = poll(forecast, std::chrono::minutes(m), std::floor(60.2 + 0.15 * m));
            if (m < 30)
                continue;
            EXPECT_LT(std::abs(at - truth), 0.1 * (truth - m)) << gaps << ' ' << m;
            EXPECT_TRUE(previous < 0 || std::abs(at - previous) < 0.1 * (truth - m)) << gaps << ' ' << m;
            previous = at;
        }
    }
}

}
