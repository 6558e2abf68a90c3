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

using namespace pacemark;

namespace fs = std::filesystem;

namespace {

std::string turn(const std::string& id, std::int64_t output, const std::string& session = "s")
{
    return ClaudeLog::user("2025-06-01T09:00:00Z", 3000, session)
        + ClaudeLog::assistant(id, "2025-06-01T09:00:01Z", { 1, output, 2, 3 }, ClaudeLog::Sonnet, session, 2);
}

const std::string Req = R"("req_011CVpXx")";
const std::string T0 = "2025-06-01T09:00:00Z", T1 = "2025-06-01T09:00:01Z";

// An assistant line; requestId is the raw JSON value, left out when empty.
std::string line(const std::string& id, std::int64_t output, const std::string& session = "s",
                 const std::string& requestId = "", const std::string& at = T0)
{
    return R"({"type":"assistant","sessionId":")" + session + R"(","timestamp":")" + at + "\""
        + (requestId.empty() ? "" : ",\"requestId\":" + requestId) + R"(,"message":{"id":")" + id
        + R"(","model":"claude-opus-4-1","usage":{"input_tokens":1,"output_tokens":)" + std::to_string(output)
        + "}}}\n";
}

// A sub-agent's message as the parent's log relays it, requestId as in line(); the line's own time
// is later than the message's.
std::string progress(const std::string& id, std::int64_t output, const std::string& session = "s",
                     const std::string& requestId = Req, const std::string& at = T0)
{
    return R"({"type":"progress","sessionId":")" + session + R"(","timestamp":")" + T1
        + R"(","data":{"type":"agent_progress","agentId":"a1","message":{"type":"assistant","timestamp":")" + at + "\""
        + (requestId.empty() ? "" : ",\"requestId\":" + requestId) + R"(,"message":{"id":")" + id
        + R"(","model":"claude-haiku-4-5-20251001","stop_reason":null,"usage":{"input_tokens":1,"output_tokens":)"
        + std::to_string(output) + "}}}}}\n";
}

using Kept = std::multiset<std::string>;
using Logs = std::vector<std::pair<std::string, std::string>>;

// Each record as id/session/output, which tells the copies apart.
Kept kept(const RecordList& records)
{
    Kept out;
    records.forEach([&](const UsageRecord& r) {
        out.insert(std::string(r.messageId.view()) + "/" + r.sessionId.str() + "/" + std::to_string(r.outputTokens));
    });
    return out;
}

// Each case's logs (path, content) in a tree of their own, read fresh: the records kept.
void expectKept(std::initializer_list<std::tuple<const char*, Logs, Kept>> cases)
{
    for (const auto& [name, files, expected] : cases) {
        TempDir tree;
        for (const auto& [path, content] : files)
            tree.write(path, content);
        EXPECT_EQ(kept(ClaudeCodeProvider({ tree.path() }).fetchRecords()), expected) << name;
    }
}

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
    std::vector<UsageRecord> fetch() { return provider.fetchRecords().toVector(); }
    // What a fresh read of the whole tree gives.
    std::vector<UsageRecord> fresh() { return ClaudeCodeProvider({ projects }).fetchRecords().toVector(); }
};

// A record's project is the folder its line names, else the log's folder right below projects/.
TEST_F(ClaudeCodeProviderTest, FindsSessionLogsAtAnyDepthOnlyAndTheirProjects)
{
    log("top.jsonl", turn("top", 1));
    log("-home-dev-app/11111111.jsonl", line("session", 1) + turn("cwd", 1) + line("after", 1));
    log("-home-dev-app/11111111/subagents/agent-a1b2.jsonl", line("agent", 1));
    log(".hidden/a/b/c/deep.jsonl", turn("deep", 1));
    for (const char* other : { "notes.json", "debug.log", "UPPER.JSONL", "x.jsonl.bak" })
        log(std::string("-home-dev-app/") + other, turn("other", 1));
    Kept found;
    provider.fetchRecords().forEach([&](const UsageRecord& r) {
        found.insert(std::string(r.messageId.view()) + " in " + std::string(r.project.view()));
    });
    EXPECT_EQ(found,
              (Kept { "session in -home-dev-app", "cwd in /home/dev/project", "after in -home-dev-app",
                      "agent in -home-dev-app", "deep in /home/dev/project" }));
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
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "a1/s/9", "a2/s/2", "a3/s/3" }));
    EXPECT_EQ(provider.lastParsedFileCount(), 0u);
    log("p/b.jsonl", turn("b1", 1));
    EXPECT_EQ(kept(provider.fetchRecords()).count("b1/s/1"), 1u);
}

// Told which paths changed, it stats and reads those alone; a folder that went, or an unknown
// change, lists everything again. Each time the records are those of a fresh read.
TEST_F(ClaudeCodeProviderTest, ReadsOnlyTheChangedPathsItIsToldOf)
{
    const auto a = log("p/a.jsonl", turn("a1", 1));
    log("p/b.jsonl", turn("b1", 1));
    provider.fetchRecords();
    const auto changed = [&](std::initializer_list<std::string> relative) {
        LogChanges changes;
        for (const auto& path : relative)
            changes.add(projects + "/" + path);
        return changes;
    };

    // change, the paths told, files read (-1: every file, after a new listing)
    const std::tuple<const char*, std::function<void()>, LogChanges, int> steps[] = {
        { "no log", [&] { log("p/notes.json", "{}"); }, changed({ "p/notes.json", "top.jsonl" }), 0 },
        { "appended", [&] { home.append(".claude/projects/p/a.jsonl", turn("a2", 2)); }, changed({ "p/a.jsonl" }), 1 },
        { "new log", [&] { log("p/c.jsonl", turn("c1", 1)); }, changed({ "p/c.jsonl" }), 1 },
        { "vanished", [&] { fs::remove(home.path(".claude/projects/p/b.jsonl")); }, changed({ "p/b.jsonl" }), 0 },
        { "a second name of a log", [&] { fs::create_hard_link(a, home.path(".claude/projects/p/d.jsonl")); },
          changed({ "p/d.jsonl" }), 0 },
        { "its first name gone", [&] { fs::remove(a); }, changed({ "p/a.jsonl" }), -1 },
        { "new folder", [&] { log("q/r/e.jsonl", turn("e1", 1)); }, changed({ "q/r/e.jsonl" }), 1 },
        { "folder gone", [&] { fs::remove_all(home.path(".claude/projects/q")); }, changed({ "q" }), -1 },
        { "elsewhere", [&] { home.write("other/f.jsonl", turn("f1", 1)); }, changed({}), 0 },
        { "unknown", [&] { log("p/g.jsonl", turn("g1", 1)); }, LogChanges::unknown(), 1 },
    };
    // The logs' order may differ from a listing's.
    const auto counted = [](const RecordList& records) {
        Kept out;
        records.forEach([&](const UsageRecord& r) {
            out.insert(std::string(r.messageId.view()) + " in " + std::string(r.project.view()));
        });
        return out;
    };
    for (const auto& [name, change, changes, reads] : steps) {
        change();
        EXPECT_EQ(counted(provider.fetchRecordsAfter(changes)),
                  counted(ClaudeCodeProvider({ projects }).fetchRecords()))
            << name;
        EXPECT_TRUE(reads < 0 || provider.lastParsedFileCount() == static_cast<std::size_t>(reads)) << name;
    }
    // The folder itself vanished.
    fs::remove_all(projects);
    EXPECT_TRUE(provider.fetchRecordsAfter(LogChanges()).empty());
}

// Resumed and forked sessions begin with a copy of the earlier conversation.
TEST_F(ClaudeCodeProviderTest, CopiesOfOneRequestInSeveralLogsCountOnce)
{
    expectKept({
        { "resumed, same time: the path sorting first",
          { { "p/1-old.jsonl", line("m", 5, "old", Req) + line("o", 6, "old", R"("req_o")") },
            { "p/2-resumed.jsonl", line("m", 5, "new", Req) + line("n", 7, "new", R"("req_n")", T1) },
            { "p/0/fork.jsonl", line("o", 6, "fork", R"("req_o")") } },
          Kept { "m/old/5", "o/fork/6", "n/new/7" } },
        { "the earliest copy",
          { { "p/1-old.jsonl", line("m", 5, "old", Req) }, { "p/0-resumed.jsonl", line("m", 9, "new", Req, T1) } },
          Kept { "m/old/5" } },
        { "then the larger total",
          { { "p/1-old.jsonl", line("m", 5, "old", Req) }, { "p/2-resumed.jsonl", line("m", 9, "new", Req) } },
          Kept { "m/new/9" } },
        { "within a file the last line, then across files",
          { { "p/1-old.jsonl", line("m", 5, "old", Req) + line("m", 9, "old", Req) },
            { "p/2-resumed.jsonl", line("m", 9, "new", Req) } },
          Kept { "m/old/9" } },
        { "another request",
          { { "p/1.jsonl", line("m", 5, "a", Req) }, { "p/2.jsonl", line("m", 5, "b", R"("req_2")") } },
          Kept { "m/a/5", "m/b/5" } },
        { "no request id (relays reuse message ids)",
          { { "p/1.jsonl", line("m", 5, "a") }, { "p/2.jsonl", line("m", 5, "b") } },
          Kept { "m/a/5", "m/b/5" } },
        { "request ids that are not strings",
          { { "p/1.jsonl", line("m", 1, "a", "12") },
            { "p/2.jsonl", line("m", 2, "a", "null") },
            { "p/3.jsonl", line("m", 3, "a", R"({"id":"req_011CVpXx"})") },
            { "p/4.jsonl", line("m", 4, "a", R"("")") },
            { "p/5.jsonl", line("m", 5, "a", Req) } },
          Kept { "m/a/1", "m/a/2", "m/a/3", "m/a/4", "m/a/5" } },
    });
}

// A sub-agent's messages stand in progress lines of the parent's log, and may stand in the sub-agent's
// own log too. An assistant line always wins over a progress line; progress lines alone count once.
TEST_F(ClaudeCodeProviderTest, SubAgentMessagesRelayedInProgressLines)
{
    const std::string agentLog = "p/s/subagents/agent-a1.jsonl";
    expectKept({
        { "progress lines alone: the last snapshot of each message",
          { { "p/s.jsonl", progress("a", 1) + progress("a", 5) + line("m", 2, "s", R"("req_m")") + progress("b", 3) } },
          Kept { "a/s/5", "m/s/2", "b/s/3" } },
        { "the sub-agent's log beside them, its lines later or earlier",
          { { "p/s.jsonl", progress("a", 1) + progress("a", 5) + progress("b", 3, "s", R"("req_b")", T1) },
            { agentLog, line("a", 5, "agent", Req, T1) + line("b", 3, "agent", R"("req_b")", T0) } },
          Kept { "a/agent/5", "b/agent/3" } },
        { "an assistant line of the same log, before or after",
          { { "p/s.jsonl", line("a", 2, "s", Req) + progress("a", 9) + progress("b", 9, "s", R"("req_b")") },
            { "p/t.jsonl", progress("b", 9, "t", R"("req_b")") + line("b", 4, "t", R"("req_b")") } },
          Kept { "a/s/2", "b/t/4" } },
        { "progress copies in a resumed session",
          { { "p/1-old.jsonl", progress("a", 5, "old") }, { "p/2-resumed.jsonl", progress("a", 5, "new") } },
          Kept { "a/old/5" } },
        { "another request id",
          { { "p/s.jsonl", progress("a", 5) }, { agentLog, line("a", 5, "agent", R"("req_2")") } },
          Kept { "a/s/5", "a/agent/5" } },
        { "no request id: an assistant line with the message id wins, progress copies never merge",
          { { "p/s.jsonl", progress("a", 5, "s", "") + progress("b", 1, "s", "") },
            { agentLog, line("a", 5, "agent") },
            { "p/2-resumed.jsonl", progress("b", 1, "new", "") } },
          Kept { "a/agent/5", "b/s/1", "b/new/1" } },
    });

    // The sub-agent's log written after its messages were counted from the progress lines.
    log("p/s.jsonl", progress("a", 5) + progress("c", 7, "s", R"("req_c")"));
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "a/s/5", "c/s/7" }));
    log(agentLog, line("a", 5, "agent", Req, T1));
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "a/agent/5", "c/s/7" }));
    home.append(".claude/projects/p/s.jsonl", line("c", 8, "s", R"("req_c")"));
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "a/agent/5", "c/s/8" }));
    EXPECT_EQ(provider.lastAppendReadCount(), 1u);
}

TEST_F(ClaudeCodeProviderTest, KeptCopyFollowsTheFilesHoldingIt)
{
    log("p/1-old.jsonl", line("m", 5, "old", Req, T1) + line("x", 1, "old", R"("req_x")", T1));
    const auto resumed = log("p/2-resumed.jsonl", line("m", 5, "new", Req, T1));
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "m/old/5", "x/old/1" }));

    // The old log grows with a later line of the message: its copy gets smaller than the other.
    home.append(".claude/projects/p/1-old.jsonl", line("m", 3, "old", Req, T1));
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "m/new/5", "x/old/1" }));

    fs::remove(resumed);
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "m/old/3", "x/old/1" }));
    log("p/3-fork.jsonl", line("m", 3, "fork", Req));
    EXPECT_EQ(kept(provider.fetchRecords()), (Kept { "m/fork/3", "x/old/1" }));
}

// Links are followed, each file and folder read once even in a cycle. A named pipe must not block a
// refresh (nor a device flood it): only regular files are read.
TEST_F(ClaudeCodeProviderTest, LinksAreReadOnceAndSpecialFilesSkipped)
{
    TempDir elsewhere;
    elsewhere.write("linked/e.jsonl", turn("elsewhere", 1));
    const auto a = log("p/a.jsonl", turn("a", 1) + line("no-request", 1));
    fs::create_symlink(a, home.path(".claude/projects/p/link.jsonl"));
    fs::create_hard_link(a, elsewhere.path("linked/hard.jsonl"));
    fs::create_directory_symlink(home.path(".claude/projects/p"), home.path(".claude/projects/p/self"));
    fs::create_directory_symlink(projects, home.path(".claude/projects/p/up"));
    fs::create_directory_symlink(home.path(".claude/projects/p"), home.path(".claude/projects/q"));
    fs::create_directory_symlink(elsewhere.path("linked"), home.path(".claude/projects/p/out"));
    fs::create_symlink(home.path(".claude/projects/nowhere"), home.path(".claude/projects/p/dangling.jsonl"));
    const auto fifo = home.path(".claude/projects/p/pipe.jsonl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto fetched = std::async(std::launch::async, [&] { return kept(provider.fetchRecords()); });
    if (fetched.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        FAIL() << "reading a named pipe blocked the refresh";
    }
    EXPECT_EQ(fetched.get(), (Kept { "a/s/1", "no-request/s/1", "elsewhere/s/1" }));
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
        const bool locked = kept(provider.fetchRecords()) == Kept { "a/s/1" };
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(folder, fs::perms::owner_all);
        return locked && kept(provider.fetchRecords()) == Kept { "a/s/1", "b/s/1", "locked/s/1" };
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

    EXPECT_EQ(fetch(), fresh());
}

// A grown log is read from where the last read stopped, one changed in any other way whole; every step
// gives what a fresh read gives.
TEST_F(ClaudeCodeProviderTest, GrowingLogReadsOnlyTheNewLinesAndAnyOtherChangeTheWhole)
{
    const std::string later = line("b", 2) + line("c", 3) + line("d", 4);
    const auto path = log("p/s.jsonl", line("a", 100) + later);
    fetch();
    // what is written, whether it is appended (else the log rewritten with it), whether read as an append
    const std::tuple<std::string, bool, bool> steps[] = {
        // An early line rewritten with the same length, far enough back that the bytes just before the
        // old end are as they were, then more appended.
        { line("a", 900) + later + line("e", 5), false, false },
        { line("f", 6), true, true },
        { line("f", 60), true, true }, // a repeated id updates the record in place
        { line("b", 20) + line("g", 7), true, true }, // so does one from further back
        { line("h", 8).substr(0, 60), true, true },
        { line("h", 8).substr(60), true, false }, // completes the half-written line
        { line("z", 9), false, false },
    };
    for (const auto& [written, appended, appendRead] : steps) {
        appended ? home.append(".claude/projects/p/s.jsonl", written) : log("p/s.jsonl", written);
        EXPECT_EQ(fetch(), fresh()) << written;
        EXPECT_EQ(provider.lastAppendReadCount(), appendRead ? 1u : 0u) << written;
    }
    // Replaced by another file that begins with the same bytes.
    fs::rename(home.write("other.jsonl", line("z", 9) + line("n", 5)), path);
    EXPECT_EQ(fetch(), fresh());
    EXPECT_EQ(provider.lastAppendReadCount(), 0u);
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
    static std::string requested(const std::string& id) { return line(id, 1, "s", "\"req_" + id + "\""); }

    TempDir home;
};

TEST_F(LogFoldersTest, ConfigFoldersFromTheEnvironmentEachReadOnce)
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

    // Every folder that exists is read, once.
    setEnvironment(home);
    const auto read = [](const char* name, const Kept& expected, std::size_t folders) {
        ClaudeCodeProvider reader(ClaudePaths::projectsPaths());
        EXPECT_EQ(std::pair(kept(reader.fetchRecords()), reader.watchDirectories().size()),
                  std::pair(expected, folders))
            << name;
    };
    home.write(".claude/projects/p/s.jsonl", requested("s1") + requested("s2"));
    home.write(".config/claude/projects/p/s.jsonl", requested("s1") + requested("s2"));
    home.write(".config/claude/projects/p/b.jsonl", requested("b"));
    read("both, with a log copied by a migration", { "s1/s/1", "s2/s/1", "b/s/1" }, 2);

    TempDir linked;
    setEnvironment(linked);
    linked.write(".claude/projects/p/a.jsonl", requested("a") + line("no-request", 1));
    linked.mkdir(".config");
    fs::create_directory_symlink(linked.path(".claude"), linked.path(".config/claude"));
    read("one folder a link to the other", { "a/s/1", "no-request/s/1" }, 1);
}

TEST(ProviderManager, AvailabilityAndDisplayNames)
{
    TempDir home;
    ProviderManager manager(std::vector<std::string> { home.path("a/projects"), home.path("b/projects") });
    EXPECT_TRUE(manager.enabledProviders().empty());
    EXPECT_TRUE(manager.allWatchDirectories().empty());
    // Claude Code, started for the first time while Pacemark runs, creates a folder: watched from then on.
    home.mkdir("b/projects");
    EXPECT_EQ(manager.allWatchDirectories(), std::vector<std::string> { home.path("b/projects") });
    home.mkdir("a/projects");
    EXPECT_EQ(manager.allWatchDirectories(),
              (std::vector<std::string> { home.path("a/projects"), home.path("b/projects") }));

    const std::pair<const char*, const char*> names[] = { { "claude-sonnet-4-5", "Sonnet" },
                                                          { "CLAUDE-OPUS-X", "Opus" },
                                                          { "opus-sonnet", "Opus" },
                                                          { "gpt-4o", "gpt-4o" },
                                                          { "", "" } };
    const auto name = [&](const char* model, const char* provider) {
        return ProviderManager::displayName(manager.providers(), QString::fromUtf8(model), QString::fromUtf8(provider))
            .toStdString();
    };
    for (const auto& [model, shown] : names)
        EXPECT_TRUE(name(model, "claude-code") == shown && name(model, "other") == model) << model;
}

}
