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

DirectoryWalker::Folder stampOf(const std::string& path, const struct stat& status)
{
    return { path, static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
             static_cast<std::uint64_t>(status.st_ino) };
}

class Walk
{
public:
    Walk(const DirectoryWalker::NameFilter& accept, std::vector<DirectoryWalker::File>& out,
         std::vector<DirectoryWalker::Folder>* folders = nullptr)
        : m_accept(accept)
        , m_out(out)
        , m_folders(folders)
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
        if (m_folders)
            m_folders->push_back(stampOf(path, self));

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
    std::vector<DirectoryWalker::Folder>* m_folders;
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

std::vector<DirectoryWalker::Folder> DirectoryWalker::folders(const std::vector<std::string>& roots)
{
    std::vector<File> none;
    std::vector<Folder> found;
    const NameFilter noFiles = [](std::string_view) { return false; };
    Walk walk(noFiles, none, &found);
    for (const auto& root : roots) {
        const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            walk.directory(fd, root, false);
    }
    return found;
}

std::optional<DirectoryWalker::Folder> DirectoryWalker::folder(const std::string& path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return std::nullopt;
    return stampOf(path, status);
}

}
