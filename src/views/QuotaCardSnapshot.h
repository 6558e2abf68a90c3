#pragma once

#include <optional>

#include <QtGlobal>

#include "basics/Instant.h"

// What the quota card shows of one quota snapshot: the windows and the extra-usage credits.
struct QuotaCardSnapshot
{
    struct Window
    {
        double utilizationPct = 0.0;
        std::optional<Instant> resetsAt;

        bool operator==(const Window&) const = default;
    };

    struct Credits
    {
        qint64 monthlyLimitCents = 0;
        qint64 usedCreditsCents = 0;
        double utilization = 0.0;

        bool operator==(const Credits&) const = default;
    };

    std::optional<Window> fiveHour;
    std::optional<Window> sevenDay;
    std::optional<Window> sevenDayOpus;
    std::optional<Window> sevenDaySonnet;
    std::optional<Credits> extraUsage;

    bool operator==(const QuotaCardSnapshot&) const = default;
};
