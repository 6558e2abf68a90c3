#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <QTimer>

#include "ingest/LogWatcher.h"

class QSocketNotifier;

namespace pacemark {

class LogStamps;

// Watches the log folders, and every folder below them, with inotify: a folder's watch names each
// file written, created, removed or renamed in it, so a change costs no listing and an unchanged
// home costs nothing. Folders that appear get watches as they appear. When the kernel drops events
// (its queue overflowed) the change is "unknown" and every folder is watched anew; when it refuses
// a watch (the per-user limit), the watcher falls back to comparing full listings at the poll
// interval. Either way a slow sweep, off the main thread, compares full listings now and then, for
// what no watch can see (a linked log's target written elsewhere).
class InotifyWatcher : public LogWatcher
{
    Q_OBJECT

public:
    // Null where the system offers no inotify instance.
    static InotifyWatcher* create(std::chrono::milliseconds pollInterval = std::chrono::seconds(10),
                                  std::chrono::milliseconds sweepInterval = std::chrono::minutes(5),
                                  QObject* parent = nullptr);
    ~InotifyWatcher() override;

    void start() override;
    void stop() override;
    bool isRunning() const override { return m_running; }
    // Asks for the folders again and sweeps now, off the main thread; what differs is reported when
    // the sweep is done.
    void checkForChanges() override;

    // Whether every folder below the watched ones has a watch.
    bool watchesEverything() const { return m_complete; }
    std::size_t watchedFolderCount() const { return m_folders.size(); }

private:
    InotifyWatcher(int fd, std::chrono::milliseconds pollInterval, std::chrono::milliseconds sweepInterval,
                   QObject* parent);

    void readEvents();
    // Asks for the folders again: new ones are watched, vanished ones reported.
    void checkRoots();
    // Watches the folder and every folder below it; the watched files met are added to found, if any.
    void watchTree(const std::string& path, LogChanges* found);
    void forgetBelow(const std::string& path);
    void watchAll();
    void sweep();
    void swept(const LogChanges& changes, bool baseline);

    const int m_fd;
    const std::chrono::milliseconds m_pollInterval;
    const std::chrono::milliseconds m_sweepInterval;
    QSocketNotifier* m_notifier;
    QTimer m_rootTimer;
    QTimer m_sweepTimer;
    bool m_running = false;
    bool m_complete = true;
    std::vector<std::string> m_roots;
    std::unordered_map<int, std::string> m_folders;
    // Used by one sweep at a time, on a worker.
    std::shared_ptr<LogStamps> m_stamps;
    bool m_baselined = false;
    bool m_sweeping = false;
    bool m_sweepAgain = false;
};

}
