#pragma once

#include <cstdint>
#include <string_view>

#include "ingest/TimestampParser.h"
#include "ingest/UsageRecord.h"

// A usage record written as designated fields, for tests of the aggregation.
struct RecordSpec
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

inline UsageRecord makeRecord(const RecordSpec& spec)
{
    UsageRecord r;
    r.messageId = MessageId(spec.id);
    r.model = Symbol(spec.model);
    r.inputTokens = spec.input;
    r.outputTokens = spec.output;
    r.cacheWriteTokens = spec.cacheWrite;
    r.cacheReadTokens = spec.cacheRead;
    r.timestamp = TimestampParser::parse(spec.at).value();
    r.sessionId = Symbol(spec.session);
    r.providerId = Symbol(spec.provider);
    return r;
}

inline Instant instant(std::string_view iso)
{
    return TimestampParser::parse(iso).value();
}
