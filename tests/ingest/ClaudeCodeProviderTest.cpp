#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "ClaudeLog.h"
#include "TempDir.h"
#include "Unprivileged.h"
#include "ingest/ClaudeCodeProvider.h"
#include "ingest/JSONLParser.h"
#include "ingest/ProviderManager.h"

namespace fs = std::filesystem;

namespace {

std::string turn(const std::string& id, std::int64_t output, const std::string& session = "s")
{
    return ClaudeLog::user("2025-06-01T09:00:00Z", 3000, session)
        + ClaudeLog::assistant(id, "2025-06-01T09:00:01Z", { 1, output, 2, 3 }, ClaudeLog::Sonnet, session, 2);
}

std::multiset<std::string> ids(const RecordList& records)
{
    std::multiset<std::string> out;
    records.forEach([&](const UsageRecord& r) { out.insert(std::string(r.messageId.view())); });
    return out;
}

class ClaudeCodeProviderTest : public ::testing::Test
{
protected:
    TempDir home;
    std::string projects = home.path(".claude/projects");
    ClaudeCodeProvider provider { projects };

    std::string log(const std::string& relative, const std::string& content)
    {
        return home.write(".claude/projects/" + relative, content);
    }
};

TEST_F(ClaudeCodeProviderTest, FindsSessionLogsAtAnyDepthOnly)
{
    log("top.jsonl", turn("top", 1));
    log("-home-dev-app/11111111.jsonl", turn("session", 1));
    log("-home-dev-app/11111111/subagents/agent-a1b2.jsonl", turn("agent", 1));
    log(".hidden/a/b/c/deep.jsonl", turn("deep", 1));
    for (const char* other : { "notes.json", "debug.log", "UPPER.JSONL", "x.jsonl.bak" })
        log(std::string("-home-dev-app/") + other, turn("other", 1));
    EXPECT_EQ(ids(provider.fetchRecords()), (std::multiset<std::string> { "session", "agent", "deep" }));
}

TEST_F(ClaudeCodeProviderTest, CacheOpensOnlyChangedFilesAndForgetsVanishedOnes)
{
    const auto a = log("p/a.jsonl", turn("a1", 1) + turn("a2", 2));
    const auto b = log("p/b.jsonl", turn("b1", 1));
    log("p/sub/subagents/agent-c.jsonl", turn("c1", 1));
    TempDir::setModified(a, 1'750'000'000, 100);
    const auto first = provider.fetchRecords().toVector();
    EXPECT_EQ(provider.fetchRecords().toVector(), first);
    EXPECT_EQ(provider.lastParsedFileCount(), 0u);

    // Each of these alone makes exactly one file be read again.
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        { "a nanosecond later", [&] { TempDir::setModified(a, 1'750'000'000, 101); } },
        { "date moved backwards", [&] { TempDir::setModified(a, 1'600'000'000, 101); } },
        { "same date, other size", [&] {
             home.append(".claude/projects/p/a.jsonl", turn("a3", 3));
             TempDir::setModified(a, 1'600'000'000, 101);
         } },
        { "replaced, same date and size", [&] {
             const auto tmp = home.write("replacement", turn("a1", 9) + turn("a2", 2) + turn("a3", 3));
             TempDir::setModified(tmp, 1'600'000'000, 101);
             fs::rename(tmp, a);
         } },
    };
    for (const auto& [name, change] : changes) {
        change();
        provider.fetchRecords();
        EXPECT_EQ(provider.lastParsedFileCount(), 1u) << name;
    }
    std::int64_t a1 = 0;
    provider.fetchRecords().forEach([&](const UsageRecord& r) { a1 += r.messageId.view() == "a1" ? r.outputTokens : 0; });
    EXPECT_EQ(a1, 9);

    fs::remove(b);
    fs::remove_all(home.path(".claude/projects/p/sub"));
    EXPECT_EQ(ids(provider.fetchRecords()), (std::multiset<std::string> { "a1", "a2", "a3" }));
    EXPECT_EQ(provider.lastParsedFileCount(), 0u);
    log("p/b.jsonl", turn("b1", 1));
    EXPECT_EQ(ids(provider.fetchRecords()).count("b1"), 1u);
}

TEST_F(ClaudeCodeProviderTest, DeduplicatesWithinAFileOnly)
{
    log("p/one.jsonl", turn("same", 1) + turn("same", 2));
    log("p/two.jsonl", turn("same", 3));
    EXPECT_EQ(ids(provider.fetchRecords()), (std::multiset<std::string> { "same", "same" }));
}

TEST_F(ClaudeCodeProviderTest, SymbolicLinkCyclesAreVisitedOnce)
{
    TempDir elsewhere;
    elsewhere.write("linked/e.jsonl", turn("elsewhere", 1));
    log("p/a.jsonl", turn("a", 1));
    fs::create_directory_symlink(home.path(".claude/projects/p"), home.path(".claude/projects/p/self"));
    fs::create_directory_symlink(projects, home.path(".claude/projects/p/up"));
    fs::create_directory_symlink(home.path(".claude/projects/p"), home.path(".claude/projects/q"));
    fs::create_directory_symlink(elsewhere.path("linked"), home.path(".claude/projects/p/out"));
    fs::create_symlink(home.path(".claude/projects/nowhere"), home.path(".claude/projects/p/dangling.jsonl"));
    EXPECT_EQ(ids(provider.fetchRecords()), (std::multiset<std::string> { "a", "elsewhere" }));
}

// A named pipe must not block a refresh (nor a device flood it): only regular files are read.
TEST_F(ClaudeCodeProviderTest, SpecialFilesAreSkipped)
{
    log("p/a.jsonl", turn("a", 1));
    const auto fifo = home.path(".claude/projects/p/pipe.jsonl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto fetched = std::async(std::launch::async, [&] { return ids(provider.fetchRecords()); });
    if (fetched.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        FAIL() << "reading a named pipe blocked the refresh";
    }
    EXPECT_EQ(fetched.get(), (std::multiset<std::string> { "a" }));
}

// Unreadable logs count again once readable, although a change of permissions leaves their stamp.
TEST_F(ClaudeCodeProviderTest, UnreadableFoldersAndFilesContributeNothingUntilReadable)
{
    log("p/a.jsonl", turn("a", 1));
    const auto file = log("p/locked.jsonl", turn("locked", 1));
    const auto folder = home.path(".claude/projects/closed");
    log("closed/b.jsonl", turn("b", 1));
    const auto held = runUnprivileged(home.path(), [&] {
        fs::permissions(file, fs::perms::none);
        fs::permissions(folder, fs::perms::none);
        const bool locked = ids(provider.fetchRecords()) == std::multiset<std::string> { "a" };
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(folder, fs::perms::owner_all);
        return locked && ids(provider.fetchRecords()) == std::multiset<std::string> { "a", "b", "locked" };
    });
    if (!held)
        GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_TRUE(*held);
}

// Logs growing, appearing and vanishing while a refresh reads them: no torn records, and the next
// refresh after the writers stop sees exactly what is on disk.
TEST_F(ClaudeCodeProviderTest, FilesChangingDuringARefresh)
{
    log("p/growing.jsonl", std::string(9u << 20, '\n') + turn("g0", 7));
    std::atomic<bool> stop { false };
    std::thread writer([&] {
        for (int i = 1; !stop; ++i) {
            home.append(".claude/projects/p/growing.jsonl", turn("g" + std::to_string(i), 7));
            // Rewrites change the size: a rewrite to the same size within one tick of the file
            // system clock is indistinguishable from no change without reading the file.
            log("p/churn-" + std::to_string(i % 5) + ".jsonl", std::string(i % 97 + 1, '\n') + turn("c", 7));
            fs::remove(home.path(".claude/projects/p/churn-" + std::to_string((i + 2) % 5) + ".jsonl"));
        }
    });
    for (int i = 0; i < 10; ++i)
        provider.fetchRecords().forEach([](const UsageRecord& r) {
            // A turn caught between its two streamed lines shows the first line's output.
            EXPECT_TRUE(r.inputTokens == 1 && r.cacheReadTokens == 3 && (r.outputTokens == 2 || r.outputTokens == 7));
        });
    stop = true;
    writer.join();

    std::size_t expected = 0;
    for (const auto& entry : fs::recursive_directory_iterator(projects))
        expected += JSONLParser::deduplicate(JSONLParser::parseFile(entry.path().string())).size();
    EXPECT_EQ(provider.fetchRecords().size(), expected);
}

TEST(ProviderManager, AvailabilityAndDisplayNames)
{
    TempDir home;
    ProviderManager manager(home.path(".claude/projects"));
    ASSERT_EQ(manager.providers().size(), 1u);
    EXPECT_TRUE(manager.enabledProviders().empty());
    EXPECT_TRUE(manager.allWatchDirectories().empty());
    home.mkdir(".claude/projects");
    EXPECT_EQ(manager.enabledProviders().size(), 1u);
    EXPECT_EQ(manager.allWatchDirectories(), std::vector<std::string> { home.path(".claude/projects") });

    const std::pair<const char*, const char*> names[] = {
        { "claude-opus-4-1", "Opus" }, { "claude-sonnet-4-5", "Sonnet" }, { "claude-3-5-haiku", "Haiku" },
        { "CLAUDE-OPUS-X", "Opus" }, { "opus-sonnet", "Opus" }, { "gpt-4o", "gpt-4o" }, { "", "" },
    };
    for (const auto& [model, shown] : names) {
        EXPECT_EQ(ProviderManager::displayName(manager.providers(), QString::fromUtf8(model), QStringLiteral("claude-code")),
                  QString::fromUtf8(shown));
        EXPECT_EQ(ProviderManager::displayName(manager.providers(), QString::fromUtf8(model), QStringLiteral("other")),
                  QString::fromUtf8(model));
    }
}

}
