#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QLatin1StringView>
#include <QStringView>

#include "usage/ActivityLevel.h"

namespace pacemark {

// How fast the runner goes, slowest first: walking while active, faster as the rate of the last three
// minutes rises. The tray's runner and the status line read it from the same figures.
enum class Pace : std::uint8_t {
    Idle = 0,
    Walking = 1,
    Running = 2,
    Sprinting = 3,
};

inline constexpr std::array<Pace, 4> allPaces { Pace::Idle, Pace::Walking, Pace::Running, Pace::Sprinting };

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

// The pace named "idle", "walking", "running" or "sprinting".
inline std::optional<Pace> paceFromName(QStringView name)
{
    for (const Pace pace : allPaces) {
        if (name == paceName(pace))
            return pace;
    }
    return std::nullopt;
}

}
