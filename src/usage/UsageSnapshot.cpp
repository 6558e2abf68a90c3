#include "usage/UsageSnapshot.h"

namespace pacemark {

using namespace std::chrono_literals;

qint64 UsageSnapshot::tokensPerMinute(Instant now, std::optional<Symbol> provider) const
{
    const Instant cutoff = now - 180s;
    qint64 sum = 0;
    for (const auto& r : todayRecords)
        if (r.timestamp >= cutoff && (!provider || r.providerId == *provider))
            TokenMath::accumulate(sum, TokenMath::add(r.inputTokens, r.outputTokens));
    return sum / 3;
}

ActivityLevel UsageSnapshot::activityLevel(Instant now) const
{
    if (!today.lastActivityDate)
        return ActivityLevel::Dormant;
    const auto elapsed = now - *today.lastActivityDate;
    if (elapsed < 180s)
        return ActivityLevel::Active;
    if (elapsed < 1800s)
        return ActivityLevel::Recent;
    if (elapsed < 3600s)
        return ActivityLevel::Stale;
    return ActivityLevel::Dormant;
}

}
