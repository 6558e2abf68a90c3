#pragma once

#include <cstdint>

#include <QLatin1StringView>

namespace pacemark {

// Time since the last activity, in four steps.
enum class ActivityLevel : std::uint8_t {
    Active = 0, // under 180 s
    Recent = 1, // under 1800 s
    Stale = 2, // under 3600 s
    Dormant = 3, // 3600 s or more, or no activity
};

inline QLatin1StringView activityLevelName(ActivityLevel level)
{
    switch (level) {
    case ActivityLevel::Active:
        return QLatin1StringView("active");
    case ActivityLevel::Recent:
        return QLatin1StringView("recent");
    case ActivityLevel::Stale:
        return QLatin1StringView("stale");
    case ActivityLevel::Dormant:
        break;
    }
    return QLatin1StringView("dormant");
}

}
