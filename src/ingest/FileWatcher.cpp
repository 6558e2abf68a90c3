#include "ingest/FileWatcher.h"

#include <unordered_set>

#include <QTimer>

#include "ingest/LogFileLister.h"

namespace pacemark {

FileWatcher::FileWatcher(std::chrono::milliseconds pollInterval, QObject* parent)
    : QObject(parent)
    , m_pollInterval(pollInterval)
{ }

void FileWatcher::start()
{
    if (!m_timer) {
        m_timer = new QTimer(this);
        // A coarse timer lets the system batch this wake-up with others, as the poll is not urgent.
        m_timer->setTimerType(Qt::CoarseTimer);
        m_timer->setInterval(m_pollInterval);
        connect(m_timer, &QTimer::timeout, this, &FileWatcher::checkForChanges);
        m_timer->start();
    }
    checkForChanges();
}

void FileWatcher::stop()
{
    delete m_timer;
    m_timer = nullptr;
}

void FileWatcher::checkForChanges()
{
    const auto directories = m_directoryProvider ? m_directoryProvider() : std::vector<std::string> {};
    bool changed = false;
    std::unordered_set<std::string> seen;
    for (auto& [path, stamp] : LogFileLister::list(directories, LogFileLister::Scope::Watched)) {
        auto [it, inserted] = m_lastStamps.try_emplace(path, stamp);
        if (!inserted && !(it->second == stamp)) {
            it->second = stamp;
            changed = true;
        }
        changed |= inserted;
        seen.insert(std::move(path));
    }
    // Logs that vanished (or a logs folder that vanished) change the figures as much as new ones.
    changed |= std::erase_if(m_lastStamps, [&](const auto& entry) { return !seen.contains(entry.first); }) > 0;

    if (changed && m_onFilesChanged)
        m_onFilesChanged();
}

}
