#include <gtest/gtest.h>

#include "runner/AnimationSpeed.h"

TEST(AnimationSpeed, OnlyTheFourCasesConvert)
{
    EXPECT_EQ(animationSpeedFromRaw(3), AnimationSpeed::Sprinting);
    EXPECT_FALSE(animationSpeedFromRaw(-1));
    EXPECT_FALSE(animationSpeedFromRaw(4));
    for (const AnimationSpeed speed : allAnimationSpeeds)
        EXPECT_EQ(animationSpeedFromName(QString(animationSpeedName(speed))), speed);
    EXPECT_FALSE(animationSpeedFromName(u"Sprinting"));
    EXPECT_FALSE(animationSpeedFromName(u""));
}
