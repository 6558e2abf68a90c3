#include "usage/UsageLedger.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include <QHash>

#include "basics/LocalCalendar.h"

namespace pacemark {

UsageLedger::Days UsageLedger::endedDays(const RecordList& records, Instant todayStart, const QTimeZone& zone,
                                         const PriceTable& prices)
{
    struct Day
    {
        LedgerDay day;
        std::unordered_map<Symbol, LedgerDay::Model> models;
        std::unordered_set<Symbol> sessions;
    };
    std::unordered_map<QString, Day> days;
    std::unordered_map<Symbol, const ModelPrice*> priceOf;
    DayFormatter formatter(zone);
    for (const auto& batch : records.batches()) {
        for (const auto& r : batch->records) {
            if (r.timestamp >= todayStart)
                continue;
            Day& d = days[formatter.format(r.timestamp)];
            TokenMath::accumulate(d.day.inputTokens, r.inputTokens);
            TokenMath::accumulate(d.day.outputTokens, r.outputTokens);
            TokenMath::accumulate(d.day.cacheWriteTokens, r.cacheWriteTokens);
            TokenMath::accumulate(d.day.cacheReadTokens, r.cacheReadTokens);
            LedgerDay::Model& m = d.models[r.model];
            TokenMath::accumulate(m.inputTokens, r.inputTokens);
            TokenMath::accumulate(m.outputTokens, r.outputTokens);
            TokenMath::accumulate(m.cacheWriteTokens, r.cacheWriteTokens);
            TokenMath::accumulate(m.cacheReadTokens, r.cacheReadTokens);
            auto [price, added] = priceOf.try_emplace(r.model, nullptr);
            if (added)
                price->second = prices.find(r.model.view());
            if (price->second)
                m.costUSD = m.costUSD.value_or(0)
                    + price->second->cost(r.inputTokens, r.outputTokens, r.cacheWriteTokens, r.cacheWrite1hTokens,
                                          r.cacheReadTokens);
            if (!r.sessionId.empty())
                d.sessions.insert(r.sessionId);
        }
    }
    Days result;
    for (auto& [date, d] : days) {
        d.day.dateString = date;
        d.day.sessionCount = static_cast<qint64>(d.sessions.size());
        for (auto& [model, m] : d.models) {
            m.model = model.toQString();
            d.day.models.push_back(m);
        }
        std::sort(d.day.models.begin(), d.day.models.end(),
                  [](const auto& a, const auto& b) { return a.model < b.model; });
        result.emplace(date, std::move(d.day));
    }
    return result;
}

UsageLedger::Days UsageLedger::risen(const Days& fromLogs, const Days& stored)
{
    Days result;
    for (const auto& [date, day] : fromLogs) {
        const auto found = stored.find(date);
        if (found == stored.end()) {
            result.emplace(date, day);
            continue;
        }
        LedgerDay larger = LedgerDay::larger(found->second, day);
        if (!(larger == found->second))
            result.emplace(date, std::move(larger));
    }
    return result;
}

UsageLedger::Days UsageLedger::merged(const Days& fromLogs, const Days& stored)
{
    Days result = stored;
    for (const auto& [date, day] : fromLogs) {
        auto [at, inserted] = result.emplace(date, day);
        if (!inserted)
            at->second = LedgerDay::larger(at->second, day);
    }
    return result;
}

bool UsageLedger::priceStoredModels(LedgerDay& day, const PriceTable& prices)
{
    bool priced = false;
    for (auto& m : day.models)
        if (!m.costUSD)
            if (const ModelPrice* price = prices.find(m.model.toStdString())) {
                m.costUSD = price->cost(m.inputTokens, m.outputTokens, m.cacheWriteTokens, 0, m.cacheReadTokens);
                priced = true;
            }
    return priced;
}

}
