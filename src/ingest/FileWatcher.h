#pragma once

#include <chrono>

#include "ingest/LogStamps.h"
#include "ingest/LogWatcher.h"

class QTimer;

namespace pacemark {

// Notices that the usage logs changed by polling, where the kernel's notifications are not to be
// had: every poll lists the log files below the watched folders and compares their stamps with the
// previous poll's, without opening any file. A poll that sees new, changed or vanished files
// reports them once.
class FileWatcher : public LogWatcher
{
    Q_OBJECT

public:
    explicit FileWatcher(std::chrono::milliseconds pollInterval = std::chrono::seconds(10), QObject* parent = nullptr);

    // Starts the poll timer, then polls once before returning.
    void start() override;
    void stop() override;
    bool isRunning() const override { return m_timer != nullptr; }
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }

    void checkForChanges() override;

private:
    const std::chrono::milliseconds m_pollInterval;
    QTimer* m_timer = nullptr;
    LogStamps m_stamps;
};

}
