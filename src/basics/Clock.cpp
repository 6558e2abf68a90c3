#include "basics/Clock.h"

#include <atomic>

namespace pacemark {

namespace {

class SystemClock final : public Clock
{
protected:
    Instant currentInstant() const override
    {
        return std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());
    }
};

const SystemClock systemClock;
std::atomic<const Clock*> installedClock { &systemClock };

}

Instant Clock::now()
{
    return installedClock.load(std::memory_order_acquire)->currentInstant();
}

void Clock::install(const Clock* clock)
{
    installedClock.store(clock ? clock : &systemClock, std::memory_order_release);
}

}
