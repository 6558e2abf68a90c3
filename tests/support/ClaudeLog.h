#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pacemark {

// Log lines shaped like the ones Claude Code writes, with the members the parser must look past.
class ClaudeLog
{
public:
    struct Usage
    {
        std::int64_t input = 0;
        std::int64_t output = 0;
        std::int64_t cacheWrite = 0;
        std::int64_t cacheRead = 0;
    };

    static constexpr std::string_view Sonnet = "claude-sonnet-4-5-20250929";
    static constexpr std::string_view Opus = "claude-opus-4-1-20250805";

    // An assistant message as streamed: one line per content block, the same id on each, the usage
    // of the final block on the last one. Lines end with "\n".
    static std::string assistant(std::string_view id, std::string_view timestamp, Usage usage,
                                 std::string_view model = Sonnet, std::string_view session = "session-1",
                                 int blocks = 1);
    // A user line carrying a tool result of about toolResultBytes bytes.
    static std::string user(std::string_view timestamp, std::size_t toolResultBytes = 2000,
                            std::string_view session = "session-1");
    // One each of summary, system, progress, file-history-snapshot and queue-operation lines.
    static std::string otherLines(std::string_view timestamp, std::string_view session = "session-1");
};

}
