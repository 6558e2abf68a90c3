#pragma once

#include <string>

#include "basics/Instant.h"

// One assistant line of a Claude Code session log.
struct SampleMessage
{
    std::string id;
    std::string model;
    Instant timestamp;
    std::string session = "session-1";
    long long input = 0;
    long long output = 0;
    long long cacheWrite = 0;
    long long cacheRead = 0;

    std::string line() const;
};
