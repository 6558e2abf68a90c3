#pragma once

#include <set>
#include <string>
#include <vector>

namespace pacemark {

// What changed below the log folders since the last read: the paths of the files and folders that
// were created, written, removed or renamed, or "unknown" when anything may have changed (a watcher
// that lost events, a first read, a read asked for by hand), which takes a full listing.
class LogChanges
{
public:
    // Nothing changed.
    LogChanges() = default;
    static LogChanges unknown();

    bool isUnknown() const { return m_unknown; }
    bool isEmpty() const { return !m_unknown && m_paths.empty(); }
    const std::set<std::string>& paths() const { return m_paths; }

    void add(std::string path);
    // The changes of both: a later read must see each of them.
    void merge(const LogChanges& other);
    // Whether a change may concern what lies below one of the folders.
    bool touches(const std::vector<std::string>& folders) const;
    // Whether the path lies below the folder (or is the folder).
    static bool isBelow(const std::string& path, const std::string& folder);

private:
    bool m_unknown = false;
    std::set<std::string> m_paths;
};

}
