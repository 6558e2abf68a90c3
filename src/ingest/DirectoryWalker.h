#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

    // A folder's modification time changes whenever an entry is added, removed or renamed in it.
    struct Folder
    {
        std::string path;
        std::int64_t modifiedNs = 0;
        std::uint64_t inode = 0;

        friend bool operator==(const Folder&, const Folder&) = default;
    };

    // The roots and every folder below them, each stamped before its entries are read, so that an
    // entry added during the walk changes a stamp taken by it.
    static std::vector<Folder> folders(const std::vector<std::string>& roots);
    // The stamp of one folder now; empty when it is gone or no folder.
    static std::optional<Folder> folder(const std::string& path);
};

}
