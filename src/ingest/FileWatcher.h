#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QObject>

#include "ingest/DirectoryWalker.h"
#include "ingest/FileStamp.h"

class QTimer;

namespace pacemark {

// Notices that the usage logs changed by polling: every poll lists the log files below the watched
// folders and compares their stamps with the previous poll's, without opening any file. A poll
// that sees a new file, a changed file or a vanished file calls onFilesChanged once.
class FileWatcher : public QObject
{
    Q_OBJECT

public:
    using DirectoryProvider = std::function<std::vector<std::string>()>;

    explicit FileWatcher(std::chrono::milliseconds pollInterval = std::chrono::seconds(10), QObject* parent = nullptr);

    void setDirectoryProvider(DirectoryProvider provider) { m_directoryProvider = std::move(provider); }
    void setOnFilesChanged(std::function<void()> callback) { m_onFilesChanged = std::move(callback); }

    // Starts the poll timer, then polls once before returning.
    void start();
    void stop();
    bool isRunning() const { return m_timer != nullptr; }
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }

    void checkForChanges();

private:
    const std::chrono::milliseconds m_pollInterval;
    QTimer* m_timer = nullptr;
    std::unordered_map<std::string, FileStamp> m_lastStamps;
    DirectoryProvider m_directoryProvider;
    std::function<void()> m_onFilesChanged;
};

}
