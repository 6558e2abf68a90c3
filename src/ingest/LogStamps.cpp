#include "ingest/LogStamps.h"

#include <unordered_set>

#include "ingest/LogFileLister.h"

namespace pacemark {

LogChanges LogStamps::update(std::vector<DirectoryWalker::File> listing)
{
    LogChanges changes;
    std::unordered_set<std::string> seen;
    seen.reserve(listing.size());
    for (auto& [path, stamp] : listing) {
        auto [it, inserted] = m_stamps.try_emplace(path, stamp);
        if (inserted || !(it->second == stamp)) {
            it->second = stamp;
            changes.add(path);
        }
        seen.insert(std::move(path));
    }
    // Logs that vanished (or a logs folder that vanished) change the figures as much as new ones.
    std::erase_if(m_stamps, [&](const auto& entry) {
        if (seen.contains(entry.first))
            return false;
        changes.add(entry.first);
        return true;
    });
    return changes;
}

LogChanges LogStamps::sweep(const std::vector<std::string>& folders)
{
    return update(LogFileLister::list(folders, LogFileLister::Scope::Watched));
}

}
