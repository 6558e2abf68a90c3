#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ingest/AIUsageProvider.h"
#include "ingest/CodexRateLimits.h"
#include "ingest/CodexRollout.h"
#include "ingest/FileStamp.h"

namespace pacemark {

// Reads Codex CLI's rollouts: sessions/YYYY/MM/DD/rollout-*.jsonl and archived_sessions/ of each
// Codex home, compressed (.jsonl.zst) or not. A rollout found twice counts once: the sessions/ copy
// over the archived one, the plain file over the compressed one. Each file is read again only when
// its stamp changes, and one that only grew from where the last read stopped; a turn that several rollouts hold (forks,
// sub-agents, branches) counts once.
class CodexProvider final : public AIUsageProvider
{
public:
    explicit CodexProvider(std::vector<std::string> homes);

    QString id() const override;
    QString name() const override;
    QString icon() const override;
    bool isAvailable() const override;
    std::vector<std::string> watchDirectories() const override;
    RecordList fetchRecords() override;
    QString displayName(const QString& model) const override;

    const std::vector<std::string>& homes() const { return m_homes; }
    // The newest rate limits any rollout holds, as of the last fetchRecords. Callable from any thread.
    std::optional<CodexRateLimits> rateLimits() const;
    // How many files the last fetchRecords read; for tests and benchmarks.
    std::size_t lastParsedFileCount() const override { return m_lastParsedFileCount; }
    std::size_t cachedFileCount() const override { return m_cache.size(); }
    // How many of those were read only from where the read before stopped.
    std::size_t lastAppendReadCount() const { return m_lastAppendReadCount; }

    // The extra part of a state is each record's turn keys and the rollout's newest rate limits; a
    // restored rollout that changed is read again whole.
    std::vector<SourceFileState> fileStates() const override;
    std::vector<DirectoryWalker::File> fileStamps() const override;
    bool restoreFileStates(std::vector<SourceFileState> states) override;

    // The rollouts to read, one path per rollout, in the order of their names (which begin with the
    // time they started, so a parent comes before its forks).
    std::vector<std::pair<std::string, FileStamp>> findRollouts() const;

private:
    struct CacheEntry
    {
        FileStamp stamp;
        std::shared_ptr<const CodexRollout> rollout;
        RecordList::BatchPtr batch;
    };

    std::vector<std::string> m_homes;
    std::unordered_map<std::string, CacheEntry> m_cache;
    // The files of the last result in order, and the result, returned again while nothing changes.
    std::vector<std::string> m_lastFiles;
    RecordList m_lastResult;
    std::size_t m_lastParsedFileCount = 0;
    std::size_t m_lastAppendReadCount = 0;
    mutable std::mutex m_limitsMutex;
    std::optional<CodexRateLimits> m_rateLimits;
};

}
