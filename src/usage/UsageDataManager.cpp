#include "usage/UsageDataManager.h"

#include <unordered_map>
#include <utility>

#include <QCoreApplication>
#include <QDate>
#include <QPointer>
#include <QThreadPool>

#include "basics/Clock.h"
#include "basics/LocalCalendar.h"
#include "basics/SystemTimeZone.h"
#include "ingest/FileWatcher.h"
#include "ingest/ProviderManager.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageLedger.h"
#include "usage/UsageLog.h"
#include "usage/UsageSummary.h"

using namespace std::chrono_literals;

namespace {

constexpr auto ActivityWindow = 180s;
// Midnight is met exactly by its own timer; the minute tick catches what no timer can foresee.
constexpr auto CalendarTick = 60s;
// How far the wall clock may drift from the monotonic one between ticks before it counts as a jump.
constexpr auto ClockJump = 30s;

using Providers = std::vector<std::shared_ptr<AIUsageProvider>>;

}

// The history store and what the last refresh learnt from it. The ledger is worked out again only
// when a day has ended or the logs of past days changed; otherwise the last figures stand.
struct UsageDataManager::Ledger
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

    UsdCost allTimeCost(const RecordList& all)
    {
        std::unordered_map<const RecordBatch*, std::pair<RecordList::BatchPtr, UsdCost>> next;
        UsdCost total;
        for (const auto& batch : all.batches()) {
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

struct UsageDataManager::Result
{
    RecordList all;
    std::vector<UsageRecord> today;
    Instant todayStart {};
    UsageSummary todaySummary;
    QList<DailyData> weeklyData;
    QList<ProjectUsage> weekProjects;
    QList<DailyData> historyData;
    qint64 cumulative = 0;
    UsdCost cumulativeCost;
    bool active = false;

    // Everything but the provider reads runs on local copies, so it may run on any thread.
    static Result compute(const Providers& providers, Ledger* ledger, const QTimeZone& zone)
    {
        Result r;
        for (const auto& provider : providers)
            r.all.append(provider->fetchRecords());

        const Instant now = Clock::now();
        const Instant todayStart = LocalCalendar::startOfDay(now, zone);
        r.todayStart = todayStart;
        for (const auto& batch : r.all.batches()) {
            TokenMath::accumulate(r.cumulative, batch->totalTokens);
            if (batch->latest < todayStart)
                continue;
            for (const auto& record : batch->records)
                if (record.timestamp >= todayStart)
                    r.today.push_back(record);
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
        ledger->usePrices(PriceTable::current());
        r.todaySummary = UsageSummary::make(r.today, zone, displayName, providerLabel, *ledger->prices);
        UsageSummary week = UsageSummary::make(UsageSummary::recordsOfLastWeek(r.all, now, zone), zone, displayName, {},
                                               *ledger->prices);
        r.weeklyData = std::move(week.dailyData);
        r.weekProjects = std::move(week.projects);
        ledger->update(r.all, todayStart, zone, TokenMath::add(r.cumulative, -r.todaySummary.totalTokens));
        r.cumulativeCost = ledger->allTimeCost(r.all);
        if (ledger->store) {
            TokenMath::accumulate(r.cumulative, ledger->extraTokens);
            r.cumulativeCost.add(ledger->extraCost);
            r.weeklyData = ledger->week(r.weeklyData, now, zone);
        }
        r.historyData = ledger->history({ DayFormatter(zone).format(now), r.todaySummary.totalTokens,
                                          r.todaySummary.totalOutputTokens, r.todaySummary.totalCost.usd,
                                          r.todaySummary.totalCost.unpricedTokens });
        r.active = r.todaySummary.lastActivityDate && now - *r.todaySummary.lastActivityDate < ActivityWindow;
        return r;
    }
};

UsageDataManager::UsageDataManager(ProviderManager* providerManager, QObject* parent)
    : QObject(parent)
    , m_providerManager(providerManager)
    , m_fileWatcher(new FileWatcher(10s, this))
    , m_ledger(std::make_shared<Ledger>())
{
    m_calendarTimer.setSingleShot(true);
    connect(&m_calendarTimer, &QTimer::timeout, this, &UsageDataManager::checkCalendar);
}

UsageDataManager::~UsageDataManager() = default;

QDateTime UsageDataManager::lastActivityTimestamp() const
{
    return m_lastActivity ? QDateTime::fromMSecsSinceEpoch(m_lastActivity->time_since_epoch().count(), Qt::UTC)
                          : QDateTime();
}

void UsageDataManager::startWatching()
{
    QPointer<ProviderManager> providers(m_providerManager);
    m_fileWatcher->setDirectoryProvider(
        [providers] { return providers ? providers->allWatchDirectories() : std::vector<std::string> {}; });
    QPointer<UsageDataManager> self(this);
    m_fileWatcher->setOnFilesChanged([self] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self)
                    self->refresh();
            },
            Qt::QueuedConnection);
    });
    m_fileWatcher->start();
    m_checkedAt = Clock::now();
    m_sinceCheck.start();
    refresh();
    scheduleCalendarCheck();
}

void UsageDataManager::checkCalendar()
{
    const Instant now = Clock::now();
    const auto wallElapsed = now - m_checkedAt;
    const auto monotonicElapsed = std::chrono::milliseconds(m_sinceCheck.isValid() ? m_sinceCheck.restart() : 0);
    const bool jumped = wallElapsed - monotonicElapsed > ClockJump || monotonicElapsed - wallElapsed > ClockJump;
    m_checkedAt = now;
    m_sinceCheck.start();

    // Each refresh is handed the zone of its start rather than the process being told of a new one
    // while a worker converts times.
    const bool zoneChanged = SystemTimeZone::id() != m_zoneId;
    const bool newDay = m_dayStart && LocalCalendar::startOfDay(now, m_zone) != *m_dayStart;
    if (jumped || zoneChanged || newDay)
        refresh();
    scheduleCalendarCheck();
}

void UsageDataManager::scheduleCalendarCheck()
{
    const Instant now = Clock::now();
    const auto midnight = LocalCalendar::startOfDayBefore(now, -1, m_zone);
    auto wait = std::chrono::milliseconds(CalendarTick);
    if (midnight)
        wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(*midnight - now), 0ms, wait);
    m_calendarTimer.start(wait);
}

void UsageDataManager::setHistoryStore(std::shared_ptr<DailyUsageStore> store)
{
    // A new ledger rather than a change under a refresh that may be running.
    m_ledger = std::make_shared<Ledger>();
    m_ledger->store = std::move(store);
}

void UsageDataManager::refresh()
{
    // A log may have changed after the running refresh read it: one more refresh follows it.
    if (m_isRefreshing) {
        m_dirty = true;
        return;
    }
    setIsRefreshing(true);

    QPointer<UsageDataManager> self(this);
    m_zoneId = SystemTimeZone::id();
    m_zone = SystemTimeZone::zone(m_zoneId);
    QThreadPool::globalInstance()->start(
        [self, providers = m_providerManager->providers(), ledger = m_ledger, zone = m_zone] {
            auto result = std::make_shared<Result>(Result::compute(providers, ledger.get(), zone));
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, result] {
                    if (self)
                        self->publish(std::move(*result));
                },
                Qt::QueuedConnection);
        });
}

void UsageDataManager::reprice()
{
    refresh();
}

void UsageDataManager::publish(Result&& r)
{
    const auto& s = r.todaySummary;
    if (m_todayTokens != s.totalTokens) {
        m_todayTokens = s.totalTokens;
        Q_EMIT todayTokensChanged();
    }
    if (m_todayOutputTokens != s.totalOutputTokens) {
        m_todayOutputTokens = s.totalOutputTokens;
        Q_EMIT todayOutputTokensChanged();
    }
    m_todayBreakdown = s.modelBreakdowns;
    Q_EMIT todayBreakdownChanged();
    m_weeklyData = std::move(r.weeklyData);
    Q_EMIT weeklyDataChanged();
    if (m_historyData != r.historyData) {
        m_historyData = std::move(r.historyData);
        Q_EMIT historyDataChanged();
    }
    m_providerSummaries = s.providerSummaries;
    Q_EMIT providerSummariesChanged();
    if (m_cumulativeTokens != r.cumulative) {
        m_cumulativeTokens = r.cumulative;
        Q_EMIT cumulativeTokensChanged();
    }
    if (!(m_todayCost == s.totalCost) || !(m_cumulativeCost == r.cumulativeCost)) {
        m_todayCost = s.totalCost;
        m_cumulativeCost = r.cumulativeCost;
        Q_EMIT costsChanged();
    }
    m_todayProjects = s.projects;
    m_weekProjects = std::move(r.weekProjects);
    m_todayRecordsCache = std::move(r.today);
    Q_EMIT todayRecordsCacheChanged();
    if (m_isActive != r.active) {
        m_isActive = r.active;
        Q_EMIT isActiveChanged();
    }
    if (m_lastActivity != s.lastActivityDate) {
        m_lastActivity = s.lastActivityDate;
        Q_EMIT lastActivityTimestampChanged();
    }
    if (m_sessionCount != s.sessionCount) {
        m_sessionCount = s.sessionCount;
        Q_EMIT sessionCountChanged();
    }
    m_allRecords = std::move(r.all);
    Q_EMIT allRecordsChanged();
    m_dayStart = r.todayStart;
    setIsRefreshing(false);
    updateTokensPerMinute();
    Q_EMIT refreshed();
    if (std::exchange(m_dirty, false))
        refresh();
}

void UsageDataManager::setIsRefreshing(bool refreshing)
{
    if (m_isRefreshing == refreshing)
        return;
    m_isRefreshing = refreshing;
    Q_EMIT isRefreshingChanged();
}

void UsageDataManager::updateTokensPerMinute()
{
    const Instant cutoff = Clock::now() - ActivityWindow;
    qint64 sum = 0;
    for (const auto& r : m_todayRecordsCache)
        if (r.timestamp >= cutoff)
            TokenMath::accumulate(sum, TokenMath::add(r.inputTokens, r.outputTokens));
    const qint64 rate = sum / 3;
    if (rate != m_tokensPerMinute) {
        m_tokensPerMinute = rate;
        Q_EMIT tokensPerMinuteChanged();
    }
}

ActivityLevel UsageDataManager::activityLevel() const
{
    if (!m_lastActivity)
        return ActivityLevel::Dormant;
    const auto elapsed = Clock::now() - *m_lastActivity;
    if (elapsed < 180s)
        return ActivityLevel::Active;
    if (elapsed < 1800s)
        return ActivityLevel::Recent;
    if (elapsed < 3600s)
        return ActivityLevel::Stale;
    return ActivityLevel::Dormant;
}
