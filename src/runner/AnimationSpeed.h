#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include <QLatin1StringView>
#include <QStringView>

// How fast the runner runs, slowest first.
enum class AnimationSpeed : std::uint8_t {
    Idle = 0,
    Walking = 1,
    Running = 2,
    Sprinting = 3,
};

inline constexpr std::array<AnimationSpeed, 4> allAnimationSpeeds {
    AnimationSpeed::Idle,
    AnimationSpeed::Walking,
    AnimationSpeed::Running,
    AnimationSpeed::Sprinting,
};

// No value for a raw value outside 0..3.
constexpr std::optional<AnimationSpeed> animationSpeedFromRaw(int raw)
{
    if (raw < 0 || raw >= static_cast<int>(allAnimationSpeeds.size()))
        return std::nullopt;
    return allAnimationSpeeds[static_cast<std::size_t>(raw)];
}

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

inline QLatin1StringView animationSpeedName(AnimationSpeed speed)
{
    switch (speed) {
    case AnimationSpeed::Idle:
        return QLatin1StringView("idle");
    case AnimationSpeed::Walking:
        return QLatin1StringView("walking");
    case AnimationSpeed::Running:
        return QLatin1StringView("running");
    case AnimationSpeed::Sprinting:
        break;
    }
    return QLatin1StringView("sprinting");
}

// The speed named "idle", "walking", "running" or "sprinting", as a command line gives it.
inline std::optional<AnimationSpeed> animationSpeedFromName(QStringView name)
{
    for (const AnimationSpeed speed : allAnimationSpeeds) {
        if (name == animationSpeedName(speed))
            return speed;
    }
    return std::nullopt;
}
