#include <gtest/gtest.h>

#include "quota/ResetCountdown.h"

namespace {

struct CountdownCase
{
    std::optional<long long> secondsLeft;
    const char16_t* expected;
};

void PrintTo(const CountdownCase& c, std::ostream* os)
{
    if (c.secondsLeft)
        *os << *c.secondsLeft << " s";
    else
        *os << "no reset time";
}

class ResetCountdownTest : public ::testing::TestWithParam<CountdownCase>
{
};

TEST_P(ResetCountdownTest, MatchesTheDashboardForm)
{
    const Instant now { std::chrono::milliseconds(1'767'366'000'000) };
    std::optional<Instant> resetsAt;
    if (GetParam().secondsLeft)
        resetsAt = now + std::chrono::seconds(*GetParam().secondsLeft) + std::chrono::milliseconds(400);
    EXPECT_EQ(resetCountdown(resetsAt, now), QString::fromUtf16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Countdowns, ResetCountdownTest,
    ::testing::Values(CountdownCase { std::nullopt, u"" }, CountdownCase { -1, u"리셋됨" },
        CountdownCase { -3600, u"리셋됨" }, CountdownCase { 0, u"0m" }, CountdownCase { 59, u"0m" },
        CountdownCase { 42 * 60 + 5, u"42m" }, CountdownCase { 3599, u"59m" },
        CountdownCase { 3600, u"1h 0m" }, CountdownCase { 2 * 3600 + 5 * 60, u"2h 5m" },
        CountdownCase { 86399, u"23h 59m" }, CountdownCase { 86400, u"1d 0h" },
        CountdownCase { 2 * 86400 + 5 * 3600 + 59 * 60, u"2d 5h" }));

}
