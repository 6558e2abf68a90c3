#include "usage/UsageDataManager.h"

#include <utility>

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include "basics/Clock.h"
#include "basics/LocalCalendar.h"
#include "basics/SystemTimeZone.h"
#include "ingest/LogWatcher.h"
#include "ingest/ProviderManager.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageCalculator.h"

namespace pacemark {

using namespace std::chrono_literals;

namespace {

// Midnight is met exactly by its own timer; the minute tick catches what no timer can foresee.
constexpr auto CalendarTick = 60s;
// How far the wall clock may drift from the monotonic one between ticks before it counts as a jump.
constexpr auto ClockJump = 30s;
// While an agent writes its logs, the refreshes their changes start are this far apart at least.
constexpr auto ChangeSpacing = 1s;

}

UsageDataManager::UsageDataManager(ProviderManager* providerManager, QObject* parent)
    : QObject(parent)
    , m_providerManager(providerManager)
    , m_fileWatcher(LogWatcher::create(this))
    , m_snapshot(std::make_shared<const UsageSnapshot>())
    , m_calculator(std::make_shared<UsageCalculator>())
{
    m_calendarTimer.setSingleShot(true);
    connect(&m_calendarTimer, &QTimer::timeout, this, &UsageDataManager::checkCalendar);
    m_changeTimer.setSingleShot(true);
    connect(&m_changeTimer, &QTimer::timeout, this, [this] { refreshAfter({}); });
}

UsageDataManager::~UsageDataManager() = default;

QDateTime UsageDataManager::lastActivityTimestamp() const
{
    const auto last = lastActivity();
    return last ? QDateTime::fromMSecsSinceEpoch(last->time_since_epoch().count(), Qt::UTC) : QDateTime();
}

void UsageDataManager::startWatching()
{
    QPointer<ProviderManager> providers(m_providerManager);
    m_fileWatcher->setDirectoryProvider(
        [providers] { return providers ? providers->allWatchDirectories() : std::vector<std::string> {}; });
    QPointer<UsageDataManager> self(this);
    m_fileWatcher->setOnFilesChanged([self](const LogChanges& changes) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, changes] {
                if (self)
                    self->changesNoticed(changes);
            },
            Qt::QueuedConnection);
    });
    m_fileWatcher->start();
    connect(m_providerManager, &ProviderManager::providersChanged, this, &UsageDataManager::refresh);
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
    const bool newDay = m_zone.isValid() && LocalCalendar::startOfDay(now, m_zone) != m_snapshot->todayStart;
    // After a sleep, the logs' changes meanwhile may have been told or not: all are read again.
    if (jumped)
        refresh();
    else if (zoneChanged || newDay)
        refreshAfter({});
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
    // A new calculator rather than a change under a refresh that may be running.
    m_calculator = std::make_shared<UsageCalculator>();
    m_calculator->setHistoryStore(std::move(store));
}

void UsageDataManager::refresh()
{
    refreshAfter(LogChanges::unknown());
}

void UsageDataManager::refreshAfter(const LogChanges& changes)
{
    m_changes.merge(changes);
    // A log may have changed after the running refresh read it: one more refresh follows it.
    if (m_isRefreshing) {
        m_dirty = true;
        return;
    }
    setIsRefreshing(true);
    m_changeTimer.stop();
    m_sinceRefresh.start();

    QPointer<UsageDataManager> self(this);
    m_zoneId = SystemTimeZone::id();
    m_zone = SystemTimeZone::zone(m_zoneId);
    // The sources switched off are neither read nor shown.
    QThreadPool::globalInstance()->start([self, enabled = m_providerManager->enabledProviders(),
                                          calculator = m_calculator, zone = m_zone,
                                          changes = std::exchange(m_changes, LogChanges())] {
        auto snapshot = calculator->update(calculator->read(enabled, changes), enabled, Clock::now(), zone,
                                           PriceTable::current());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, snapshot] {
                if (self)
                    self->publish(snapshot);
            },
            Qt::QueuedConnection);
    });
}

void UsageDataManager::changesNoticed(const LogChanges& changes)
{
    m_changes.merge(changes);
    if (m_changeTimer.isActive())
        return;
    const auto since = m_sinceRefresh.isValid() ? std::chrono::milliseconds(m_sinceRefresh.elapsed())
                                                : std::chrono::milliseconds(ChangeSpacing);
    if (since >= ChangeSpacing)
        refreshAfter({});
    else
        m_changeTimer.start(ChangeSpacing - since);
}

void UsageDataManager::reprice()
{
    refreshAfter({});
}

void UsageDataManager::publish(std::shared_ptr<const UsageSnapshot> snapshot)
{
    const std::shared_ptr<const UsageSnapshot> old = std::exchange(m_snapshot, std::move(snapshot));
    const UsageSnapshot& s = *m_snapshot;
    if (old->today.totalTokens != s.today.totalTokens)
        Q_EMIT todayTokensChanged();
    if (old->today.totalOutputTokens != s.today.totalOutputTokens)
        Q_EMIT todayOutputTokensChanged();
    if (old->today.modelBreakdowns != s.today.modelBreakdowns)
        Q_EMIT todayBreakdownChanged();
    if (old->weeklyData != s.weeklyData)
        Q_EMIT weeklyDataChanged();
    if (old->historyData != s.historyData)
        Q_EMIT historyDataChanged();
    if (old->today.providerSummaries != s.today.providerSummaries)
        Q_EMIT providerSummariesChanged();
    if (old->cumulativeTokens != s.cumulativeTokens)
        Q_EMIT cumulativeTokensChanged();
    if (!(old->today.totalCost == s.today.totalCost) || !(old->cumulativeCost == s.cumulativeCost))
        Q_EMIT costsChanged();
    Q_EMIT todayRecordsCacheChanged();
    if (old->active != s.active)
        Q_EMIT isActiveChanged();
    if (old->lastActivity() != s.lastActivity())
        Q_EMIT lastActivityTimestampChanged();
    if (old->today.sessionCount != s.today.sessionCount)
        Q_EMIT sessionCountChanged();
    Q_EMIT allRecordsChanged();
    setIsRefreshing(false);
    updateTokensPerMinute();
    Q_EMIT refreshed();
    if (std::exchange(m_dirty, false))
        refreshAfter({});
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
    const qint64 rate = m_snapshot->tokensPerMinute(Clock::now());
    if (rate != m_tokensPerMinute) {
        m_tokensPerMinute = rate;
        Q_EMIT tokensPerMinuteChanged();
    }
}

ActivityLevel UsageDataManager::activityLevel() const
{
    return m_snapshot->activityLevel(Clock::now());
}

std::size_t UsageDataManager::enabledProviderCount() const
{
    return m_providerManager ? m_providerManager->enabledProviders().size() : 0;
}

}
