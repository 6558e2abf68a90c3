#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "ingest/JSONLRecord.h"

namespace pacemark {

// Decodes one log line with strict typing: the line must be one valid JSON object in UTF-8, and a
// decoded key that is present with a value of another type makes the whole line undecodable.
// One decoder serves all lines of a file; it is not shared between threads.
class JSONLDecoder
{
public:
    // Bytes that must stay readable after a line passed with paddedInput (the SIMD parser reads
    // ahead in blocks), simdjson's padding.
    static constexpr std::size_t Padding = 64;

    JSONLDecoder();
    ~JSONLDecoder();
    JSONLDecoder(const JSONLDecoder&) = delete;
    JSONLDecoder& operator=(const JSONLDecoder&) = delete;

    // With paddedInput the caller guarantees Padding readable bytes after the line, which saves a
    // copy; their content does not matter.
    std::optional<JSONLRecord> decode(std::string_view line, bool paddedInput = false);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}
