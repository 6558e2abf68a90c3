#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ingest/AIUsageProvider.h"
#include "ingest/FileStamp.h"

namespace pacemark {

// Reads Gemini CLI's chats: tmp/<project>/chats/session-*.json and session-*.jsonl of the Gemini
// home, and the sub-agents' chats in chats/<parent session id>/. Each file is read again only when its
// stamp changes; a message found in two files (a chat moved to the newer format) counts once.
class GeminiProvider final : public AIUsageProvider
{
public:
    explicit GeminiProvider(std::string home);

    QString id() const override;
    QString name() const override;
    QString icon() const override;
    bool isAvailable() const override;
    std::vector<std::string> watchDirectories() const override;
    RecordList fetchRecords() override;
    QString displayName(const QString& model) const override;

    const std::string& home() const { return m_home; }
    std::size_t lastParsedFileCount() const override { return m_lastParsedFileCount; }
    std::size_t cachedFileCount() const override { return m_cache.size(); }

    // A chat keeps nothing but its records: a changed one is read again whole.
    std::vector<SourceFileState> fileStates() const override;
    std::vector<DirectoryWalker::File> fileStamps() const override;
    bool restoreFileStates(std::vector<SourceFileState> states) override;

private:
    struct CacheEntry
    {
        FileStamp stamp;
        RecordList::BatchPtr batch;
    };

    std::string m_home;
    std::unordered_map<std::string, CacheEntry> m_cache;
    std::vector<std::string> m_lastFiles;
    RecordList m_lastResult;
    std::size_t m_lastParsedFileCount = 0;
};

}
