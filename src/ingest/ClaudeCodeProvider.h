#pragma once

#include <string>
#include <unordered_map>

#include "ingest/AIUsageProvider.h"
#include "ingest/FileStamp.h"

// Reads Claude Code's session logs. A per-file cache keyed on each file's exact modification time
// (with its size and identity) means a refresh re-reads only the logs that changed; the changed
// ones are read in parallel, large files in several ranges at once.
class ClaudeCodeProvider final : public AIUsageProvider
{
public:
    explicit ClaudeCodeProvider(std::string projectsPath);

    QString id() const override;
    QString name() const override;
    QString icon() const override;
    bool isAvailable() const override;
    std::vector<std::string> watchDirectories() const override;
    RecordList fetchRecords() override;
    QString displayName(const QString& model) const override;

    const std::string& projectsPath() const { return m_projectsPath; }
    // How many files the last fetchRecords read, for tests and benchmarks.
    std::size_t lastParsedFileCount() const { return m_lastParsedFileCount; }

private:
    struct CacheEntry
    {
        FileStamp stamp;
        RecordList::BatchPtr batch;
    };

    std::string m_projectsPath;
    std::unordered_map<std::string, CacheEntry> m_fileCache;
    std::size_t m_lastParsedFileCount = 0;
};
