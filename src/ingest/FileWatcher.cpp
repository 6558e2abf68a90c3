#include "ingest/FileWatcher.h"

#include <QTimer>

namespace pacemark {

FileWatcher::FileWatcher(std::chrono::milliseconds pollInterval, QObject* parent)
    : LogWatcher(parent)
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
    report(m_stamps.sweep(directories()));
}

}
