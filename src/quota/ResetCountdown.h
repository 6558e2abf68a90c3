#pragma once

#include <optional>

#include <QString>

#include "basics/Instant.h"

namespace pacemark {

// The short time left until a quota window resets, as the dashboard shows it: "2d 5h", "3h 12m",
// "42m", "리셋됨" once the reset has passed, and the empty text without a reset time; in the language shown.
QString resetCountdown(std::optional<Instant> resetsAt, Instant now);

}
