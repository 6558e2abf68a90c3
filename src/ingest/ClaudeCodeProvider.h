#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ingest/AIUsageProvider.h"
#include "ingest/CrossFileDeduplicator.h"
#include "ingest/DirectoryWalker.h"
#include "ingest/FileStamp.h"

namespace pacemark {

// Reads Claude Code's session logs. A per-file cache keyed on each file's exact modification time
// (with its size and identity) means a refresh re-reads only the logs that changed; the changed
// ones are read in parallel, large files in several ranges at once. Logs grow by appended lines, so
// a file that only grew is read from where the last read ended. Copies of one request in several
// logs count once (CrossFileDeduplicator).
class ClaudeCodeProvider final : public AIUsageProvider
{
public:
    // Reads every one of the folders that exists, each folder and each file once.
    explicit ClaudeCodeProvider(std::vector<std::string> projectsPaths);

    QString id() const override;
    QString name() const override;
    QString icon() const override;
    bool isAvailable() const override;
    std::vector<std::string> watchDirectories() const override;
    RecordList fetchRecords() override;
    // Stats only the changed session logs and reads only those that changed, unless a folder came,
    // went or moved, which takes a full listing.
    RecordList fetchRecordsAfter(const LogChanges& changes) override;
    QString displayName(const QString& model) const override;
    std::vector<std::string> folders() const override { return m_projectsPaths; }

    const std::vector<std::string>& projectsPaths() const { return m_projectsPaths; }
    // How many files the last fetchRecords read (whole or from where it left off), and how many of
    // those only from where it left off; for tests and benchmarks.
    std::size_t lastParsedFileCount() const override { return m_lastParsedFileCount; }
    std::size_t lastAppendReadCount() const { return m_lastAppendReadCount; }

    // Consecutive stretches of a log as read, from its start: where each ends and its XXH3.
    struct ReadPiece
    {
        std::int64_t end = 0;
        std::uint64_t hash = 0;

        friend bool operator==(const ReadPiece&, const ReadPiece&) = default;
    };

    // The per-file cache's extra part is where the last read ended and its pieces.
    std::vector<SourceFileState> fileStates() const override;
    std::vector<DirectoryWalker::File> fileStamps() const override;
    std::size_t cachedFileCount() const override { return m_fileCache.size(); }
    // A state whose pieces do not end at its readEnd is kept without them, so its file is read whole
    // once it changes.
    bool restoreFileStates(std::vector<SourceFileState> states) override;

private:
    struct CacheEntry
    {
        FileStamp stamp;
        RecordList::BatchPtr batch;
        // Set when the last read ended at a line end: the offset it reached, and the hashes of
        // everything before it, which must still be there for the file to count as only appended to.
        std::int64_t readEnd = -1;
        std::vector<ReadPiece> pieces;
    };

    // The whole read part as one piece when it is unchanged and the file only grew.
    static std::optional<ReadPiece> onlyAppended(const std::string& path, const CacheEntry& entry,
                                                 const FileStamp& stamp);

    // Reads the logs of m_listing that changed since the last read.
    RecordList readListed();
    // Reads those of the listed logs at the indices whose stamps differ from the cache's.
    void readChanged(const std::vector<std::size_t>& indices);
    // The records of m_batches, each request once across the logs.
    RecordList resolved();

    std::vector<std::string> m_projectsPaths;
    // The session logs of the last listing, in its order, with the stamps they had when last read;
    // valid while m_listed, for the folders that existed then.
    std::vector<DirectoryWalker::File> m_listing;
    // Per listed log, its path (empty for the second path of a log) and its records.
    std::vector<std::string> m_files;
    std::vector<RecordList::BatchPtr> m_batches;
    std::vector<std::string> m_listedFolders;
    bool m_listed = false;
    RecordList m_lastResult;
    std::unordered_map<std::string, CacheEntry> m_fileCache;
    CrossFileDeduplicator m_copies;
    std::size_t m_lastParsedFileCount = 0;
    std::size_t m_lastAppendReadCount = 0;
};

}
