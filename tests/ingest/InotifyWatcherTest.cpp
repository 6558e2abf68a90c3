#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include <gtest/gtest.h>

#include "EventLoop.h"
#include "TempDir.h"
#include "ingest/InotifyWatcher.h"

using namespace pacemark;

namespace fs = std::filesystem;

namespace {

class InotifyWatcherTest : public ::testing::Test
{
protected:
    TempDir home;
    std::string root = home.path("projects");
    std::vector<std::string> directories { root };
    std::unique_ptr<InotifyWatcher> watcher { InotifyWatcher::create(std::chrono::milliseconds(20),
                                                                     std::chrono::hours(1)) };
    LogChanges seen;
    // The reports gathered up to the last one reported() waited for.
    LogChanges before;

    void SetUp() override
    {
        ASSERT_TRUE(watcher);
        home.write("projects/p/a.jsonl", "{}\n");
        watcher->setDirectoryProvider([this] { return directories; });
        watcher->setOnFilesChanged([this](const LogChanges& changes) {
            EXPECT_FALSE(changes.isEmpty());
            seen.merge(changes);
        });
        watcher->start();
    }

    // Whether the path is reported, the reports gathered so far forgotten.
    bool reported(const std::string& relative)
    {
        const bool found = waitUntil([&] { return seen.paths().contains(home.path(relative)); });
        before = std::exchange(seen, {});
        return found;
    }
};

TEST_F(InotifyWatcherTest, NamesEachChangedLogAndWatchesFoldersAsTheyAppear)
{
    const std::pair<const char*, std::function<void()>> changes[] = {
        { "projects/p/a.jsonl", [&] { home.append("projects/p/a.jsonl", "{}\n"); } },
        { "projects/p/b.jsonl", [&] { home.write("projects/p/b.jsonl", "{}\n"); } },
        { "projects/p/c.jsonl", [&] { fs::rename(home.path("projects/p/b.jsonl"), home.path("projects/p/c.jsonl")); } },
        { "projects/p/c.jsonl", [&] { fs::remove(home.path("projects/p/c.jsonl")); } },
        { "projects/p/a.jsonl",
          [&] { fs::permissions(home.path("projects/p/a.jsonl"), fs::perms::owner_read | fs::perms::owner_write); } },
        // The files of a folder made a moment before its watch are found by the walk that adds it.
        { "projects/q/s/x.jsonl", [&] { home.write("projects/q/s/x.jsonl", "{}\n"); } },
        { "projects/q/s/x.jsonl", [&] { home.append("projects/q/s/x.jsonl", "{}\n"); } },
        { "projects/q", [&] { fs::rename(home.path("projects/q"), home.path("projects/r")); } },
        { "projects/r/s/x.jsonl", [&] { home.append("projects/r/s/x.jsonl", "{}\n"); } },
        { "projects/r", [&] { fs::remove_all(home.path("projects/r")); } },
    };
    for (const auto& [path, change] : changes) {
        change();
        EXPECT_TRUE(reported(path)) << path;
    }

    // Files that are no logs are not reported.
    home.write("projects/p/notes.txt", "x");
    home.append("projects/p/a.jsonl", "{}\n");
    ASSERT_TRUE(reported("projects/p/a.jsonl"));
    EXPECT_FALSE(before.paths().contains(home.path("projects/p/notes.txt")));

    // A folder that appears among the watched ones is watched from then on.
    directories.push_back(home.path("codex"));
    home.write("codex/sessions/r.jsonl", "{}\n");
    EXPECT_TRUE(reported("codex"));
    home.append("codex/sessions/r.jsonl", "{}\n");
    EXPECT_TRUE(reported("codex/sessions/r.jsonl"));

    // A log whose link target lies elsewhere changes unseen by any watch: a sweep finds it.
    const auto target = home.write("elsewhere/t.jsonl", "{}\n");
    fs::create_symlink(target, home.path("projects/p/linked.jsonl"));
    EXPECT_TRUE(reported("projects/p/linked.jsonl"));
    watcher->checkForChanges();
    EXPECT_TRUE(reported("projects/p/linked.jsonl"));
    home.append("elsewhere/t.jsonl", "{}\n{}\n");
    watcher->checkForChanges();
    EXPECT_TRUE(reported("projects/p/linked.jsonl"));

    watcher->stop();
    EXPECT_TRUE(!watcher->isRunning() && watcher->watchedFolderCount() == 0);
}

// More events than the kernel queues at once: the change is unknown, and watching goes on.
TEST_F(InotifyWatcherTest, AnOverflowedQueueReportsAnUnknownChange)
{
    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    const int a = ::open(home.path("projects/p/a.jsonl").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    const int b = ::open(home.write("projects/p/b.jsonl", "").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_TRUE(a >= 0 && b >= 0);
    // Alternating files, so that the kernel cannot merge an event with the one before.
    for (int i = 0; i <= queued / 2 + 1; ++i)
        ASSERT_TRUE(::write(a, "\n", 1) == 1 && ::write(b, "\n", 1) == 1);
    ::close(a);
    ::close(b);
    ASSERT_TRUE(waitUntil([&] { return seen.isUnknown(); }));
    seen = {};
    home.write("projects/n/new.jsonl", "{}\n");
    EXPECT_TRUE(reported("projects/n/new.jsonl"));
    EXPECT_TRUE(watcher->watchesEverything());
}

}
