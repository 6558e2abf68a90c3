#pragma once

#include <cstdint>

#include <QLatin1StringView>

#include "usage/ActivityLevel.h"

// How fast the runner goes, slowest first: walking while active, faster as the rate of the last three
// minutes rises. The tray's runner and the status line read it from the same figures.
enum class Pace : std::uint8_t {
    Idle = 0,
    Walking = 1,
    Running = 2,
    Sprinting = 3,
};

constexpr Pace paceFor(ActivityLevel level, std::int64_t tokensPerMinute)
{
    if (level != ActivityLevel::Active)
        return Pace::Idle;
    if (tokensPerMinute > 8000)
        return Pace::Sprinting;
    if (tokensPerMinute > 2000)
        return Pace::Running;
    return Pace::Walking;
}

inline QLatin1StringView paceName(Pace pace)
{
    switch (pace) {
    case Pace::Idle:
        return QLatin1StringView("idle");
    case Pace::Walking:
        return QLatin1StringView("walking");
    case Pace::Running:
        return QLatin1StringView("running");
    case Pace::Sprinting:
        break;
    }
    return QLatin1StringView("sprinting");
}
