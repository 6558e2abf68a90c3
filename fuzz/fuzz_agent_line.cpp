#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ingest/CodexLineDecoder.h"
#include "ingest/GeminiChat.h"

using namespace pacemark;

// One input is one line of a Codex rollout and of a Gemini chat. A line the quick look at its opening
// passes over must be one that decodes to nothing that counts.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CodexLineDecoder codex;
    static GeminiChat gemini;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto decoded = codex.decode(line);
    if (decoded && decoded->type != CodexLineDecoder::Line::Type::other && !CodexLineDecoder::mayCarryUsage(line))
        __builtin_trap();
    gemini.readLine(line);
    return 0;
}
