#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimeZone>
#include <QTimer>

#include "ingest/LogChanges.h"
#include "ingest/RecordList.h"
#include "usage/ActivityLevel.h"
#include "usage/DailyData.h"
#include "usage/ModelBreakdown.h"
#include "usage/ProjectUsage.h"
#include "usage/ProviderSummary.h"
#include "usage/UsageSnapshot.h"
#include "usage/UsdCost.h"

namespace pacemark {

class DailyUsageStore;
class LogWatcher;
class ProviderManager;
class UsageCalculator;

// The one store of usage figures. Watches the logs, the calendar and the time zone; on a change it
// reads the providers and runs the calculator on a worker, one refresh at a time (a change meanwhile
// brings one more), and publishes the new snapshot in one main-thread turn. The properties for the
// views are read from the snapshot and announced only when they changed.
class UsageDataManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint64 todayTokens READ todayTokens NOTIFY todayTokensChanged)
    Q_PROPERTY(qint64 todayOutputTokens READ todayOutputTokens NOTIFY todayOutputTokensChanged)
    Q_PROPERTY(QList<ModelBreakdown> todayBreakdown READ todayBreakdown NOTIFY todayBreakdownChanged)
    Q_PROPERTY(QList<DailyData> weeklyData READ weeklyData NOTIFY weeklyDataChanged)
    Q_PROPERTY(QList<DailyData> historyData READ historyData NOTIFY historyDataChanged)
    Q_PROPERTY(QList<ProviderSummary> providerSummaries READ providerSummaries NOTIFY providerSummariesChanged)
    Q_PROPERTY(qint64 cumulativeTokens READ cumulativeTokens NOTIFY cumulativeTokensChanged)
    Q_PROPERTY(double todayCostUSD READ todayCostUSD NOTIFY costsChanged)
    Q_PROPERTY(bool todayCostKnown READ todayCostKnown NOTIFY costsChanged)
    Q_PROPERTY(qint64 todayUnpricedTokens READ todayUnpricedTokens NOTIFY costsChanged)
    Q_PROPERTY(double cumulativeCostUSD READ cumulativeCostUSD NOTIFY costsChanged)
    Q_PROPERTY(bool cumulativeCostKnown READ cumulativeCostKnown NOTIFY costsChanged)
    Q_PROPERTY(qint64 cumulativeUnpricedTokens READ cumulativeUnpricedTokens NOTIFY costsChanged)
    Q_PROPERTY(bool isActive READ isActive NOTIFY isActiveChanged)
    Q_PROPERTY(QDateTime lastActivityTimestamp READ lastActivityTimestamp NOTIFY lastActivityTimestampChanged)
    Q_PROPERTY(qint64 sessionCount READ sessionCount NOTIFY sessionCountChanged)
    Q_PROPERTY(qint64 tokensPerMinute READ tokensPerMinute NOTIFY tokensPerMinuteChanged)
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY isRefreshingChanged)

public:
    explicit UsageDataManager(ProviderManager* providerManager, QObject* parent = nullptr);
    ~UsageDataManager() override;

    // The figures of the last refresh; the properties below read them.
    const std::shared_ptr<const UsageSnapshot>& snapshot() const { return m_snapshot; }

    qint64 todayTokens() const { return m_snapshot->today.totalTokens; }
    qint64 todayOutputTokens() const { return m_snapshot->today.totalOutputTokens; }
    const QList<ModelBreakdown>& todayBreakdown() const { return m_snapshot->today.modelBreakdowns; }
    const QList<DailyData>& weeklyData() const { return m_snapshot->weeklyData; }
    // Every day from the first one of the logs or the store to today, empty days included; per day
    // the larger of the two.
    const QList<DailyData>& historyData() const { return m_snapshot->historyData; }
    const QList<ProviderSummary>& providerSummaries() const { return m_snapshot->today.providerSummaries; }
    qint64 cumulativeTokens() const { return m_snapshot->cumulativeTokens; }
    // In US dollars, of the tokens with a price; the tokens without one are counted apart.
    double todayCostUSD() const { return m_snapshot->today.totalCost.usd; }
    bool todayCostKnown() const { return m_snapshot->todayCostUsd().has_value(); }
    qint64 todayUnpricedTokens() const { return m_snapshot->today.totalCost.unpricedTokens; }
    double cumulativeCostUSD() const { return m_snapshot->cumulativeCost.usd; }
    bool cumulativeCostKnown() const
    {
        return UsdCost::known(m_snapshot->cumulativeCost.unpricedTokens, m_snapshot->cumulativeTokens);
    }
    qint64 cumulativeUnpricedTokens() const { return m_snapshot->cumulativeCost.unpricedTokens; }
    // Per project, most tokens first: today's, and those of the last seven days and today.
    const QList<ProjectUsage>& todayProjects() const { return m_snapshot->today.projects; }
    const QList<ProjectUsage>& weekProjects() const { return m_snapshot->weekProjects; }
    bool isActive() const { return m_snapshot->active; }
    // Invalid when there was no activity today.
    QDateTime lastActivityTimestamp() const;
    std::optional<Instant> lastActivity() const { return m_snapshot->lastActivity(); }
    qint64 sessionCount() const { return m_snapshot->today.sessionCount; }
    qint64 tokensPerMinute() const { return m_tokensPerMinute; }
    bool isRefreshing() const { return m_isRefreshing; }
    const RecordList& allRecords() const { return m_snapshot->allRecords; }
    const std::vector<UsageRecord>& todayRecordsCache() const { return m_snapshot->todayRecords; }

    ProviderManager* providerManager() const { return m_providerManager; }
    // The sources on and with logs now, asked anew at each call: a folder may appear at any time.
    std::size_t enabledProviderCount() const;
    LogWatcher* fileWatcher() const { return m_fileWatcher; }

    // Keeps every ended day in the store from the next refresh on, and shows per day the larger of
    // the logs and the store (all-time, the week). Without one, the logs alone count.
    void setHistoryStore(std::shared_ptr<DailyUsageStore> store);

    // Wires and starts the log watcher and runs the first refresh.
    void startWatching();
    // Starts a refresh that reads every log again, or, while one is under way, one more after it
    // however many are asked for.
    Q_INVOKABLE void refresh();
    // The same, knowing what changed since the last refresh: only the logs that changed are read,
    // and when no record changed (nor the day, the zone or the prices) the figures stand.
    void refreshAfter(const LogChanges& changes);
    // Prices every figure again with the process's price table (PriceTable::current()), once the
    // refresh under way, if any, is done.
    void reprice();
    // Recomputes the rate over the last three minutes from today's records.
    Q_INVOKABLE void updateTokensPerMinute();
    // Refreshes when the figures are of another day than now, the time zone changed or the wall
    // clock jumped (a resume from suspend). Runs at local midnight and every minute once watching.
    void checkCalendar();
    ActivityLevel activityLevel() const;

Q_SIGNALS:
    void todayTokensChanged();
    void todayOutputTokensChanged();
    void todayBreakdownChanged();
    void weeklyDataChanged();
    void historyDataChanged();
    void providerSummariesChanged();
    void cumulativeTokensChanged();
    void costsChanged();
    void isActiveChanged();
    void lastActivityTimestampChanged();
    void sessionCountChanged();
    void tokensPerMinuteChanged();
    void isRefreshingChanged();
    void allRecordsChanged();
    void todayRecordsCacheChanged();
    // After the figures of a refresh are published.
    void refreshed();

private:
    // Changes the watcher noticed: refreshes, no sooner than a while after the last refresh began.
    void changesNoticed(const LogChanges& changes);
    void publish(std::shared_ptr<const UsageSnapshot> snapshot);
    void setIsRefreshing(bool refreshing);
    void scheduleCalendarCheck();

    ProviderManager* m_providerManager;
    LogWatcher* m_fileWatcher;

    std::shared_ptr<const UsageSnapshot> m_snapshot;
    qint64 m_tokensPerMinute = 0;
    bool m_isRefreshing = false;
    // Asked for during a refresh: one more follows it.
    bool m_dirty = false;
    // What changed since the last refresh started.
    LogChanges m_changes;
    QElapsedTimer m_sinceRefresh;
    QTimer m_changeTimer;

    // The zone of the last refresh, and what the calendar check saw last.
    QByteArray m_zoneId;
    QTimeZone m_zone;
    Instant m_checkedAt {};
    QElapsedTimer m_sinceCheck;
    QTimer m_calendarTimer;
    // Used by one refresh at a time, on its worker thread.
    std::shared_ptr<UsageCalculator> m_calculator;
};

}
