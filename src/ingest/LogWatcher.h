#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>

#include "ingest/LogChanges.h"

namespace pacemark {

// Notices that the usage logs below some folders changed and says which paths did. The folders are
// asked anew from time to time, so a folder that appears later is watched from then on.
class LogWatcher : public QObject
{
    Q_OBJECT

public:
    using DirectoryProvider = std::function<std::vector<std::string>()>;
    using ChangeHandler = std::function<void(const LogChanges&)>;

    // The kernel's notifications where the system offers them, else a poll every ten seconds.
    static LogWatcher* create(QObject* parent = nullptr);

    using QObject::QObject;

    void setDirectoryProvider(DirectoryProvider provider) { m_directoryProvider = std::move(provider); }
    // Called on the watcher's thread with the changes noticed at once; never with no change.
    void setOnFilesChanged(ChangeHandler callback) { m_onFilesChanged = std::move(callback); }

    // Starts watching; the first report may follow a first listing of everything.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // Compares every watched file with what was seen before, now rather than at the next sweep.
    virtual void checkForChanges() = 0;

protected:
    std::vector<std::string> directories() const
    {
        return m_directoryProvider ? m_directoryProvider() : std::vector<std::string> {};
    }
    void report(const LogChanges& changes)
    {
        if (!changes.isEmpty() && m_onFilesChanged)
            m_onFilesChanged(changes);
    }

private:
    DirectoryProvider m_directoryProvider;
    ChangeHandler m_onFilesChanged;
};

}
