#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "ingest/AIUsageProvider.h"

namespace pacemark {

// The providers' per-file caches kept on disk, so that a short-lived process (the status line) reads
// only the logs that changed since the last one. One file, replaced whole by each save, with a section
// per source; it names its format and version, carries a checksum and each source's folders, and
// anything else found there is ignored and replaced.
class LogCache
{
public:
    // What one source keeps: its id, the folders it read then, and its per-file states.
    struct Section
    {
        std::string source;
        std::vector<std::string> folders;
        std::vector<SourceFileState> files;
    };
    using Sections = std::vector<Section>;
    using Providers = std::vector<std::shared_ptr<AIUsageProvider>>;

    // $XDG_CACHE_HOME/pacemark/logs.cache, else ~/.cache/pacemark/logs.cache.
    static QString defaultPath();

    // Empty when the file is missing, of another format or version, damaged, or holds what no
    // provider could have written. Anything but a regular file of ours at the path is passed over with
    // one line on stderr.
    static std::optional<Sections> load(const QString& path);
    // Writes a new file and moves it into place; false with the reason when it cannot.
    static bool save(const QString& path, const Sections& sections, QString* error);

    // The providers' per-file states as of their last read.
    static Sections of(const Providers& providers);
    // Each provider starts from its section, when that was made for the folders it reads now and holds
    // what the provider could have made; the others read every log. How many files were restored.
    static std::size_t restore(Sections sections, const Providers& providers);

    // The file's content, and back.
    static QByteArray serialize(const Sections& sections);
    static std::optional<Sections> parse(const QByteArray& bytes);
    // A payload with the header that names it and its checksum, as serialize frames its own.
    static QByteArray framed(const QByteArray& payload);

    static constexpr quint32 Version = 4;
    // A cache larger than this is neither read nor written; it would stand for some 36 GiB of logs.
    static constexpr qint64 MaxBytes = 256 << 20;
};

}
