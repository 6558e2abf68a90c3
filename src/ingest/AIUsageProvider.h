#pragma once

#include <string>
#include <vector>

#include <QString>

#include "ingest/LogChanges.h"
#include "ingest/RecordList.h"

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
};

}
