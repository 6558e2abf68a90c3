#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ClaudeLog.h"
#include "TempDir.h"
#include "ingest/JSONLParser.h"

using namespace pacemark;

namespace {

std::vector<std::int64_t> outputs(const std::vector<UsageRecord>& records)
{
    std::vector<std::int64_t> out;
    for (const auto& r : records)
        out.push_back(r.outputTokens);
    return out;
}

std::string assistantLine(std::string_view id, std::int64_t output)
{
    auto text = ClaudeLog::assistant(id, "2025-06-01T09:30:15Z", { 0, output, 0, 0 });
    text.pop_back();
    return text;
}

TEST(LogFile, RealisticSessionDeduplicatesLastContentAtFirstPlaceAndBadLinesAreSkipped)
{
    TempDir home;
    // Every kind of line, streamed replies, and one message written twice apart.
    const auto records = JSONLParser::parseFile(home.write(
        "s.jsonl",
        ClaudeLog::otherLines("2025-06-01T09:00:00Z") + ClaudeLog::user("2025-06-01T09:00:01Z", 50'000)
            + ClaudeLog::assistant("msg_A", "2025-06-01T09:00:02Z", { 3, 30, 300, 3000 }, ClaudeLog::Opus, "s", 3)
            + ClaudeLog::assistant("msg_B", "2025-06-01T09:00:04Z", { 4, 40, 0, 0 }, ClaudeLog::Sonnet, "s", 2)
            + ClaudeLog::otherLines("2025-06-01T09:00:05Z")
            + ClaudeLog::assistant("msg_A", "2025-06-01T09:00:06Z", { 3, 31, 300, 3000 }, ClaudeLog::Opus, "s")));
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(JSONLParser::deduplicate(records), (std::vector<UsageRecord> { records[5], records[4] }));

    // Line ends, broken and oversized lines.
    const auto a = assistantLine("a", 1), b = assistantLine("b", 2), c = assistantLine("c", 3);
    const std::string head
        = R"({"type":"assistant","timestamp":"2025-06-01T09:30:15Z","message":{"id":"h","model":"m",)";
    const std::string huge
        = head + R"("content":")" + std::string(15u << 20, 'x') + R"(","usage":{"output_tokens":2}}})";
    const std::string deep = head + R"("usage":{"output_tokens":9},"content":)" + std::string(100'000, '[')
        + std::string(100'000, ']') + "}}";
    // A line longer than the parser keeps is skipped without losing the lines after it.
    // The rest of a line of output 3 after its type.
    const std::string three
        = R"("timestamp":"2025-06-01T09:30:15Z","message":{"id":"c","model":"m","usage":{"output_tokens":3}}})";
    const std::string overlong(JSONLParser::MaxLineBytes + 1000, 'a'), ab = a + "\n" + b + "\n";
    const std::pair<const char*, std::string> files[] = {
        { "LF, no final line end", a + "\n" + b + "\n" + c },
        { "CR LF", a + "\r\n" + b + "\r\n" + c + "\r\n" },
        { "blank lines", "\n\n" + a + "\n\r\n\n" + b + "\n \n" + c + "\n\n" },
        { "invalid UTF-8 line", ab + assistantLine("\xff\xfe", 4) + "\n" + c + "\n" },
        { "binary junk",
          a + "\n" + std::string("\0\x01assistant\x80\xff{\"\0", 14) + "\n" + b + "\n" + std::string(3000, '\0') + "\n"
              + c },
        { "half-written last line", ab + c + "\n" + assistantLine("d", 4).substr(0, 200) },
        { "last line cut mid-character", ab + c + "\n" + R"({"type":"assistant","x":")" + "\xE2\x80" },
        { "escaped type", ab + R"({"type":"\u0061ssistant",)" + three },
        { "type with an escaped t", ab + R"({"type":"assis\u0074ant",)" + three },
        { "type in escapes",
          ab + R"({"message":{"id":"c","model":"m","usage":{"output_tokens":3}},"timestamp":"2025-06-01T09:30:15Z","type":"\u0061\u0073\u0073\u0069\u0073\u0074\u0061\u006E\u0074"})" },
        { "colour escapes",
          a + "\n" + R"({"type":"user","message":{"content":"\u001b[31mred\u001b[0m \\u0061"}})" + "\n" + b + "\n"
              + c },
        { "huge, deeply nested and overlong",
          a + "\n" + ClaudeLog::user("2025-06-01T09:30:15Z", 15u << 20) + huge + "\n" + deep + "\n"
              + std::string(200'000, '{') + "\n" + overlong + "\n" + c + "\n" },
    };
    for (const auto& [name, content] : files)
        EXPECT_EQ(outputs(JSONLParser::parseFile(home.write("f.jsonl", content))),
                  std::vector<std::int64_t>({ 1, 2, 3 }))
            << name;
    EXPECT_TRUE(JSONLParser::parseFile(home.path("missing.jsonl")).empty());
    EXPECT_TRUE(JSONLParser::parseFile(home.path()).empty());
}

// Lines of many lengths and endings, several longer than the read buffer.
std::string mixedFile()
{
    std::mt19937 random(7);
    std::string content = assistantLine("first", 1) + "\n";
    for (int i = 0; i < 400; ++i) {
        const auto kind = random() % 6;
        if (kind == 0)
            content += ClaudeLog::user("2025-06-01T09:30:15Z", random() % 5 == 0 ? 1'500'000 : random() % 4000);
        else if (kind == 1)
            content += ClaudeLog::otherLines("2025-06-01T09:30:15Z");
        else if (kind == 2)
            content += assistantLine("msg_" + std::to_string(i % 50), i) + "\r\n";
        else if (kind == 3)
            content += "\n\n{\"half\":";
        else
            content += ClaudeLog::assistant("msg_" + std::to_string(i), "2025-06-01T09:30:15Z", { i, i, i, i },
                                            ClaudeLog::Sonnet, "s", 1 + i % 3);
    }
    return content + assistantLine("last", 1);
}

TEST(LogFile, RangesOverAnySplitPointsEqualTheWholeFile)
{
    TempDir home;
    const auto content = mixedFile();
    const auto path = home.write("mixed.jsonl", content);
    const auto whole = JSONLParser::parseFile(path);
    ASSERT_GT(whole.size(), 200u);

    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const auto size = static_cast<std::int64_t>(content.size());
    std::mt19937_64 random(11);
    JSONLDecoder decoder;
    for (int round = 0; round < 60; ++round) {
        std::vector<std::int64_t> points { 0, size };
        for (int i = random() % 12; i > 0; --i) {
            const auto p = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(size + 1));
            // Also land exactly on and right after line ends, and repeat points (empty ranges).
            const auto lf = content.find('\n', static_cast<std::size_t>(p));
            points.push_back(lf == std::string::npos ? p : static_cast<std::int64_t>(lf + i % 2));
            if (i % 4 == 0)
                points.push_back(points.back());
        }
        std::sort(points.begin(), points.end());
        if (round % 2)
            points.push_back(std::numeric_limits<std::int64_t>::max());
        std::vector<UsageRecord> joined;
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            const auto part = JSONLParser::parseRange(fd, points[i], points[i + 1], decoder);
            joined.insert(joined.end(), part.begin(), part.end());
        }
        ASSERT_EQ(joined, whole) << "round " << round;
    }
    // Empty ranges hold no line, not even the first one.
    for (std::int64_t at : { std::int64_t { 0 }, std::int64_t { 1 }, size })
        EXPECT_TRUE(JSONLParser::parseRange(fd, at, at, decoder).empty()) << at;
    EXPECT_TRUE(JSONLParser::parseRange(fd, size, size + 10, decoder).empty());
    ::close(fd);
}

}

// A line that spans many ranges (here a hole of a sparse file, as a log of zeros reached through a
// link would be) is read by the range it starts in; every other range it covers stops at its own end.
TEST(LogFile, RangesInsideOneLongLineStopAtTheirEnd)
{
    TempDir home;
    const auto before = assistantLine("before", 1) + "\n", after = assistantLine("after", 2) + "\n";
    const auto path = home.write("sparse.jsonl", before);
    constexpr std::int64_t Hole = 256 << 20, Range = 8 << 20;
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, after.data(), after.size(), static_cast<off_t>(before.size()) + Hole),
              static_cast<ssize_t>(after.size()));
    const std::int64_t size = static_cast<std::int64_t>(before.size()) + Hole + static_cast<std::int64_t>(after.size());

    JSONLDecoder decoder;
    std::vector<UsageRecord> joined;
    std::vector<JSONLParser::RangeEnd> ends;
    for (std::int64_t begin = 0; begin < size; begin += Range) {
        JSONLParser::RangeEnd end;
        const auto part = JSONLParser::parseRange(fd, begin, std::min(begin + Range, size), decoder, &end);
        joined.insert(joined.end(), part.begin(), part.end());
        ends.push_back(end);
    }
    ::close(fd);
    EXPECT_EQ(outputs(joined), (std::vector<std::int64_t> { 1 }));
    // The first range reads the zeros through to the line end that closes them; the ones inside stop
    // within a read of their end.
    EXPECT_FALSE(ends.front().noLine);
    EXPECT_EQ(ends.front().offset, size);
    for (std::size_t i = 1; i + 1 < ends.size(); ++i) {
        EXPECT_TRUE(ends[i].noLine || i + 2 == ends.size()) << i;
        EXPECT_LE(ends[i].offset, static_cast<std::int64_t>(i + 1) * Range + (1 << 20)) << i;
    }
    EXPECT_EQ(outputs(JSONLParser::parseFile(path)), (std::vector<std::int64_t> { 1 }));
}
