#include <gtest/gtest.h>

#include "runner/AnimationSpeed.h"

using namespace std::chrono_literals;

TEST(AnimationSpeed, RawValuesNamesAndIntervalsRoundTrip)
{
    const std::array<std::chrono::milliseconds, 4> intervals { 300ms, 167ms, 70ms, 40ms };
    for (int raw = 0; raw < 4; ++raw) {
        const std::optional<AnimationSpeed> speed = animationSpeedFromRaw(raw);
        ASSERT_TRUE(speed);
        EXPECT_EQ(static_cast<int>(*speed), raw);
        EXPECT_EQ(frameInterval(*speed), intervals[static_cast<std::size_t>(raw)]);
        EXPECT_EQ(animationSpeedFromName(QString(animationSpeedName(*speed))), speed);
    }
}

TEST(AnimationSpeed, RejectsValuesOutsideTheCases)
{
    EXPECT_FALSE(animationSpeedFromRaw(-1));
    EXPECT_FALSE(animationSpeedFromRaw(4));
    EXPECT_FALSE(animationSpeedFromName(u"Sprinting"));
    EXPECT_FALSE(animationSpeedFromName(u""));
    EXPECT_EQ(animationSpeedFromName(u"walking"), AnimationSpeed::Walking);
}
