#pragma once

#include <string>
#include <vector>

#include <QString>

#include "ingest/DirectoryWalker.h"
#include "ingest/LogChanges.h"
#include "ingest/RecordList.h"
#include "ingest/SourceFileState.h"

namespace pacemark {

// A source of usage records with a name and an icon for display. Providers are shared by identity.
class AIUsageProvider
{
public:
    virtual ~AIUsageProvider() = default;

    virtual QString id() const = 0;
    virtual QString name() const = 0;
    virtual QString icon() const = 0;
    virtual bool isAvailable() const = 0;
    virtual std::vector<std::string> watchDirectories() const = 0;
    // Every record the provider can read now. Called by the usage refresh off the main thread;
    // refreshes never overlap, so a provider is never read by two threads at once.
    virtual RecordList fetchRecords() = 0;
    // The records again, knowing what changed below the watched folders since the last fetch. A
    // provider that keeps its listing rereads only what changed; by default all is read again.
    virtual RecordList fetchRecordsAfter(const LogChanges& changes)
    {
        static_cast<void>(changes);
        return fetchRecords();
    }
    // The short name shown for a model id. Pure, callable from any thread.
    virtual QString displayName(const QString& model) const = 0;

    // The folders the provider reads, existing or not, as the settings list them.
    virtual std::vector<std::string> folders() const { return watchDirectories(); }

    // The per-file cache as of the last fetchRecords, for a short-lived process to keep until its next
    // run; empty for a provider that keeps none.
    virtual std::vector<SourceFileState> fileStates() const { return {}; }
    // Starts from states an earlier fileStates gave, so that the next fetchRecords reads only the logs
    // whose stamp differs. False, with nothing restored, when a state is not one this provider could
    // have made.
    virtual bool restoreFileStates(std::vector<SourceFileState> states) { return states.empty(); }
    // The path and stamp of every log in the per-file cache, without its records.
    virtual std::vector<DirectoryWalker::File> fileStamps() const { return {}; }
    // How many logs the per-file cache holds, and how many of them the last fetchRecords read.
    virtual std::size_t cachedFileCount() const { return 0; }
    virtual std::size_t lastParsedFileCount() const { return 0; }

protected:
    // The path and stamp of each entry of a per-file cache keyed by path.
    template <typename Cache>
    static std::vector<DirectoryWalker::File> stampsOf(const Cache& cache)
    {
        std::vector<DirectoryWalker::File> stamps;
        stamps.reserve(cache.size());
        for (const auto& [path, entry] : cache)
            stamps.push_back({ path, entry.stamp });
        return stamps;
    }
};

}
