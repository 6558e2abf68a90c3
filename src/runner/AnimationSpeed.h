#pragma once

#include <chrono>

#include "usage/Pace.h"

namespace pacemark {

// How fast the runner runs: the pace of the figures, which a debug option may override.
using AnimationSpeed = Pace;

// The time each frame stays on show.
constexpr std::chrono::milliseconds frameInterval(AnimationSpeed speed)
{
    switch (speed) {
    case AnimationSpeed::Idle:
        return std::chrono::milliseconds(300);
    case AnimationSpeed::Walking:
        return std::chrono::milliseconds(167);
    case AnimationSpeed::Running:
        return std::chrono::milliseconds(70);
    case AnimationSpeed::Sprinting:
        break;
    }
    return std::chrono::milliseconds(40);
}

}
