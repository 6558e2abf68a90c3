#include <gtest/gtest.h>

#include "runner/AnimationSpeed.h"

TEST(AnimationSpeed, OnlyTheFourNamesParse)
{
    for (const AnimationSpeed speed : allAnimationSpeeds)
        EXPECT_EQ(animationSpeedFromName(QString(animationSpeedName(speed))), speed);
    EXPECT_FALSE(animationSpeedFromName(u"Sprinting"));
    EXPECT_FALSE(animationSpeedFromName(u""));
}
