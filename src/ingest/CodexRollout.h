#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ingest/CodexLineDecoder.h"
#include "ingest/CodexRateLimits.h"
#include "ingest/UsageRecord.h"

namespace pacemark {

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
    // Where a read of the grown file can go on: past the last line end read. -1 for a compressed
    // rollout, or one that ended inside a line.
    std::int64_t readEnd = -1;

    static CodexRollout read(const std::string& path, CodexLineDecoder& decoder);
    // The rollout as `earlier` read it with the lines appended since, read from where it stopped;
    // empty when the file is not the one read then, grown (another identity, fewer bytes, other
    // bytes at the edges of the part read before).
    static std::optional<CodexRollout> readAppended(const std::string& path, const CodexRollout& earlier,
                                                    std::uint64_t device, std::uint64_t inode,
                                                    CodexLineDecoder& decoder);
    // The identity of the file read, for readAppended.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

private:
    // What reading the next line needs to know of the lines before it.
    struct Progress
    {
        Symbol session;
        CompactSymbol project;
        bool sawMeta = false;
        bool replaysParent = false;
        std::optional<Instant> start;
        std::optional<std::string> contextModel;
        std::optional<CodexLineDecoder::Usage> previousTotal;
        // XXH3 of the first and the last bytes before readEnd.
        std::uint64_t edgeHash = 0;
    };

    void readFrom(const std::string& path, std::int64_t from, CodexLineDecoder& decoder);
    void take(std::string_view text, CodexLineDecoder& decoder);
    static std::optional<std::uint64_t> edgeHash(const std::string& path, std::int64_t end);

    Progress m_progress;
};

}
