#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include <QString>

namespace pacemark {

// An absolute point in time with millisecond precision, the resolution of the log timestamps.
using Instant = std::chrono::sys_time<std::chrono::milliseconds>;

namespace InstantFormat {
// "2025-06-01T09:30:15.123Z"
QString toIsoUtcMillis(Instant instant);
// "2025-06-01T09:30:15Z"
QString toIsoUtc(Instant instant);
}

}
