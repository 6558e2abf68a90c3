#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "basics/Instant.h"
#include "basics/TokenMath.h"
#include "ingest/CompactSymbol.h"
#include "ingest/MessageId.h"
#include "ingest/Symbol.h"

namespace pacemark {

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
    // The API request the message answered, as a hash of the line's "requestId" (0: none). Copies of
    // a conversation in resumed or forked sessions keep both ids; a hash keeps records small, and a
    // false match would also need equal message ids.
    std::uint64_t requestId = 0;
    // The part of cacheWriteTokens cached for an hour rather than five minutes, which costs more.
    // Four bytes hold any one request's writes; larger counts saturate.
    std::uint32_t cacheWrite1hTokens = 0;
    // The working folder the line names, or the log's folder under projects/ when it names none.
    CompactSymbol project;
    // A sub-agent's message as a "progress" line of the parent's log relays it. Such a copy counts
    // only where no assistant line of any log carries the same message.
    bool fromProgress = false;

    static std::uint64_t hashRequestId(std::string_view text)
    {
        if (text.empty())
            return 0;
        const std::uint64_t h = std::hash<std::string_view> {}(text);
        return h == 0 ? 1 : h;
    }

    // All four kinds of tokens, the meaning of every "total".
    std::int64_t totalTokens() const
    {
        return TokenMath::add(TokenMath::add(inputTokens, outputTokens),
                              TokenMath::add(cacheWriteTokens, cacheReadTokens));
    }

    friend bool operator==(const UsageRecord&, const UsageRecord&) = default;
};

}
