#include "ingest/DirectoryWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <utility>

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

class Walk
{
public:
    Walk(const DirectoryWalker::NameFilter& accept, std::vector<std::string>& out)
        : m_accept(accept)
        , m_out(out)
    { }

    void directory(const std::string& path, bool collectFiles)
    {
        std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
        if (!dir)
            return;
        struct stat self;
        if (::fstat(::dirfd(dir.get()), &self) != 0 || !m_visited.emplace(self.st_dev, self.st_ino).second)
            return;

        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "/" + std::string(name);
            bool isDirectory = entry->d_type == DT_DIR;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat st;
                if (::stat(child.c_str(), &st) != 0)
                    continue; // dangling link or vanished entry
                isDirectory = S_ISDIR(st.st_mode);
            }
            if (isDirectory)
                directory(child, true);
            else if (collectFiles && m_accept(name))
                m_out.push_back(std::move(child));
        }
    }

private:
    const DirectoryWalker::NameFilter& m_accept;
    std::vector<std::string>& m_out;
    std::set<std::pair<dev_t, ino_t>> m_visited;
};

}

std::vector<std::string> DirectoryWalker::collect(const std::vector<std::string>& roots, const NameFilter& accept,
                                                  bool includeTopLevelFiles)
{
    std::vector<std::string> files;
    Walk walk(accept, files);
    for (const auto& root : roots)
        walk.directory(root, includeTopLevelFiles);
    return files;
}
