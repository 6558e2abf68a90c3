#include "ingest/InotifyWatcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QThreadPool>

#include "ingest/LogFileLister.h"
#include "ingest/LogStamps.h"

namespace pacemark {

namespace {

constexpr std::uint32_t FolderEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
    | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

bool isFolder(const std::string& path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}

InotifyWatcher* InotifyWatcher::create(std::chrono::milliseconds pollInterval, std::chrono::milliseconds sweepInterval,
                                       QObject* parent)
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return fd < 0 ? nullptr : new InotifyWatcher(fd, pollInterval, sweepInterval, parent);
}

InotifyWatcher::InotifyWatcher(int fd, std::chrono::milliseconds pollInterval, std::chrono::milliseconds sweepInterval,
                               QObject* parent)
    : LogWatcher(parent)
    , m_fd(fd)
    , m_pollInterval(pollInterval)
    , m_sweepInterval(sweepInterval)
    , m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
    , m_stamps(std::make_shared<LogStamps>())
{
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &InotifyWatcher::readEvents);
    // Neither is urgent: a coarse timer lets the system batch the wake-ups with others.
    m_rootTimer.setTimerType(Qt::CoarseTimer);
    m_sweepTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_rootTimer, &QTimer::timeout, this, &InotifyWatcher::checkRoots);
    connect(&m_sweepTimer, &QTimer::timeout, this, &InotifyWatcher::sweep);
}

InotifyWatcher::~InotifyWatcher()
{
    delete m_notifier;
    ::close(m_fd);
}

void InotifyWatcher::start()
{
    if (m_running)
        return;
    m_running = true;
    watchAll();
    m_notifier->setEnabled(true);
    m_rootTimer.start(m_pollInterval);
    m_sweepTimer.start(m_complete ? m_sweepInterval : m_pollInterval);
    // The first sweep only learns the stamps later sweeps compare with.
    sweep();
}

void InotifyWatcher::stop()
{
    m_running = false;
    m_notifier->setEnabled(false);
    m_rootTimer.stop();
    m_sweepTimer.stop();
    for (const auto& [wd, path] : m_folders)
        ::inotify_rm_watch(m_fd, wd);
    m_folders.clear();
    m_roots.clear();
}

void InotifyWatcher::checkForChanges()
{
    if (!m_running)
        return;
    checkRoots();
    sweep();
}

void InotifyWatcher::watchAll()
{
    // Watching a folder again keeps its watch, so only the folders that vanished lose theirs.
    m_folders.clear();
    m_complete = true;
    m_roots = directories();
    for (const auto& root : m_roots)
        watchTree(root, nullptr);
}

void InotifyWatcher::watchTree(const std::string& path, LogChanges* found)
{
    const int wd = ::inotify_add_watch(m_fd, path.c_str(), FolderEvents);
    if (wd < 0) {
        // A folder that vanished meanwhile needs no watch; any other refusal leaves changes unseen.
        if (errno != ENOENT && errno != ENOTDIR)
            m_complete = false;
        return;
    }
    // A folder met again (by a link, or a link cycle) keeps the path it was first watched under.
    if (!m_folders.try_emplace(wd, path).second)
        return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    std::vector<std::string> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || (entry->d_type == DT_REG && !(found && LogFileLister::isWatched(name))))
            continue;
        const std::string child = path + "/" + std::string(name);
        const bool folder
            = entry->d_type == DT_DIR || ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) && isFolder(child));
        if (folder)
            folders.push_back(child);
        else if (found && LogFileLister::isWatched(name))
            found->add(child);
    }
    ::closedir(dir);
    for (const auto& folder : folders)
        watchTree(folder, found);
}

void InotifyWatcher::forgetBelow(const std::string& path)
{
    std::erase_if(m_folders, [&](const auto& entry) {
        if (!LogChanges::isBelow(entry.second, path))
            return false;
        ::inotify_rm_watch(m_fd, entry.first);
        return true;
    });
}

void InotifyWatcher::readEvents()
{
    LogChanges changes;
    bool overflowed = false;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                overflowed = true;
                continue;
            }
            const auto folder = m_folders.find(event->wd);
            if (folder == m_folders.end())
                continue;
            if (event->mask & IN_IGNORED) {
                // The folder is gone (or its file system unmounted): whatever lay below it is too.
                changes.add(folder->second);
                m_folders.erase(folder);
                continue;
            }
            const std::string_view name = event->len ? std::string_view(event->name) : std::string_view();
            if (name.empty()) {
                changes.add(folder->second);
                continue;
            }
            const std::string path = folder->second + "/" + std::string(name);
            const bool arrived = event->mask & (IN_CREATE | IN_MOVED_TO);
            // A folder that arrives is told by its logs, found as it is watched: they are all that
            // changed. One that leaves is told as a whole, as its logs are not known here.
            if (event->mask & IN_ISDIR) {
                if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                    changes.add(path);
                if (event->mask & IN_MOVED_FROM)
                    forgetBelow(path);
                if (arrived)
                    watchTree(path, &changes);
            } else if (LogFileLister::isWatched(name)) {
                changes.add(path);
            } else if (arrived && isFolder(path)) {
                // A link to a folder is followed as the listing follows it.
                watchTree(path, &changes);
            }
        }
    }
    if (overflowed) {
        watchAll();
        changes = LogChanges::unknown();
    }
    if (!m_complete && m_sweepTimer.interval() != m_pollInterval.count())
        m_sweepTimer.start(m_pollInterval);
    report(changes);
}

void InotifyWatcher::checkRoots()
{
    auto roots = directories();
    if (roots == m_roots)
        return;
    LogChanges changes;
    for (const auto& root : m_roots)
        if (std::find(roots.begin(), roots.end(), root) == roots.end()) {
            forgetBelow(root);
            changes.add(root);
        }
    for (const auto& root : roots)
        if (std::find(m_roots.begin(), m_roots.end(), root) == m_roots.end()) {
            watchTree(root, nullptr);
            changes.add(root);
        }
    m_roots = std::move(roots);
    if (!m_complete && m_sweepTimer.interval() != m_pollInterval.count())
        m_sweepTimer.start(m_pollInterval);
    report(changes);
}

void InotifyWatcher::sweep()
{
    if (m_sweeping) {
        m_sweepAgain = true;
        return;
    }
    m_sweeping = true;
    QPointer<InotifyWatcher> self(this);
    QThreadPool::globalInstance()->start([self, stamps = m_stamps, roots = m_roots, baseline = !m_baselined] {
        const LogChanges changes = stamps->sweep(roots);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, changes, baseline] {
                if (self)
                    self->swept(changes, baseline);
            },
            Qt::QueuedConnection);
    });
}

void InotifyWatcher::swept(const LogChanges& changes, bool baseline)
{
    m_sweeping = false;
    m_baselined = true;
    if (!m_running)
        return;
    if (!baseline)
        report(changes);
    if (std::exchange(m_sweepAgain, false))
        sweep();
}

}
