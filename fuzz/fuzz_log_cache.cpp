#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/LogCache.h"

using namespace pacemark;

// One input is the payload of a log cache. A checksum would stop almost every input at the door, so
// the input gets a header that fits it: what is fuzzed is what a cache with a valid checksum may say.
// Whatever is restored must be written again as it was read.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<std::string> folders { "/home/dev/.claude/projects" };
    const QByteArray file
        = LogCache::framed(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const auto states = LogCache::parse(file, folders);
    if (!states)
        return 0;
    const QByteArray again = LogCache::serialize(folders, *states);
    const auto reread = LogCache::parse(again, folders);
    if (!reread || LogCache::serialize(folders, *reread) != again)
        __builtin_trap();
    return 0;
}
