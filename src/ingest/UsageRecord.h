#pragma once

#include <cstdint>

#include "ingest/MessageId.h"
#include "ingest/Symbol.h"
#include "usage/Instant.h"
#include "usage/TokenMath.h"

// One assistant message's token usage, normalised from a log line.
struct UsageRecord
{
    MessageId messageId;
    Symbol model;
    std::int64_t inputTokens = 0;
    std::int64_t outputTokens = 0;
    std::int64_t cacheWriteTokens = 0;
    std::int64_t cacheReadTokens = 0;
    Instant timestamp;
    Symbol sessionId;
    Symbol providerId;

    // All four kinds of tokens, the meaning of every "total".
    std::int64_t totalTokens() const
    {
        return TokenMath::add(TokenMath::add(inputTokens, outputTokens),
                              TokenMath::add(cacheWriteTokens, cacheReadTokens));
    }

    friend bool operator==(const UsageRecord&, const UsageRecord&) = default;
};
