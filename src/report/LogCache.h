#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "ingest/ClaudeCodeProvider.h"

namespace pacemark {

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

    // Empty when the file is missing, of another format or version, damaged, made for other folders, or
    // holds what the log reader could not have written. Anything but a regular file of ours at the path
    // is passed over with one line on stderr.
    static std::optional<States> load(const QString& path, const std::vector<std::string>& folders);
    // Writes a new file and moves it into place; false with the reason when it cannot.
    static bool save(const QString& path, const std::vector<std::string>& folders, const States& states,
                     QString* error);

    // The file's content, and back.
    static QByteArray serialize(const std::vector<std::string>& folders, const States& states);
    static std::optional<States> parse(const QByteArray& bytes, const std::vector<std::string>& folders);
    // A payload with the header that names it and its checksum, as serialize frames its own.
    static QByteArray framed(const QByteArray& payload);

    static constexpr quint32 Version = 3;
    // A cache larger than this is neither read nor written; it would stand for some 36 GiB of logs.
    static constexpr qint64 MaxBytes = 256 << 20;
};

}
