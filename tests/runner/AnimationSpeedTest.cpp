#include <gtest/gtest.h>

#include "runner/AnimationSpeed.h"

TEST(AnimationSpeed, OnlyTheFourNamesParse)
{
    for (const AnimationSpeed speed : allPaces)
        EXPECT_EQ(paceFromName(QString(paceName(speed))), speed);
    EXPECT_FALSE(paceFromName(u"Sprinting"));
    EXPECT_FALSE(paceFromName(u""));
}
