#include "usage/UsageCalculator.h"

#include <unordered_map>
#include <utility>

#include <QDate>

#include "basics/LocalCalendar.h"
#include "ingest/ProviderManager.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageLedger.h"
#include "usage/UsageLog.h"

namespace pacemark {

using namespace std::chrono_literals;

// The history store and what the last refresh learnt from it. The ledger is worked out again only
// when a day has ended or the logs of past days changed; otherwise the last figures stand.
struct UsageCalculator::Ledger
{
    std::shared_ptr<DailyUsageStore> store;
    bool loaded = false;
    UsageLedger::Days stored;
    Instant todayStart {};
    qint64 pastLogTokens = -1;
    // Per ended day, the larger of logs and store.
    UsageLedger::Days shown;
    // What the store adds to the all-time total of the logs.
    qint64 extraTokens = 0;
    UsdCost extraCost;
    // The cost of each batch of the last refresh. A batch that did not change is the same object the
    // next time, so its records are priced once; holding it keeps its address from being reused.
    std::unordered_map<const RecordBatch*, std::pair<RecordList::BatchPtr, UsdCost>> batchCosts;
    // The table the figures above were priced with.
    std::shared_ptr<const PriceTable> prices;

    // A new table prices everything again; stored days gain the costs of models that had none.
    void usePrices(std::shared_ptr<const PriceTable> table)
    {
        if (prices == table)
            return;
        prices = std::move(table);
        batchCosts.clear();
        pastLogTokens = -1;
        if (!loaded)
            return;
        std::vector<LedgerDay> repriced;
        for (auto& [date, day] : stored)
            if (UsageLedger::priceStoredModels(day, *prices))
                repriced.push_back(day);
        QString error;
        if (!repriced.empty() && !store->record(repriced, &error))
            qCWarning(lcUsage) << "repriced days not written to the history store:" << error;
    }

    // The cost of every record, and each source's part of it and of the tokens; a batch holds the
    // records of one source.
    UsdCost allTimeCost(const RecordList& all, std::vector<SourceFigures>& sources)
    {
        std::unordered_map<const RecordBatch*, std::pair<RecordList::BatchPtr, UsdCost>> next;
        UsdCost total;
        for (const auto& batch : all.batches()) {
            if (batch->records.empty())
                continue;
            auto& slot = next[batch.get()];
            if (const auto known = batchCosts.find(batch.get()); known != batchCosts.end()) {
                slot = known->second;
            } else {
                slot.first = batch;
                Symbol model;
                const ModelPrice* price = nullptr;
                for (const auto& r : batch->records) {
                    if (!(r.model == model)) {
                        model = r.model;
                        price = prices->find(model.view());
                    }
                    slot.second.add(price, r);
                }
            }
            total.add(slot.second);
            const Symbol source = batch->records.front().providerId;
            for (auto& figures : sources)
                if (figures.id == source) {
                    TokenMath::accumulate(figures.allTimeTokens, batch->totalTokens);
                    figures.allTimeCost.add(slot.second);
                }
        }
        batchCosts = std::move(next);
        return total;
    }

    void update(const RecordList& all, Instant dayStart, const QTimeZone& zone, qint64 pastTokens)
    {
        if (store && !loaded) {
            QString error;
            auto days = store->days(&error);
            if (!days) {
                qCWarning(lcUsage) << "the history store cannot be read:" << error;
                return;
            }
            stored = std::move(*days);
            for (auto& [date, day] : stored)
                UsageLedger::priceStoredModels(day, *prices);
            loaded = true;
        }
        if (dayStart == todayStart && pastTokens == pastLogTokens)
            return;
        const UsageLedger::Days fromLogs = UsageLedger::endedDays(all, dayStart, zone, *prices);
        const UsageLedger::Days risen = store ? UsageLedger::risen(fromLogs, stored) : UsageLedger::Days {};
        if (store && loaded && !risen.empty()) {
            std::vector<LedgerDay> rows;
            rows.reserve(risen.size());
            for (const auto& [date, day] : risen)
                rows.push_back(day);
            QString error;
            if (store->record(rows, &error))
                stored = UsageLedger::merged(risen, stored);
            else
                qCWarning(lcUsage) << "ended days not written to the history store:" << error;
        }
        shown = UsageLedger::merged(fromLogs, stored);
        extraTokens = 0;
        extraCost = {};
        for (const auto& [date, day] : shown) {
            const auto logged = fromLogs.find(date);
            const bool inLogs = logged != fromLogs.end();
            TokenMath::accumulate(extraTokens, day.totalTokens() - (inLogs ? logged->second.totalTokens() : 0));
            extraCost.add({ day.costUSD() - (inLogs ? logged->second.costUSD() : 0),
                            day.unpricedTokens() - (inLogs ? logged->second.unpricedTokens() : 0) });
        }
        todayStart = dayStart;
        pastLogTokens = pastTokens;
    }

    // The week's days of the logs, each raised to the ledger's figures, with the stored days the
    // logs no longer have.
    QList<DailyData> week(const QList<DailyData>& fromLogs, Instant now, const QTimeZone& zone) const
    {
        const auto cutoff = LocalCalendar::startOfDayBefore(now, 7, zone);
        const QString first = cutoff ? DayFormatter(zone).format(*cutoff) : QString();
        std::map<QString, DailyData> days;
        for (const auto& d : fromLogs)
            days.emplace(d.dateString, d);
        for (auto at = shown.lower_bound(first); at != shown.end(); ++at) {
            DailyData& d = days[at->first];
            d.dateString = at->first;
            if (at->second.totalTokens() > d.totalTokens)
                d.unpricedTokens = at->second.unpricedTokens();
            d.totalTokens = std::max(d.totalTokens, at->second.totalTokens());
            d.outputTokens = std::max(d.outputTokens, at->second.outputTokens);
            d.costUSD = std::max(d.costUSD, at->second.costUSD());
        }
        QList<DailyData> result;
        for (const auto& [date, d] : days)
            result.append(d);
        return result;
    }

    // Every day from the first known one to today, days without usage included.
    QList<DailyData> history(const DailyData& today) const
    {
        QList<DailyData> days;
        if (shown.empty() && today.totalTokens == 0)
            return days;
        const QDate last = QDate::fromString(today.dateString, Qt::ISODate);
        QDate date = shown.empty() ? last : QDate::fromString(shown.begin()->first, Qt::ISODate);
        auto at = shown.begin();
        for (; date.isValid() && date < last; date = date.addDays(1)) {
            const QString key = date.toString(Qt::ISODate);
            while (at != shown.end() && at->first < key)
                ++at;
            if (at != shown.end() && at->first == key)
                days.append({ key, at->second.totalTokens(), at->second.outputTokens, at->second.costUSD(),
                              at->second.unpricedTokens() });
            else
                days.append({ key, 0, 0 });
        }
        days.append(today);
        return days;
    }
};

UsageCalculator::UsageCalculator()
    : m_ledger(std::make_unique<Ledger>())
{ }

UsageCalculator::~UsageCalculator() = default;

void UsageCalculator::setHistoryStore(std::shared_ptr<DailyUsageStore> store)
{
    m_ledger->store = std::move(store);
}

RecordList UsageCalculator::read(const Providers& providers)
{
    RecordList all;
    for (const auto& provider : providers)
        all.append(provider->fetchRecords());
    return all;
}

RecordList UsageCalculator::read(const Providers& providers, const LogChanges& changes)
{
    RecordList all;
    std::unordered_map<const AIUsageProvider*, std::pair<std::shared_ptr<AIUsageProvider>, RecordList>> next;
    for (const auto& provider : providers) {
        auto& slot = next[provider.get()];
        slot.first = provider;
        const auto known = m_lastRead.find(provider.get());
        // The folders it may read as well as those that exist: one that vanished takes its logs along.
        if (known != m_lastRead.end() && !changes.touches(provider->folders())
            && !changes.touches(provider->watchDirectories()))
            slot.second = std::move(known->second.second);
        else
            slot.second = known != m_lastRead.end() ? provider->fetchRecordsAfter(changes) : provider->fetchRecords();
        all.append(slot.second);
    }
    m_lastRead = std::move(next);
    return all;
}

std::shared_ptr<const UsageSnapshot> UsageCalculator::update(RecordList records, const Providers& providers,
                                                             Instant now, const QTimeZone& zone,
                                                             std::shared_ptr<const PriceTable> prices)
{
    if (m_last && records.batches() == m_last->allRecords.batches() && providers == m_lastProviders
        && zone == m_last->zone && prices == m_ledger->prices
        && LocalCalendar::startOfDay(now, zone) == m_last->todayStart) {
        auto again = std::make_shared<UsageSnapshot>(*m_last);
        again->computedAt = now;
        again->active = again->today.lastActivityDate && now - *again->today.lastActivityDate < 180s;
        m_last = std::move(again);
        return m_last;
    }
    m_last
        = std::make_shared<const UsageSnapshot>(compute(std::move(records), providers, now, zone, std::move(prices)));
    m_lastProviders = providers;
    return m_last;
}

UsageSnapshot UsageCalculator::compute(RecordList records, const Providers& providers, Instant now,
                                       const QTimeZone& zone, std::shared_ptr<const PriceTable> prices)
{
    UsageSnapshot r;
    r.allRecords = std::move(records);
    r.computedAt = now;
    r.zone = zone;
    const Instant todayStart = LocalCalendar::startOfDay(now, zone);
    r.todayStart = todayStart;
    for (const auto& batch : r.allRecords.batches()) {
        TokenMath::accumulate(r.cumulativeTokens, batch->totalTokens);
        if (batch->latest < todayStart)
            continue;
        for (const auto& record : batch->records)
            if (record.timestamp >= todayStart)
                r.todayRecords.push_back(record);
    }

    const auto displayName = [&providers](const QString& model, const QString& providerId) {
        return ProviderManager::displayName(providers, model, providerId);
    };
    const auto providerLabel = [&providers](ProviderSummary& summary) {
        for (const auto& p : providers) {
            if (p->id() == summary.providerId) {
                summary.providerName = p->name();
                summary.providerIcon = p->icon();
                return;
            }
        }
    };
    Ledger* ledger = m_ledger.get();
    ledger->usePrices(std::move(prices));
    r.today = UsageSummary::make(r.todayRecords, zone, displayName, providerLabel, *ledger->prices);
    UsageSummary week = UsageSummary::make(UsageSummary::recordsOfLastWeek(r.allRecords, now, zone), zone, displayName,
                                           {}, *ledger->prices);
    r.weeklyData = std::move(week.dailyData);
    r.weekProjects = std::move(week.projects);
    ledger->update(r.allRecords, todayStart, zone, TokenMath::add(r.cumulativeTokens, -r.today.totalTokens));
    for (const auto& p : providers) {
        SourceFigures source;
        source.id = Symbol(p->id().toStdString());
        source.name = p->name();
        source.icon = p->icon();
        for (const auto& model : r.today.modelBreakdowns)
            if (model.providerId == p->id()) {
                TokenMath::accumulate(source.todayTokens, model.totalTokens());
                source.todayCost.add({ model.costUSD, model.unpricedTokens });
            }
        r.sources.push_back(std::move(source));
    }
    r.cumulativeCost = ledger->allTimeCost(r.allRecords, r.sources);
    if (ledger->store) {
        TokenMath::accumulate(r.cumulativeTokens, ledger->extraTokens);
        r.cumulativeCost.add(ledger->extraCost);
        r.weeklyData = ledger->week(r.weeklyData, now, zone);
    }
    r.historyData = ledger->history({ DayFormatter(zone).format(now), r.today.totalTokens, r.today.totalOutputTokens,
                                      r.today.totalCost.usd, r.today.totalCost.unpricedTokens });
    r.active = r.today.lastActivityDate && now - *r.today.lastActivityDate < 180s;
    return r;
}

}
