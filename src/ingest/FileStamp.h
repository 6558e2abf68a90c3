#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct stat;

namespace pacemark {

// What a refresh knows of a log without opening it: its exact modification time (nanoseconds where
// the file system has them), its size and its identity.
struct FileStamp
{
    std::int64_t modifiedNs = 0;
    std::int64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    // Follows symbolic links; empty when the file cannot be examined or is not a regular file (a
    // named pipe would block the reader, a device might never end).
    static std::optional<FileStamp> read(const std::string& path);
    // The stamp of what a stat call found; empty for anything but a regular file.
    static std::optional<FileStamp> of(const struct stat& status);

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

}
