#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include "basics/TimestampParser.h"
#include "ingest/UsageRecord.h"

namespace pacemark {

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
    std::uint32_t cacheWrite1h = 0;
    std::string_view project = "";
    std::string_view request = "";
    bool fromProgress = false;
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
    r.cacheWrite1hTokens = fields.cacheWrite1h;
    r.project = CompactSymbol(fields.project);
    r.requestId = UsageRecord::hashRequestId(fields.request);
    r.fromProgress = fields.fromProgress;
    return r;
}

// Failures show a record's fields rather than its bytes.
inline void PrintTo(const UsageRecord& r, std::ostream* out)
{
    *out << r.messageId.view() << " " << r.model.view() << " tokens " << r.inputTokens << "/" << r.outputTokens << "/"
         << r.cacheWriteTokens << "/" << r.cacheReadTokens << " (1h " << r.cacheWrite1hTokens << ") at "
         << r.timestamp.time_since_epoch().count() << " session " << r.sessionId.view() << " of " << r.providerId.view()
         << " request " << r.requestId << " project " << r.project.view() << (r.fromProgress ? " relayed" : "");
}

inline Instant instant(std::string_view iso)
{
    return TimestampParser::parse(iso).value();
}

}
