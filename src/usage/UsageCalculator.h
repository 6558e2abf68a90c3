#pragma once

#include <memory>
#include <vector>

#include <QTimeZone>

#include "basics/Instant.h"
#include "ingest/AIUsageProvider.h"
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

    // The providers name and label the models and providers of the records. A new price table
    // prices everything again, stored days included.
    UsageSnapshot compute(RecordList records, const Providers& providers, Instant now, const QTimeZone& zone,
                          std::shared_ptr<const PriceTable> prices);

private:
    struct Ledger;
    std::unique_ptr<Ledger> m_ledger;
};

}
