#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "ingest/ClaudeCodeProvider.h"
#include "ingest/JSONLParser.h"

namespace {

std::string line(const std::string& id, int output)
{
    return R"({"type":"assistant","sessionId":"s","timestamp":"2026-12-06T10:00:00Z","message":{"id":")" + id
        + R"(","model":"claude-opus-4-1","usage":{"input_tokens":1,"output_tokens":)" + std::to_string(output)
        + "}}}\n";
}

class AppendReadTest : public ::testing::Test
{
protected:
    std::vector<UsageRecord> fetch() { return m_provider.fetchRecords().toVector(); }
    std::vector<UsageRecord> fresh()
    {
        return ClaudeCodeProvider({ m_home.path("projects") }).fetchRecords().toVector();
    }
    // The modification time moves on even when two writes fall within the file system's granularity.
    void put(const std::string& content, int second, bool append = false)
    {
        append ? m_home.append("projects/p/s.jsonl", content) : m_home.write("projects/p/s.jsonl", content);
        TempDir::setModified(m_log, 1'700'000'000 + second);
    }

    TempDir m_home;
    std::string m_log = m_home.write("projects/p/s.jsonl", line("a", 1) + line("b", 2));
    ClaudeCodeProvider m_provider { { m_home.path("projects") } };
};

}

// Every step must give exactly what a fresh read of the whole tree gives.
TEST_F(AppendReadTest, GrowingLogReadsOnlyTheNewLinesWithTheSameResult)
{
    fetch();
    // what is appended, whether it is read as an append
    const std::pair<std::string, bool> steps[] = {
        { line("c", 3), true },
        { line("c", 30), true }, // a repeated id updates the record in place
        { line("b", 20) + line("d", 4), true }, // so does one from further back
        { R"({"type":"assistant","sessionId":"s","timestamp":"2026-12-06T10:00:00Z","message":{"id":"e")", true },
        { R"(,"model":"m","usage":{"output_tokens":5}}})"
          "\n",
          false }, // completes the half-written line
        { line("f", 6), true },
    };
    int second = 0;
    for (const auto& [appended, appendRead] : steps) {
        put(appended, ++second, true);
        EXPECT_EQ(fetch(), fresh()) << appended;
        EXPECT_EQ(m_provider.lastParsedFileCount(), 1u);
        EXPECT_EQ(m_provider.lastAppendReadCount(), appendRead ? 1u : 0u) << appended;
    }
    const auto records = fetch();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[1].messageId.view(), "b");
    EXPECT_EQ(records[1].outputTokens, 20);
    EXPECT_EQ(records[4].messageId.view(), "e");
}

TEST_F(AppendReadTest, RewrittenOrTruncatedLogIsReadWhole)
{
    // An early line rewritten with the same length, far enough back that the bytes just before the
    // old end are as they were, then more appended.
    const std::string later = line("b", 2) + line("c", 3) + line("d", 4);
    put(line("a", 100) + later, 1);
    fetch();
    put(line("a", 900) + later + line("e", 5), 2);
    const auto rewritten = fetch();
    EXPECT_EQ(m_provider.lastAppendReadCount(), 0u);
    EXPECT_EQ(rewritten, fresh());
    EXPECT_EQ(rewritten.front().outputTokens, 900);

    // Same size, different content.
    put(line("x", 7) + line("y", 8), 3);
    EXPECT_EQ(fetch(), fresh());
    EXPECT_EQ(m_provider.lastAppendReadCount(), 0u);

    put(line("z", 9), 4);
    const auto records = fetch();
    EXPECT_EQ(records, fresh());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].outputTokens, 9);

    // Replaced by another file that begins with the same bytes.
    const std::string other = m_home.write("other.jsonl", line("z", 9) + line("n", 5));
    ASSERT_EQ(::rename(other.c_str(), m_log.c_str()), 0);
    EXPECT_EQ(fetch(), fresh());
    EXPECT_EQ(m_provider.lastAppendReadCount(), 0u);
}
