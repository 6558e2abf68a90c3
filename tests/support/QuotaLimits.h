#pragma once

#include <optional>

#include "quota/ClaudeQuota.h"

namespace pacemark {

// A limit as the parser would give it, for tests that build snapshots by hand.
inline ClaudeQuota::Limit quotaLimit(ClaudeQuota::Limit::Kind kind, const QString& label, double percent,
                                     std::optional<Instant> resetsAt, bool binding = false,
                                     std::optional<Instant> forecastAt = std::nullopt)
{
    ClaudeQuota::Limit limit;
    limit.kind = kind;
    limit.label = label;
    limit.percent = percent;
    limit.resetsAt = resetsAt;
    limit.binding = binding;
    limit.forecastAt = forecastAt;
    return limit;
}

}
