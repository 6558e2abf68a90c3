#pragma once

#include "basics/Instant.h"

namespace pacemark {

// The one source of "now" for the whole process. Rate windows, day boundaries, countdowns and polling
// read it, so tests and the headless report can pin time without sleeping.
class Clock
{
public:
    virtual ~Clock() = default;

    static Instant now();
    // Replaces the process clock; nullptr restores the system clock. The clock must outlive its use.
    static void install(const Clock* clock);

protected:
    virtual Instant currentInstant() const = 0;
};

}
