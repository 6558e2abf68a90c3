#pragma once

#include <QtGlobal>

#include "basics/TokenMath.h"
#include "ingest/UsageRecord.h"
#include "usage/ModelPrice.h"

namespace pacemark {

// A sum of costs in US dollars, with the tokens of models without a price counted apart rather
// than as free.
struct UsdCost
{
    double usd = 0;
    qint64 unpricedTokens = 0;

    void add(const ModelPrice* price, const UsageRecord& r)
    {
        if (price)
            usd += price->cost(r.inputTokens, r.outputTokens, r.cacheWriteTokens, r.cacheWrite1hTokens,
                               r.cacheReadTokens);
        else
            TokenMath::accumulate(unpricedTokens, r.totalTokens());
    }
    void add(const UsdCost& other)
    {
        usd += other.usd;
        TokenMath::accumulate(unpricedTokens, other.unpricedTokens);
    }

    // Whether a figure of totalTokens tokens has a cost to show: not when none of them had a price.
    static bool known(qint64 unpricedTokens, qint64 totalTokens)
    {
        return unpricedTokens <= 0 || unpricedTokens < totalTokens;
    }

    bool operator==(const UsdCost&) const = default;
};

}
