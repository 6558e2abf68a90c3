#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pacemark {

// One decoded log line: only the keys that can carry usage. Absent keys and JSON nulls are empty.
// The strings point into the decoder that produced the record and stay valid until it decodes
// the next line.
struct JSONLRecord
{
    struct Usage
    {
        std::optional<std::int64_t> input_tokens;
        std::optional<std::int64_t> output_tokens;
        std::optional<std::int64_t> cache_creation_input_tokens;
        std::optional<std::int64_t> cache_read_input_tokens;
        // From "cache_creation": the part of cache_creation_input_tokens written for one hour.
        std::optional<std::int64_t> ephemeral_1h_input_tokens;
    };

    struct Message
    {
        std::optional<std::string_view> id;
        std::optional<std::string_view> model;
        std::optional<Usage> usage;
    };

    std::optional<std::string_view> type;
    std::optional<std::string_view> timestamp;
    std::optional<std::string_view> sessionId;
    // Only a string counts; any other value reads as absent rather than spoiling the line.
    std::optional<std::string_view> requestId;
    // The working folder; like requestId, only a string counts.
    std::optional<std::string_view> cwd;
    std::optional<Message> message;

    // A "progress" line's data.message when that is an object of type "assistant": a sub-agent's
    // message relayed into the parent's log, with its own timestamp and request id.
    struct Relayed
    {
        std::optional<std::string_view> timestamp;
        std::optional<std::string_view> requestId;
        std::optional<Message> message;
    };
    std::optional<Relayed> relayed;
};

}
