#include <gtest/gtest.h>

#include "quota/ResetCountdown.h"

namespace {

TEST(ResetCountdownTest, MatchesTheDashboardForm)
{
    const Instant now { std::chrono::milliseconds(1'767'366'000'000) };
    EXPECT_EQ(resetCountdown(std::nullopt, now), QString());
    const std::pair<long long, const char16_t*> cases[] = { { -1, u"리셋됨" },
                                                            { -3600, u"리셋됨" },
                                                            { 0, u"0m" },
                                                            { 59, u"0m" },
                                                            { 42 * 60 + 5, u"42m" },
                                                            { 3599, u"59m" },
                                                            { 3600, u"1h 0m" },
                                                            { 2 * 3600 + 5 * 60, u"2h 5m" },
                                                            { 86399, u"23h 59m" },
                                                            { 86400, u"1d 0h" },
                                                            { 2 * 86400 + 5 * 3600 + 59 * 60, u"2d 5h" } };
    // The odd 400 ms shows that part-minutes are cut, not rounded.
    for (const auto& [secondsLeft, expected] : cases)
        EXPECT_EQ(resetCountdown(now + std::chrono::seconds(secondsLeft) + std::chrono::milliseconds(400), now),
                  QString::fromUtf16(expected))
            << secondsLeft << " s";
}

}
