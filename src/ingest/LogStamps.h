#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "ingest/DirectoryWalker.h"
#include "ingest/FileStamp.h"
#include "ingest/LogChanges.h"

namespace pacemark {

// The stamps of the watched files as a listing saw them last; a new listing tells which paths are
// new, changed or gone since, without opening any file.
class LogStamps
{
public:
    // Keeps the listing for the next comparison and returns what differs from the one before.
    LogChanges update(std::vector<DirectoryWalker::File> listing);
    // The watched files below the folders now, compared with the last listing.
    LogChanges sweep(const std::vector<std::string>& folders);

private:
    std::unordered_map<std::string, FileStamp> m_stamps;
};

}
