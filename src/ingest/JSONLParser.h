#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ingest/JSONLDecoder.h"
#include "ingest/JSONLRecord.h"
#include "ingest/SymbolCache.h"
#include "ingest/UsageRecord.h"

namespace pacemark {

// Turns Claude Code's session logs into usage records. Stateless; safe on any thread
// as long as each thread uses its own decoder.
class JSONLParser
{
public:
    // Lines longer than this are skipped without being held in memory whole.
    static constexpr std::size_t MaxLineBytes = 64u << 20;

    // The records of a file in line order, duplicates included; empty when it cannot be read.
    static std::vector<UsageRecord> parseFile(const std::string& path);

    // Where reading a range stopped: after its last line, or at the end of the file.
    struct RangeEnd
    {
        std::int64_t offset = 0;
        // False when the file ended inside a line (still being written) or a line was too long.
        bool atLineEnd = true;
        // XXH3 of the bytes of the range's lines, from the start of its first line to offset. The
        // ranges that tile a file tile its bytes the same way.
        std::uint64_t hash = 0;
        // True when no line starts in the range: every byte of it belongs to a line begun before,
        // which the range holding that line's start reads. Offset and hash then say nothing.
        bool noLine = false;
    };

    // The records of the lines of an open file that start at offsets in [begin, end), in line order.
    // Ranges that tile a file yield, concatenated, exactly what parseFile yields.
    static std::vector<UsageRecord> parseRange(int fd, std::int64_t begin, std::int64_t end, JSONLDecoder& decoder,
                                               RangeEnd* stoppedAt = nullptr);

    // One record per message id: the content of its last line at the place of its first. An
    // assistant line's record stands over the records of progress lines, wherever they are.
    static std::vector<UsageRecord> deduplicate(const std::vector<UsageRecord>& records);

    // The record one decoded line stands for, if any.
    static std::optional<UsageRecord> toUsageRecord(const JSONLRecord& line);
    static std::optional<UsageRecord> toUsageRecord(const JSONLRecord& line, SymbolCache& models, SymbolCache& sessions,
                                                    CompactSymbolCache& projects);

    // Gives the records whose lines named no working folder the log's folder under projects/, the
    // working folder as Claude Code encodes it there ('/' and '.' written as '-').
    static void fillProjectFromFolder(std::vector<UsageRecord>& records, std::string_view logPath);

    // Decode and convert one line (without its line end).
    static std::optional<UsageRecord> recordFromLine(std::string_view line, JSONLDecoder& decoder);
};

}
