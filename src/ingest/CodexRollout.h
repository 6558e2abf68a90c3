#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ingest/CodexLineDecoder.h"
#include "ingest/CodexRateLimits.h"
#include "ingest/UsageRecord.h"

// What one Codex CLI rollout file holds: a record per turn, and the newest rate limits it saw.
//
// Codex writes a "token_count" event after each answer, and again whenever the rate limits refresh,
// with the session's running total and the turn's own usage. A repeat (the running total as before)
// is skipped; otherwise the turn's usage counts, or, without it, the rise of the running total. The
// total falls when a review or a compaction starts it again; the event after a fall counts its new
// total when it gives no turn usage.
class CodexRollout
{
public:
    // What tells a turn's copies in other rollouts apart from other turns.
    struct Turn
    {
        // Time, model and token counts.
        std::uint64_t key = 0;
        // Model, token counts and running total, without the time: a fork writes its parent's turns
        // again at the moment it starts.
        std::uint64_t copyKey = 0;
        // Among the turns a fork or sub-agent's rollout copies from its parent as it starts.
        bool replayed = false;
    };

    std::vector<UsageRecord> records;
    std::vector<Turn> turns; // one per record
    std::optional<CodexRateLimits> rateLimits;
    bool opened = false;

    static CodexRollout read(const std::string& path, CodexLineDecoder& decoder);
};
