#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <set>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include <QtGlobal>

#include "ClaudeLog.h"
#include "TempDir.h"
#include "Unprivileged.h"
#include "basics/ClaudePaths.h"
#include "ingest/ClaudeCodeProvider.h"
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

// An assistant line; requestId is the raw JSON value, left out when empty.
std::string copy(const std::string& id, const std::string& requestId, const std::string& at, std::int64_t output,
                 const std::string& session)
{
    return R"({"type":"assistant","sessionId":")" + session + R"(","timestamp":")" + at + "\""
        + (requestId.empty() ? "" : ",\"requestId\":" + requestId) + R"(,"message":{"id":")" + id
        + R"(","model":"claude-opus-4-1","usage":{"input_tokens":1,"output_tokens":)" + std::to_string(output)
        + "}}}\n";
}

// Each record as id/session/output, which tells the copies apart.
std::multiset<std::string> kept(const RecordList& records)
{
    std::multiset<std::string> out;
    records.forEach([&](const UsageRecord& r) {
        out.insert(std::string(r.messageId.view()) + "/" + r.sessionId.str() + "/" + std::to_string(r.outputTokens));
    });
    return out;
}

const std::string Req = R"("req_011CVpXx")";
const std::string T0 = "2025-06-01T09:00:00Z", T1 = "2025-06-01T09:00:01Z";

class ClaudeCodeProviderTest : public ::testing::Test
{
protected:
    TempDir home;
    std::string projects = home.path(".claude/projects");
    ClaudeCodeProvider provider { { projects } };

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
        { "same date, other size",
          [&] {
              home.append(".claude/projects/p/a.jsonl", turn("a3", 3));
              TempDir::setModified(a, 1'600'000'000, 101);
          } },
        { "replaced, same date and size",
          [&] {
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
    EXPECT_EQ(kept(provider.fetchRecords()).count("a1/s/9"), 1u);

    fs::remove(b);
    fs::remove_all(home.path(".claude/projects/p/sub"));
    EXPECT_EQ(ids(provider.fetchRecords()), (std::multiset<std::string> { "a1", "a2", "a3" }));
    EXPECT_EQ(provider.lastParsedFileCount(), 0u);
    log("p/b.jsonl", turn("b1", 1));
    EXPECT_EQ(ids(provider.fetchRecords()).count("b1"), 1u);
}

// Resumed and forked sessions begin with a copy of the earlier conversation.
TEST_F(ClaudeCodeProviderTest, CopiesOfOneRequestInSeveralLogsCountOnce)
{
    using Kept = std::multiset<std::string>;
    // which copy is kept; the logs (path, content); the records kept
    const std::tuple<const char*, std::vector<std::pair<std::string, std::string>>, Kept> cases[] = {
        { "resumed, same time: the path sorting first",
          { { "p/1-old.jsonl", copy("m", Req, T0, 5, "old") + copy("o", R"("req_o")", T0, 6, "old") },
            { "p/2-resumed.jsonl", copy("m", Req, T0, 5, "new") + copy("n", R"("req_n")", T1, 7, "new") },
            { "p/0/fork.jsonl", copy("o", R"("req_o")", T0, 6, "fork") } },
          Kept { "m/old/5", "o/fork/6", "n/new/7" } },
        { "the earliest copy",
          { { "p/1-old.jsonl", copy("m", Req, T0, 5, "old") }, { "p/0-resumed.jsonl", copy("m", Req, T1, 9, "new") } },
          Kept { "m/old/5" } },
        { "then the larger total",
          { { "p/1-old.jsonl", copy("m", Req, T0, 5, "old") }, { "p/2-resumed.jsonl", copy("m", Req, T0, 9, "new") } },
          Kept { "m/new/9" } },
        { "within a file the last line, then across files",
          { { "p/1-old.jsonl", copy("m", Req, T0, 5, "old") + copy("m", Req, T0, 9, "old") },
            { "p/2-resumed.jsonl", copy("m", Req, T0, 9, "new") } },
          Kept { "m/old/9" } },
        { "another request",
          { { "p/1.jsonl", copy("m", Req, T0, 5, "a") }, { "p/2.jsonl", copy("m", R"("req_2")", T0, 5, "b") } },
          Kept { "m/a/5", "m/b/5" } },
        { "no request id (relays reuse message ids)",
          { { "p/1.jsonl", copy("m", "", T0, 5, "a") }, { "p/2.jsonl", copy("m", "", T0, 5, "b") } },
          Kept { "m/a/5", "m/b/5" } },
        { "request ids that are not strings",
          { { "p/1.jsonl", copy("m", "12", T0, 1, "a") },
            { "p/2.jsonl", copy("m", "null", T0, 2, "a") },
            { "p/3.jsonl", copy("m", R"({"id":"req_011CVpXx"})", T0, 3, "a") },
            { "p/4.jsonl", copy("m", R"("")", T0, 4, "a") },
            { "p/5.jsonl", copy("m", Req, T0, 5, "a") } },
          Kept { "m/a/1", "m/a/2", "m/a/3", "m/a/4", "m/a/5" } },
    };
    for (const auto& [name, files, expected] : cases) {
        TempDir tree;
        for (const auto& [path, content] : files)
            tree.write(path, content);
        EXPECT_EQ(kept(ClaudeCodeProvider({ tree.path() }).fetchRecords()), expected) << name;
    }
}

TEST_F(ClaudeCodeProviderTest, KeptCopyFollowsTheFilesHoldingIt)
{
    log("p/1-old.jsonl", copy("m", Req, T1, 5, "old") + copy("x", R"("req_x")", T1, 1, "old"));
    const auto resumed = log("p/2-resumed.jsonl", copy("m", Req, T1, 5, "new"));
    EXPECT_EQ(kept(provider.fetchRecords()), (std::multiset<std::string> { "m/old/5", "x/old/1" }));

    // The old log grows with a later line of the message: its copy gets smaller than the other.
    home.append(".claude/projects/p/1-old.jsonl", copy("m", Req, T1, 3, "old"));
    EXPECT_EQ(kept(provider.fetchRecords()), (std::multiset<std::string> { "m/new/5", "x/old/1" }));
    EXPECT_EQ(provider.lastParsedFileCount(), 1u);

    fs::remove(resumed);
    EXPECT_EQ(kept(provider.fetchRecords()), (std::multiset<std::string> { "m/old/3", "x/old/1" }));
    log("p/3-fork.jsonl", copy("m", Req, T0, 3, "fork"));
    EXPECT_EQ(kept(provider.fetchRecords()), (std::multiset<std::string> { "m/fork/3", "x/old/1" }));
    EXPECT_EQ(provider.lastParsedFileCount(), 1u);
}

TEST_F(ClaudeCodeProviderTest, SymbolicLinkCyclesAreVisitedOnce)
{
    TempDir elsewhere;
    elsewhere.write("linked/e.jsonl", turn("elsewhere", 1));
    const auto a = log("p/a.jsonl", turn("a", 1) + copy("no-request", "", T0, 1, "s"));
    fs::create_symlink(a, home.path(".claude/projects/p/link.jsonl"));
    fs::create_hard_link(a, elsewhere.path("linked/hard.jsonl"));
    fs::create_directory_symlink(home.path(".claude/projects/p"), home.path(".claude/projects/p/self"));
    fs::create_directory_symlink(projects, home.path(".claude/projects/p/up"));
    fs::create_directory_symlink(home.path(".claude/projects/p"), home.path(".claude/projects/q"));
    fs::create_directory_symlink(elsewhere.path("linked"), home.path(".claude/projects/p/out"));
    fs::create_symlink(home.path(".claude/projects/nowhere"), home.path(".claude/projects/p/dangling.jsonl"));
    EXPECT_EQ(ids(provider.fetchRecords()), (std::multiset<std::string> { "a", "no-request", "elsewhere" }));
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

    EXPECT_EQ(kept(provider.fetchRecords()), kept(ClaudeCodeProvider({ projects }).fetchRecords()));
}

// Where Claude Code keeps its logs depends on its release and on CLAUDE_CONFIG_DIR.
class LogFoldersTest : public ::testing::Test
{
protected:
    void SetUp() override { setEnvironment(home); }
    void TearDown() override { qunsetenv("CLAUDE_CONFIG_DIR"); }

    static void setEnvironment(const TempDir& h)
    {
        qputenv("HOME", QByteArray::fromStdString(h.path()));
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("CLAUDE_CONFIG_DIR");
    }
    static std::string line(const std::string& id) { return copy(id, "\"req_" + id + "\"", T0, 1, "s"); }

    TempDir home;
};

TEST_F(LogFoldersTest, ConfigFoldersFromTheEnvironment)
{
    const std::string h = home.path();
    const std::vector<std::string> defaults { h + "/.claude", h + "/.config/claude" };
    // CLAUDE_CONFIG_DIR, XDG_CONFIG_HOME (unset when null), the folders
    const std::tuple<const char*, const char*, std::vector<std::string>> cases[] = {
        { nullptr, nullptr, defaults },
        { nullptr, "relative/config", defaults },
        { nullptr, "/xdg/", { h + "/.claude", "/xdg/claude" } },
        { "", nullptr, defaults },
        { " , ", nullptr, defaults },
        { " /a/ ,, /b c,/a", "/xdg", { "/a", "/b c", "/a" } },
    };
    for (const auto& [claudeConfigDir, xdgConfigHome, expected] : cases) {
        setEnvironment(home);
        if (claudeConfigDir)
            qputenv("CLAUDE_CONFIG_DIR", claudeConfigDir);
        if (xdgConfigHome)
            qputenv("XDG_CONFIG_HOME", xdgConfigHome);
        EXPECT_EQ(ClaudePaths::configDirectories(), expected)
            << (claudeConfigDir ? claudeConfigDir : "unset") << ", " << (xdgConfigHome ? xdgConfigHome : "unset");
    }
}

TEST_F(LogFoldersTest, ReadsEveryFolderThatExistsOnce)
{
    const auto read = [](const char* name, const std::multiset<std::string>& expected, std::size_t folders) {
        ClaudeCodeProvider reader(ClaudePaths::projectsPaths());
        EXPECT_EQ(ids(reader.fetchRecords()), expected) << name;
        EXPECT_EQ(reader.watchDirectories().size(), folders) << name;
    };
    home.write(".claude/projects/p/s.jsonl", line("s1") + line("s2"));
    home.write(".config/claude/projects/p/s.jsonl", line("s1") + line("s2"));
    home.write(".config/claude/projects/p/b.jsonl", line("b"));
    read("both, with a log copied by a migration", { "s1", "s2", "b" }, 2);

    TempDir linked;
    setEnvironment(linked);
    linked.write(".claude/projects/p/a.jsonl", line("a") + copy("no-request", "", T0, 1, "s"));
    linked.mkdir(".config");
    fs::create_directory_symlink(linked.path(".claude"), linked.path(".config/claude"));
    read("one folder a link to the other", { "a", "no-request" }, 1);

    qputenv("CLAUDE_CONFIG_DIR",
            QByteArray::fromStdString(" " + home.path("c1") + " , " + home.path("missing") + ",, " + home.path("c2/")
                                      + " "));
    home.write("c1/projects/p/a.jsonl", line("a"));
    home.write("c2/projects/p/b.jsonl", line("b"));
    read("CLAUDE_CONFIG_DIR with a missing entry", { "a", "b" }, 2);
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
        { "claude-opus-4-1", "Opus" },
        { "claude-sonnet-4-5", "Sonnet" },
        { "claude-3-5-haiku", "Haiku" },
        { "CLAUDE-OPUS-X", "Opus" },
        { "opus-sonnet", "Opus" },
        { "gpt-4o", "gpt-4o" },
        { "", "" },
    };
    for (const auto& [model, shown] : names) {
        EXPECT_EQ(
            ProviderManager::displayName(manager.providers(), QString::fromUtf8(model), QStringLiteral("claude-code")),
            QString::fromUtf8(shown));
        EXPECT_EQ(ProviderManager::displayName(manager.providers(), QString::fromUtf8(model), QStringLiteral("other")),
                  QString::fromUtf8(model));
    }
}

}
