#pragma once

#include <atomic>

#include "basics/Clock.h"

namespace pacemark {

// A clock that stands still until told otherwise: the report's fixed "now", and the tests' clock.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(Instant start = Instant {})
        : m_now(start.time_since_epoch().count())
    { }

    void set(Instant instant) { m_now.store(instant.time_since_epoch().count()); }
    void advance(std::chrono::milliseconds by) { m_now.fetch_add(by.count()); }

protected:
    Instant currentInstant() const override { return Instant { std::chrono::milliseconds { m_now.load() } }; }

private:
    std::atomic<long long> m_now;
};

}
