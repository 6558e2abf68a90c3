#include <optional>
#include <string>
#include <tuple>

#include <QDateTime>

#include <gtest/gtest.h>

#include "Records.h"
#include "basics/TimestampParser.h"
#include "ingest/JSONLParser.h"

using namespace pacemark;

namespace {

std::string line(const std::string& usage, const std::string& top = R"("sessionId":"s",)",
                 const std::string& message = R"("id":"msg","model":"claude-opus-4-1",)")
{
    return R"({"type":"assistant",)" + top + R"("timestamp":"2025-06-01T09:30:15.123Z","message":{)" + message
        + R"("usage":)" + usage + "}}";
}

// Claude Code 2.1 relays each message of a sub-agent into the parent's log as a progress line.
std::string progress(const std::string& relayed)
{
    return R"({"type":"progress","sessionId":"s","timestamp":"2025-06-01T09:30:16Z","data":{"type":"agent_progress",)"
        + (R"("message":)" + relayed) + "}}";
}
const std::string Relayed = R"("message":{"id":"msg","model":"claude-opus-4-1","usage":{"output_tokens":1}}})";

TEST(LineDecoding, LinesThatYieldARecord)
{
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const std::string_view At = "2025-06-01T09:30:15.123Z";
    const std::tuple<const char*, std::string, RecordFields> cases[] = {
        { "all counts",
          line(
              R"({"input_tokens":10,"output_tokens":5,"cache_creation_input_tokens":100,"cache_read_input_tokens":1000})"),
          { .at = At, .input = 10, .output = 5, .cacheWrite = 100, .cacheRead = 1000 } },
        { "empty usage", line("{}"), { .at = At } },
        { "null count",
          line(R"({"input_tokens":null,"output_tokens":7,"cache_creation_input_tokens":3})"),
          { .at = At, .output = 7, .cacheWrite = 3 } },
        { "no session", line(R"({"output_tokens":1})", ""), { .at = At, .output = 1, .session = "" } },
        { "null session",
          line(R"({"output_tokens":1})", R"("sessionId":null,)"),
          { .at = At, .output = 1, .session = "" } },
        { "integral double",
          line(R"({"input_tokens":12.0,"output_tokens":1e3})"),
          { .at = At, .input = 12, .output = 1000 } },
        { "int64 minimum", line(R"({"input_tokens":-9223372036854775808})"), { .at = At, .input = min } },
        { "extra members",
          line(
              R"({"input_tokens":1,"cache_creation":{"ephemeral_5m_input_tokens":9},"service_tier":"standard","speed":"fast"})",
              R"("sessionId":"s","cwd":"/x","isSidechain":true,"usage":"not this one",)"),
          { .at = At, .input = 1, .project = "/x" } },
        { "hour writes",
          line(
              R"({"cache_creation_input_tokens":100,"cache_creation":{"ephemeral_5m_input_tokens":60,"ephemeral_1h_input_tokens":40}})"),
          { .at = At, .cacheWrite = 100, .cacheWrite1h = 40 } },
        { "bad split reads as none",
          line(R"({"cache_creation_input_tokens":100,"cache_creation":{"ephemeral_1h_input_tokens":"40"}})",
               R"("sessionId":"s","cwd":7,)"),
          { .at = At, .cacheWrite = 100 } },
        { "relayed by a progress line",
          progress(R"({"type":"assistant","timestamp":"2025-06-01T09:30:15.123Z","requestId":"req_1",)" + Relayed),
          { .at = At, .output = 1, .request = "req_1", .fromProgress = true } },
        { "relayed without a time or a request id of its own",
          progress(R"({"type":"assistant","requestId":5,)" + Relayed),
          { .at = "2025-06-01T09:30:16Z", .output = 1, .fromProgress = true } },
    };
    JSONLDecoder decoder;
    for (const auto& [name, text, expected] : cases)
        EXPECT_EQ(JSONLParser::recordFromLine(text, decoder), makeRecord(expected)) << name;
}

TEST(LineDecoding, LinesThatYieldNothing)
{
    const std::string ok = R"({"output_tokens":1})";
    // The rest of a line without usage counts after its type.
    const std::string rest = R"("timestamp":"2025-06-01T09:30:15Z","message":{"id":"m","model":"x","usage":{}}})";
    const std::pair<const char*, std::string> cases[] = {
        { "user type", R"({"type":"user",)" + rest },
        { "type case", R"({"type":"Assistant",)" + rest },
        { "key case", R"({"Type":"assistant",)" + rest },
        { "synthetic", line(ok, "", R"("id":"m","model":"<synthetic>",)") },
        { "no usage", R"({"type":"assistant","timestamp":"2025-06-01T09:30:15Z","message":{"id":"m","model":"x"}})" },
        { "null usage", line("null") },
        { "no id", line(ok, "", R"("model":"x",)") },
        { "no model", line(ok, "", R"("id":"m",)") },
        { "no timestamp", R"({"type":"assistant","message":{"id":"m","model":"x","usage":{}}})" },
        { "count as string", line(R"({"input_tokens":"12"})") },
        { "count with fraction", line(R"({"input_tokens":12.5})") },
        { "count as bool", line(R"({"input_tokens":true})") },
        { "count above int64", line(R"({"input_tokens":9223372036854775808})") },
        { "count below int64", line(R"({"input_tokens":-9223372036854775809})") },
        { "huge double", line(R"({"input_tokens":1e19})") },
        { "session as number", line(ok, R"("sessionId":42,)") },
        { "id as number", line(ok, "", R"("id":7,"model":"x",)") },
        { "usage as array", line("[]") },
        { "message as string", R"({"type":"assistant","timestamp":"2025-06-01T09:30:15Z","message":"hi"})" },
        { "type as number", R"({"type":1,)" + rest },
        { "not an object", R"([{"type":"assistant"}])" },
        { "truncated", line(ok).substr(0, 80) },
        { "trailing junk", line(ok) + " x" },
        { "two objects", line(ok) + line(ok) },
        { "invalid UTF-8", line(ok, R"("sessionId":"s-)" + std::string("\xC3\x28") + "\",") },
        { "empty", "" },
        { "a relayed user message", progress(R"({"type":"user",)" + Relayed) },
        { "relayed by another kind of line",
          R"({"type":"system","timestamp":"2025-06-01T09:30:16Z","data":{"message":{"type":"assistant",)" + Relayed
              + "}}" },
        { "a relayed count of the wrong type",
          progress(R"({"type":"assistant","message":{"id":"m","model":"x","usage":{"output_tokens":"1"}}})") },
        { "a relayed time of the wrong type", progress(R"({"type":"assistant","timestamp":7,)" + Relayed) },
    };
    JSONLDecoder decoder;
    for (const auto& [name, text] : cases)
        EXPECT_FALSE(JSONLParser::recordFromLine(text, decoder)) << name;
}

TEST(TimestampParsing, BothFormsOffsetsAndBadText)
{
    const std::pair<const char*, const char*> good[] = {
        { "2025-06-01T09:30:15Z", "2025-06-01T09:30:15.000Z" },
        { "2025-06-01T09:30:15.123Z", "2025-06-01T09:30:15.123Z" },
        { "2025-06-01T09:30:15.5Z", "2025-06-01T09:30:15.500Z" },
        { "2025-06-01T09:30:15.123999Z", "2025-06-01T09:30:15.123Z" },
        { "2025-06-01T18:30:15+09:00", "2025-06-01T09:30:15.000Z" },
        { "2025-06-01T04:00:15.250-05:30", "2025-06-01T09:30:15.250Z" },
        { "2025-01-01T00:30:00+01:00", "2024-12-31T23:30:00.000Z" },
        { "2024-02-29T12:00:00Z", "2024-02-29T12:00:00.000Z" },
        { "2000-02-29T12:00:00Z", "2000-02-29T12:00:00.000Z" },
    };
    for (const auto& [text, utc] : good) {
        const auto parsed = TimestampParser::parse(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(parsed->time_since_epoch().count(),
                  QDateTime::fromString(QString::fromLatin1(utc), Qt::ISODateWithMs).toMSecsSinceEpoch())
            << text;
    }
    const char* bad[] = { "2025-06-01 09:30:15Z",     "2025-06-01",
                          "2025-06-01T09:30:15",      "2025-06-01T09:30:15.Z",
                          "2025-06-01T09:30:15+0900", "2025-06-01T09:30:15+09",
                          "2025-06-01T09:30:15Zjunk", "2025-13-01T09:30:15Z",
                          "2023-02-29T12:00:00Z",     "1900-02-29T12:00:00Z",
                          "2025-06-01T24:00:00Z",     "2025-06-01T09:60:00Z",
                          "2025-06-01T09:30:60Z",     "2025-06-01T09:30:15+24:00",
                          "2025-6-01T09:30:15Z",      "" };
    for (const char* text : bad)
        EXPECT_FALSE(TimestampParser::parse(text)) << text;
}

}
