#pragma once

#include <map>

#include <QString>
#include <QTimeZone>

#include "basics/Instant.h"
#include "ingest/RecordList.h"
#include "usage/LedgerDay.h"
#include "usage/PriceTable.h"

namespace pacemark {

// The days of the logs as the history store keeps them, and the figures shown from logs and store
// together: per day the larger of the two.
class UsageLedger
{
public:
    using Days = std::map<QString, LedgerDay>;

    // Every day of the zone before the one that starts at todayStart that has records, with its figures.
    static Days endedDays(const RecordList& records, Instant todayStart, const QTimeZone& zone,
                          const PriceTable& prices = *PriceTable::current());
    // Gives the models of a stored day without a cost one from their tokens where the model has a
    // price; true when one gained a cost. The tokens of a day are summed, so the tiers past 200k
    // tokens and the dearer one-hour cache writes of single requests cannot be told: those days'
    // costs are the lower bound. A cost once known stays.
    static bool priceStoredModels(LedgerDay& day, const PriceTable& prices);
    // The days whose stored figures the logs exceed somewhere, at the larger figures: what to write.
    static Days risen(const Days& fromLogs, const Days& stored);
    // Per day, the larger of the two.
    static Days merged(const Days& fromLogs, const Days& stored);
};

}
