#pragma once

#include <cstdint>
#include <string_view>

#include "basics/TimestampParser.h"
#include "ingest/UsageRecord.h"

// A usage record written as designated fields, for tests of the aggregation.
struct RecordFields
{
    std::string_view at; // ISO 8601
    std::int64_t input = 0;
    std::int64_t output = 0;
    std::int64_t cacheWrite = 0;
    std::int64_t cacheRead = 0;
    std::string_view model = "claude-opus-4-1";
    std::string_view session = "s";
    std::string_view provider = "claude-code";
    std::string_view id = "msg";
};

inline UsageRecord makeRecord(const RecordFields& fields)
{
    UsageRecord r;
    r.messageId = MessageId(fields.id);
    r.model = Symbol(fields.model);
    r.inputTokens = fields.input;
    r.outputTokens = fields.output;
    r.cacheWriteTokens = fields.cacheWrite;
    r.cacheReadTokens = fields.cacheRead;
    r.timestamp = TimestampParser::parse(fields.at).value();
    r.sessionId = Symbol(fields.session);
    r.providerId = Symbol(fields.provider);
    return r;
}

inline Instant instant(std::string_view iso)
{
    return TimestampParser::parse(iso).value();
}
