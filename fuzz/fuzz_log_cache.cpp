#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ingest/ClaudeCodeProvider.h"
#include "ingest/CodexProvider.h"
#include "ingest/GeminiProvider.h"
#include "report/LogCache.h"

using namespace pacemark;

// One input is the payload of a log cache. A checksum would stop almost every input at the door, so
// the input gets a header that fits it: what is fuzzed is what a cache with a valid checksum may say.
// Whatever is restored must be written again as it was read.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file
        = LogCache::framed(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const auto sections = LogCache::parse(file);
    if (!sections)
        return 0;
    const QByteArray again = LogCache::serialize(*sections);
    const auto reread = LogCache::parse(again);
    if (!reread || LogCache::serialize(*reread) != again)
        __builtin_trap();
    // Each provider checks its own part of a state as it restores it.
    for (auto section : *reread) {
        const std::vector<std::string> none { "/nonexistent" };
        if (section.source == "claude-code")
            ClaudeCodeProvider(none).restoreFileStates(std::move(section.files));
        else if (section.source == "codex")
            CodexProvider(none).restoreFileStates(std::move(section.files));
        else if (section.source == "gemini")
            GeminiProvider(none.front()).restoreFileStates(std::move(section.files));
    }
    return 0;
}
