#include <optional>
#include <string>

#include <QDateTime>

#include <gtest/gtest.h>

#include "ClaudeLog.h"
#include "basics/TimestampParser.h"
#include "ingest/JSONLParser.h"

namespace {

std::string line(const std::string& usage, const std::string& top = R"("sessionId":"s-1",)",
                 const std::string& message = R"("id":"msg_1","model":"claude-opus-4-1",)")
{
    return R"({"type":"assistant",)" + top + R"("timestamp":"2025-06-01T09:30:15.123Z","message":{)" + message
        + R"("usage":)" + usage + "}}";
}

std::optional<UsageRecord> decode(const std::string& text)
{
    JSONLDecoder decoder;
    return JSONLParser::recordFromLine(text, decoder);
}

std::int64_t utcMillis(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

struct Yields
{
    const char* name;
    std::string line;
    ClaudeLog::Usage usage;
    const char* session;
    std::uint32_t hourWrites = 0;
    const char* cwd = "";
};

TEST(LineDecoding, LinesThatYieldARecord)
{
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const Yields cases[] = {
        { "all counts",
          line(
              R"({"input_tokens":10,"output_tokens":5,"cache_creation_input_tokens":100,"cache_read_input_tokens":1000})"),
          { 10, 5, 100, 1000 },
          "s-1" },
        { "empty usage", line("{}"), {}, "s-1" },
        { "null count",
          line(R"({"input_tokens":null,"output_tokens":7,"cache_creation_input_tokens":3})"),
          { 0, 7, 3, 0 },
          "s-1" },
        { "no session", line(R"({"output_tokens":1})", ""), { 0, 1, 0, 0 }, "" },
        { "null session", line(R"({"output_tokens":1})", R"("sessionId":null,)"), { 0, 1, 0, 0 }, "" },
        { "integral double", line(R"({"input_tokens":12.0,"output_tokens":1e3})"), { 12, 1000, 0, 0 }, "s-1" },
        { "int64 minimum", line(R"({"input_tokens":-9223372036854775808})"), { min, 0, 0, 0 }, "s-1" },
        { "extra members",
          line(
              R"({"input_tokens":1,"cache_creation":{"ephemeral_5m_input_tokens":9},"service_tier":"standard","speed":"fast"})",
              R"("sessionId":"s-1","cwd":"/x","isSidechain":true,"usage":"not this one",)"),
          { 1, 0, 0, 0 },
          "s-1",
          0,
          "/x" },
        { "hour writes",
          line(
              R"({"cache_creation_input_tokens":100,"cache_creation":{"ephemeral_5m_input_tokens":60,"ephemeral_1h_input_tokens":40}})"),
          { 0, 0, 100, 0 },
          "s-1",
          40 },
        { "bad split reads as none",
          line(R"({"cache_creation_input_tokens":100,"cache_creation":{"ephemeral_1h_input_tokens":"40"}})",
               R"("sessionId":"s-1","cwd":7,)"),
          { 0, 0, 100, 0 },
          "s-1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = decode(c.line);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->messageId.view(), "msg_1");
        EXPECT_EQ(r->model.view(), "claude-opus-4-1");
        EXPECT_EQ(r->inputTokens, c.usage.input);
        EXPECT_EQ(r->outputTokens, c.usage.output);
        EXPECT_EQ(r->cacheWriteTokens, c.usage.cacheWrite);
        EXPECT_EQ(r->cacheReadTokens, c.usage.cacheRead);
        EXPECT_EQ(r->timestamp.time_since_epoch().count(), utcMillis("2025-06-01T09:30:15.123Z"));
        EXPECT_EQ(r->sessionId.view(), c.session);
        EXPECT_EQ(r->providerId.view(), "claude-code");
        EXPECT_EQ(r->cacheWrite1hTokens, c.hourWrites);
        EXPECT_EQ(r->project.view(), c.cwd);
    }
}

TEST(LineDecoding, LinesThatYieldNothing)
{
    const std::string ok = R"({"output_tokens":1})";
    const std::pair<const char*, std::string> cases[] = {
        { "user type",
          R"({"type":"user","timestamp":"2025-06-01T09:30:15Z","message":{"id":"m","model":"x","usage":{}}})" },
        { "type case",
          R"({"type":"Assistant","timestamp":"2025-06-01T09:30:15Z","message":{"id":"m","model":"x","usage":{}}})" },
        { "key case",
          R"({"Type":"assistant","timestamp":"2025-06-01T09:30:15Z","message":{"id":"m","model":"x","usage":{}}})" },
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
        { "type as number",
          R"({"type":1,"timestamp":"2025-06-01T09:30:15Z","message":{"id":"m","model":"x","usage":{}}})" },
        { "not an object", R"([{"type":"assistant"}])" },
        { "truncated", line(ok).substr(0, 80) },
        { "trailing junk", line(ok) + " x" },
        { "two objects", line(ok) + line(ok) },
        { "invalid UTF-8", line(ok, R"("sessionId":"s-)" + std::string("\xC3\x28") + "\",") },
        { "empty", "" },
    };
    for (const auto& [name, text] : cases)
        EXPECT_FALSE(decode(text)) << name;
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
        EXPECT_EQ(parsed->time_since_epoch().count(), utcMillis(utc)) << text;
    }
    const char* bad[] = {
        "2025-06-01 09:30:15",
        "2025-06-01 09:30:15Z",
        "2025-06-01",
        "2025-06-01T09:30:15",
        "2025-06-01T09:30:15.Z",
        "2025-06-01T09:30:15+0900",
        "2025-06-01T09:30:15+09",
        "2025-06-01T09:30:15Zjunk",
        "2025-13-01T09:30:15Z",
        "2023-02-29T12:00:00Z",
        "1900-02-29T12:00:00Z",
        "2025-06-01T24:00:00Z",
        "2025-06-01T09:60:00Z",
        "2025-06-01T09:30:60Z",
        "2025-06-01T09:30:15+24:00",
        "2025-6-01T09:30:15Z",
        "",
        "yesterday",
    };
    for (const char* text : bad)
        EXPECT_FALSE(TimestampParser::parse(text)) << text;
}

}
