#pragma once

#include <chrono>

#include <QByteArray>

#include "basics/Instant.h"

namespace pacemark {

// The "Retry-After" header of a 429 answer: delay-seconds or an HTTP date.
class RetryAfter
{
public:
    // Assumed when the header is absent or unreadable.
    static constexpr std::chrono::seconds DefaultDelay { 300 };
    // A server's word is honoured up to this; beyond it a stray value would silence the quota for good.
    static constexpr std::chrono::seconds MaximumDelay { 3600 };

    static Instant retryAt(const QByteArray& header, Instant now);
};

}
