#include "ingest/LogChanges.h"

namespace pacemark {

LogChanges LogChanges::unknown()
{
    LogChanges changes;
    changes.m_unknown = true;
    return changes;
}

void LogChanges::add(std::string path)
{
    if (!m_unknown)
        m_paths.insert(std::move(path));
}

void LogChanges::merge(const LogChanges& other)
{
    m_unknown |= other.m_unknown;
    if (m_unknown)
        m_paths.clear();
    else
        m_paths.insert(other.m_paths.begin(), other.m_paths.end());
}

bool LogChanges::isBelow(const std::string& path, const std::string& folder)
{
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

bool LogChanges::touches(const std::vector<std::string>& folders) const
{
    if (m_unknown)
        return true;
    for (const auto& path : m_paths)
        for (const auto& folder : folders)
            // A folder that was removed or renamed as a whole takes the logs below it along.
            if (isBelow(path, folder) || isBelow(folder, path))
                return true;
    return false;
}

}
