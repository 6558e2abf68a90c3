#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "ingest/ClaudeCodeProvider.h"

// The log reader's per-file cache kept on disk, so that a short-lived process (the status line) reads
// only the logs that changed since the last one. One file, replaced whole by each save; it names its
// format and version, carries a checksum and the log folders it was made for, and anything else
// found there is ignored and replaced.
class LogCache
{
public:
    using States = std::vector<ClaudeCodeProvider::FileState>;

    // $XDG_CACHE_HOME/pacemark/logs.cache, else ~/.cache/pacemark/logs.cache.
    static QString defaultPath();

    // Empty when the file is missing, of another format or version, damaged, or made for other folders.
    static std::optional<States> load(const QString& path, const std::vector<std::string>& folders);
    // Writes a new file and moves it into place; false with the reason when it cannot.
    static bool save(const QString& path, const std::vector<std::string>& folders, const States& states,
                     QString* error);

    static constexpr quint32 Version = 3;
};
