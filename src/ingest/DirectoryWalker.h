#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Lists the files below a folder, depth-first in directory-listing order, following symbolic links
// to folders. Each folder is entered once, whatever the number of paths that lead to it, so link
// cycles cannot make a scan loop. Folders that cannot be listed contribute nothing.
class DirectoryWalker
{
public:
    using NameFilter = std::function<bool(std::string_view name)>;

    // Files directly in a root are collected only when includeTopLevelFiles is set. Roots are walked
    // in order; a folder reached from two roots is listed under the first.
    static std::vector<std::string> collect(const std::vector<std::string>& roots, const NameFilter& accept,
                                            bool includeTopLevelFiles);
};
