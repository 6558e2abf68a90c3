#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ingest/DirectoryWalker.h"

namespace pacemark {

// The one rule for which files below the log folders are logs, shared by the reader and the watcher.
// A session log is a ".jsonl" file in a subfolder of a log folder (one per project). The watcher also
// reacts to the ".json" and ".log" files and to files lying in the log folder itself: a refresh they
// cause finds nothing new, but none of the logs' changes is missed.
class LogFileLister
{
public:
    enum class Scope { SessionLogs, Watched };

    static std::vector<DirectoryWalker::File> list(const std::vector<std::string>& folders, Scope scope);
    // Whether a file of that name is watched, and whether it is a session log where it lies below
    // its log folder.
    static bool isWatched(std::string_view name);
    static bool isSessionLog(std::string_view name) { return name.ends_with(".jsonl"); }
};

}
