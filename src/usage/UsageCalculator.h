#pragma once

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QTimeZone>

#include "basics/Instant.h"
#include "ingest/AIUsageProvider.h"
#include "ingest/LogChanges.h"
#include "ingest/RecordList.h"
#include "usage/PriceTable.h"
#include "usage/UsageSnapshot.h"

namespace pacemark {

class DailyUsageStore;

// Works out a usage snapshot from the providers' records, the history store, a price table, an
// instant and a time zone. No threads or timers: the caller decides where it runs, one call at a
// time. Between calls it keeps what spares work at the next one (each unchanged file's cost, the
// ledger of ended days) and writes ended days to the history store.
class UsageCalculator
{
public:
    using Providers = std::vector<std::shared_ptr<AIUsageProvider>>;

    UsageCalculator();
    ~UsageCalculator();
    UsageCalculator(const UsageCalculator&) = delete;
    UsageCalculator& operator=(const UsageCalculator&) = delete;

    // Keeps every ended day in the store from the next call on, and shows per day the larger of the
    // logs and the store (all time, the week, the history). Without one, the logs alone count.
    void setHistoryStore(std::shared_ptr<DailyUsageStore> store);

    // Every record of the providers, in their order.
    static RecordList read(const Providers& providers);
    // The same, knowing what changed since the last call: a provider read then whose folders saw no
    // change gives its records of then, and the others read only what changed.
    RecordList read(const Providers& providers, const LogChanges& changes);

    // The providers name and label the models and providers of the records. A new price table
    // prices everything again, stored days included.
    UsageSnapshot compute(RecordList records, const Providers& providers, Instant now, const QTimeZone& zone,
                          std::shared_ptr<const PriceTable> prices);
    // As compute, but when the records (the same batches), the providers, the day, the zone and the
    // prices are those of the last call, the figures of the last call stand: only what depends on the
    // moment is worked out again.
    std::shared_ptr<const UsageSnapshot> update(RecordList records, const Providers& providers, Instant now,
                                                const QTimeZone& zone, std::shared_ptr<const PriceTable> prices);

private:
    struct Ledger;
    std::unique_ptr<Ledger> m_ledger;
    // Each provider's records as last read; holding the provider keeps its address from being reused.
    std::unordered_map<const AIUsageProvider*, std::pair<std::shared_ptr<AIUsageProvider>, RecordList>> m_lastRead;
    std::shared_ptr<const UsageSnapshot> m_last;
    Providers m_lastProviders;
};

}
