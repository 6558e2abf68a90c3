#pragma once

#include <optional>
#include <string_view>

#include "basics/Instant.h"

namespace pacemark {

// Parses the internet date-time form of ISO 8601 that Claude Code writes, with or without
// fractional seconds: 2025-06-01T09:30:15.123Z, 2025-06-01T09:30:15Z, 2025-06-01T18:30:15+09:00.
// The designator decides the instant; the local time zone plays no part. Fractions finer than a
// millisecond are truncated.
class TimestampParser
{
public:
    static std::optional<Instant> parse(std::string_view text);
};

}
