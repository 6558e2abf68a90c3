#pragma once

#include <chrono>
#include <functional>

// Runs the Qt event loop until the condition holds or the time is up; returns the condition.
bool waitUntil(
    const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Runs the Qt event loop for the given time.
void spinFor(std::chrono::milliseconds duration);
