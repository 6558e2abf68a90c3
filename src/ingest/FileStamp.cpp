#include "ingest/FileStamp.h"

#include <sys/stat.h>

namespace pacemark {

std::optional<FileStamp> FileStamp::read(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return of(st);
}

std::optional<FileStamp> FileStamp::of(const struct stat& st)
{
    if (!S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp { static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
                       static_cast<std::int64_t>(st.st_size), static_cast<std::uint64_t>(st.st_dev),
                       static_cast<std::uint64_t>(st.st_ino) };
}

}
