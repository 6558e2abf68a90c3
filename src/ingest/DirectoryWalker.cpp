#include "ingest/DirectoryWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <utility>

namespace pacemark {

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

class Walk
{
public:
    Walk(const DirectoryWalker::NameFilter& accept, std::vector<DirectoryWalker::File>& out)
        : m_accept(accept)
        , m_out(out)
    { }

    // fd is an open descriptor of the folder at path, which this call takes over.
    void directory(int fd, const std::string& path, bool collectFiles)
    {
        std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
        if (!dir) {
            ::close(fd);
            return;
        }
        struct stat self;
        if (::fstat(fd, &self) != 0 || !m_visited.emplace(self.st_dev, self.st_ino).second)
            return;

        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const bool maybeFolder = entry->d_type == DT_DIR || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
            const bool wanted = collectFiles && m_accept(name);
            if (!maybeFolder && !wanted)
                continue;
            struct stat status;
            if (entry->d_type != DT_DIR && ::fstatat(fd, entry->d_name, &status, 0) != 0)
                continue; // dangling link or vanished entry
            if (entry->d_type == DT_DIR || S_ISDIR(status.st_mode)) {
                const int child = ::openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (child >= 0)
                    directory(child, path + "/" + std::string(name), true);
            } else if (wanted) {
                if (const auto stamp = FileStamp::of(status))
                    m_out.push_back({ path + "/" + std::string(name), *stamp });
            }
        }
    }

private:
    const DirectoryWalker::NameFilter& m_accept;
    std::vector<DirectoryWalker::File>& m_out;
    std::set<std::pair<dev_t, ino_t>> m_visited;
};

}

std::vector<DirectoryWalker::File> DirectoryWalker::collect(const std::vector<std::string>& roots,
                                                            const NameFilter& accept, bool includeTopLevelFiles)
{
    std::vector<File> files;
    Walk walk(accept, files);
    for (const auto& root : roots) {
        const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            walk.directory(fd, root, includeTopLevelFiles);
    }
    return files;
}

}
