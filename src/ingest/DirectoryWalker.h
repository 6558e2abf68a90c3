#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ingest/FileStamp.h"

namespace pacemark {

// Lists the regular files below a folder with their stamps, depth-first in directory-listing order,
// following symbolic links to folders and files. Each folder is entered once, whatever the number of
// paths that lead to it, so link cycles cannot make a scan loop. Folders that cannot be listed and
// files that cannot be examined contribute nothing. Each file is examined relative to its open folder,
// which spares the kernel a walk of the whole path per file: with many logs, that walk was most of a
// refresh that found nothing new.
class DirectoryWalker
{
public:
    using NameFilter = std::function<bool(std::string_view name)>;

    struct File
    {
        std::string path;
        FileStamp stamp;
    };

    // Files directly in a root are collected only when includeTopLevelFiles is set. Roots are walked
    // in order; a folder reached from two roots is listed under the first.
    static std::vector<File> collect(const std::vector<std::string>& roots, const NameFilter& accept,
                                     bool includeTopLevelFiles);
};

}
