#pragma once

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include <QString>

#include "basics/Instant.h"

namespace pacemark {

// Codex's limits as its last turn saw them: every rollout's "token_count" lines repeat the rate-limit
// headers of the latest answer, so no request of our own is needed. The figures are as old as that line.
struct CodexRateLimits
{
    struct Window
    {
        // The window's length; 0 when the line does not give it. Views name it.
        int windowMinutes = 0;
        // As written; views clamp it.
        double usedPercent = 0;
        std::optional<Instant> resetsAt;

        friend bool operator==(const Window&, const Window&) = default;
    };

    struct Credits
    {
        bool hasCredits = false;
        bool unlimited = false;
        // As written ("12.50"); empty when not given.
        QString balance;

        friend bool operator==(const Credits&, const Credits&) = default;
    };

    // Shorter windows first, whichever slot of the line each stood in.
    std::vector<Window> windows;
    QString planType;
    std::optional<Credits> credits;
    // The time of the line the figures come from.
    Instant observedAt {};

    std::chrono::milliseconds age(Instant now) const
    {
        return std::max(std::chrono::milliseconds::zero(), now - observedAt);
    }

    friend bool operator==(const CodexRateLimits&, const CodexRateLimits&) = default;
};

}
