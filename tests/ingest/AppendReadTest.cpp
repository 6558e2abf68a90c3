#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <string>

#include "TempDir.h"
#include "ingest/ClaudeCodeProvider.h"
#include "ingest/JSONLParser.h"

namespace {

std::string line(const std::string& id, int output, const std::string& model = "claude-opus-4-1")
{
    return R"({"type":"assistant","sessionId":"s","timestamp":"2026-12-06T10:00:00Z","message":{"id":")" + id
        + R"(","model":")" + model + R"(","usage":{"input_tokens":1,"output_tokens":)" + std::to_string(output)
        + "}}}\n";
}

// The modification time moves on even when two writes fall within the file system's granularity.
void bumpTime(const std::string& path, int seconds)
{
    struct timeval times[2] = { { 1700000000 + seconds, 0 }, { 1700000000 + seconds, 0 } };
    ::utimes(path.c_str(), times);
}

class AppendReadTest : public ::testing::Test
{
protected:
    std::vector<UsageRecord> fetch() { return m_provider.fetchRecords().toVector(); }
    std::vector<UsageRecord> fresh()
    {
        return ClaudeCodeProvider({ m_home.path("projects") }).fetchRecords().toVector();
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
    const struct
    {
        std::string appended;
        bool appendRead;
    } steps[] = {
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
    for (const auto& step : steps) {
        m_home.append("projects/p/s.jsonl", step.appended);
        bumpTime(m_log, ++second);
        EXPECT_EQ(fetch(), fresh()) << step.appended;
        EXPECT_EQ(m_provider.lastParsedFileCount(), 1u);
        EXPECT_EQ(m_provider.lastAppendReadCount(), step.appendRead ? 1u : 0u) << step.appended;
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
    m_home.write("projects/p/s.jsonl", line("a", 100) + later);
    bumpTime(m_log, 1);
    fetch();
    m_home.write("projects/p/s.jsonl", line("a", 900) + later + line("e", 5));
    bumpTime(m_log, 2);
    const auto rewritten = fetch();
    EXPECT_EQ(m_provider.lastAppendReadCount(), 0u);
    EXPECT_EQ(rewritten, fresh());
    EXPECT_EQ(rewritten.front().outputTokens, 900);

    // Same size, different content.
    m_home.write("projects/p/s.jsonl", line("x", 7) + line("y", 8));
    bumpTime(m_log, 3);
    EXPECT_EQ(fetch(), fresh());
    EXPECT_EQ(m_provider.lastAppendReadCount(), 0u);

    m_home.write("projects/p/s.jsonl", line("z", 9));
    bumpTime(m_log, 4);
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
