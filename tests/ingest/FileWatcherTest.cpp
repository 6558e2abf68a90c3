#include <filesystem>
#include <set>

#include <QTimer>

#include <gtest/gtest.h>

#include "EventLoop.h"
#include "TempDir.h"
#include "ingest/FileWatcher.h"

using namespace pacemark;

namespace fs = std::filesystem;

namespace {

class FileWatcherTest : public ::testing::Test
{
protected:
    TempDir home;
    std::string root = home.path("projects");
    std::vector<std::string> directories { root };
    FileWatcher watcher { std::chrono::milliseconds(20) };
    int calls = 0;
    LogChanges last;

    void SetUp() override
    {
        watcher.setDirectoryProvider([this] { return directories; });
        watcher.setOnFilesChanged([this](const LogChanges& changes) {
            ++calls;
            last = changes;
        });
    }

    // Calls seen by one poll.
    int poll()
    {
        const int before = calls;
        watcher.checkForChanges();
        return calls - before;
    }
};

TEST_F(FileWatcherTest, ReportsEachKindOfChangeOncePerPollUntilStopped)
{
    const auto a = home.write("projects/p/a.jsonl", "{}\n");
    home.write("projects/p/b.jsonl", "{}\n");
    TempDir::setModified(a, 1'750'000'000, 500);
    watcher.start();
    EXPECT_TRUE(calls == 1 && poll() == 0);

    const std::pair<const char*, std::function<void()>> changes[] = {
        { "append", [&] { home.append("projects/p/a.jsonl", "{}\n"); } },
        { "one nanosecond", [&] { TempDir::setModified(a, 1'750'000'000, 501); } },
        { "date backwards", [&] { TempDir::setModified(a, 1'600'000'000); } },
        { "replaced",
          [&] {
              const auto tmp = home.write("elsewhere.jsonl", "{}\n{}\n");
              TempDir::setModified(tmp, 1'600'000'000);
              fs::rename(tmp, a);
          } },
        { "nested new file", [&] { home.write("projects/p/s/subagents/agent-1.jsonl", ""); } },
        { "settings.json", [&] { home.write("projects/settings.json", "{}"); } },
        { "debug.log", [&] { home.write("projects/p/debug.log", "x"); } },
        { "vanished", [&] { fs::remove(home.path("projects/p/b.jsonl")); } },
        { "two at once",
          [&] {
              home.append("projects/p/a.jsonl", "{}\n");
              home.append("projects/p/debug.log", "y");
          } },
    };
    for (const auto& [name, change] : changes) {
        change();
        EXPECT_EQ((std::pair { poll(), poll() }), std::pair(1, 0)) << name;
    }
    EXPECT_EQ(last.paths(),
              (std::set<std::string> { home.path("projects/p/a.jsonl"), home.path("projects/p/debug.log") }));

    home.write("projects/p/notes.txt", "x");
    home.write("projects/p/UPPER.JSONL", "x");
    EXPECT_EQ(poll(), 0);

    // Recreating a vanished file is news again: vanished entries are forgotten.
    home.write("projects/p/b.jsonl", "{}\n");
    EXPECT_EQ(poll(), 1);

    // A link back up is not followed; all folders gone is news once; a missing one is passed over.
    fs::create_directory_symlink(root, home.path("projects/p/loop"));
    EXPECT_EQ(poll(), 0);
    directories.clear();
    EXPECT_EQ((std::pair { poll(), poll() }), std::pair(1, 0));
    directories = { home.path("missing"), root };
    EXPECT_EQ(poll(), 1);

    // It also polls on its timer, until stopped; then it keeps no timer that could poll again.
    home.append("projects/p/a.jsonl", "{}\n");
    const int before = calls;
    EXPECT_TRUE(waitUntil([&] { return calls == before + 1; }));
    watcher.stop();
    EXPECT_TRUE(watcher.findChildren<QTimer*>().isEmpty());
}

}
