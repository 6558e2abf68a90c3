#include "ingest/LogWatcher.h"

#include "ingest/FileWatcher.h"
#include "ingest/InotifyWatcher.h"

namespace pacemark {

LogWatcher* LogWatcher::create(QObject* parent)
{
    if (auto* watcher = InotifyWatcher::create(std::chrono::seconds(10), std::chrono::minutes(5), parent))
        return watcher;
    return new FileWatcher(std::chrono::seconds(10), parent);
}

}
