#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pacemark {

// Hands the lines of a log to a callback, one at a time and without holding the file in memory: a
// plain file, or one compressed with zstd, decompressed as it is read. Lines longer than MaxLineBytes
// are skipped. A last line without a line end is handed over too; a line cut short fails to decode.
class LineReader
{
public:
    static constexpr std::size_t MaxLineBytes = 64u << 20;

    enum class Compression { none, zstd };

    struct Outcome
    {
        bool opened = false;
        // False when the file could not be read to its end: a read error, or compressed data that is
        // damaged or cut short. The lines before the fault were handed over.
        bool complete = false;
        // Of a plain file: the offset just past the last line end read, where a later read of the
        // grown file can start; whether a last line without a line end was handed over after it.
        std::int64_t lineEnd = 0;
        bool partialLine = false;
    };

    using LineCallback = std::function<void(std::string_view line)>;

    // A plain file is read from the given offset, which must be a line's start.
    static Outcome read(const std::string& path, Compression compression, const LineCallback& onLine,
                        std::int64_t from = 0);
    // ".zst" names a zstd file.
    static Compression compressionOf(std::string_view path);
};

}
