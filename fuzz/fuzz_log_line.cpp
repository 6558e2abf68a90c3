#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "ingest/JSONLDecoder.h"
#include "ingest/JSONLParser.h"

using namespace pacemark;

// One input is one log line, decoded directly, and also the whole content of a log file read in
// one range and in two ranges split at a point the input chooses. The three ways must agree.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static JSONLDecoder decoder;
    static const int fd = ::memfd_create("fuzz_log_line", MFD_CLOEXEC);
    if (fd < 0)
        __builtin_trap();

    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto record = JSONLParser::recordFromLine(line, decoder);

    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        __builtin_trap();
    constexpr auto End = std::numeric_limits<std::int64_t>::max();
    const auto whole = JSONLParser::parseRange(fd, 0, End, decoder);
    const auto split = size == 0 ? 0 : static_cast<std::int64_t>(data[size - 1] * size / 255);
    auto parts = JSONLParser::parseRange(fd, 0, split, decoder);
    const auto rest = JSONLParser::parseRange(fd, split, End, decoder);
    parts.insert(parts.end(), rest.begin(), rest.end());
    if (parts != whole)
        __builtin_trap();

    if (line.find('\n') == std::string_view::npos) {
        if (whole.size() != (record ? 1u : 0u) || (record && !(whole.front() == *record)))
            __builtin_trap();
    }
    return 0;
}
