#pragma once

#include <chrono>
#include <functional>

namespace pacemark {

// Runs the Qt event loop until the condition holds or the time is up; returns the condition. The one
// way tests wait: on something they can see, never for a fixed time.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));

}
