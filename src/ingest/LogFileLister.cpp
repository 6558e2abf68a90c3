#include "ingest/LogFileLister.h"

namespace pacemark {

std::vector<DirectoryWalker::File> LogFileLister::list(const std::vector<std::string>& folders, Scope scope)
{
    if (scope == Scope::SessionLogs)
        return DirectoryWalker::collect(folders, isSessionLog, false);
    return DirectoryWalker::collect(folders, isWatched, true);
}

bool LogFileLister::isWatched(std::string_view name)
{
    return name.ends_with(".jsonl") || name.ends_with(".json") || name.ends_with(".log")
        || name.ends_with(".jsonl.zst");
}

}
