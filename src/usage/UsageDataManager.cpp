#include "usage/UsageDataManager.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include "ingest/FileWatcher.h"
#include "ingest/ProviderManager.h"
#include "usage/Clock.h"
#include "usage/LocalCalendar.h"
#include "usage/UsageSummary.h"

using namespace std::chrono_literals;

namespace {

constexpr auto ActivityWindow = 180s;
// Midnight is met exactly by its own timer; the minute tick catches what no timer can foresee.
constexpr auto CalendarTick = 60s;
// How far the wall clock may drift from the monotonic one between ticks before it counts as a jump.
constexpr auto ClockJump = 30s;

// The zone the process converts local times in: TZ, else the zone /etc/localtime links to.
QByteArray timeZoneKey()
{
    if (const char* tz = std::getenv("TZ"))
        return QByteArray("TZ=") + tz;
    std::error_code error;
    return QByteArray::fromStdString(std::filesystem::read_symlink("/etc/localtime", error).string());
}

using Providers = std::vector<std::shared_ptr<AIUsageProvider>>;

}

struct UsageDataManager::Result
{
    RecordList all;
    std::vector<UsageRecord> today;
    Instant todayStart {};
    UsageSummary todaySummary;
    QList<DailyData> weeklyData;
    qint64 cumulative = 0;
    bool active = false;

    // Everything but the provider reads runs on local copies, so it may run on any thread.
    static Result compute(const Providers& providers)
    {
        Result r;
        for (const auto& provider : providers)
            r.all.append(provider->fetchRecords());

        const Instant now = Clock::now();
        const Instant todayStart = LocalCalendar::startOfDay(now);
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
        r.todaySummary = UsageSummary::make(r.today, displayName, providerLabel);
        r.weeklyData = UsageSummary::make(UsageSummary::recordsOfLastWeek(r.all, now), displayName).dailyData;
        r.active = r.todaySummary.lastActivityDate && now - *r.todaySummary.lastActivityDate < ActivityWindow;
        return r;
    }
};

UsageDataManager::UsageDataManager(ProviderManager* providerManager, QObject* parent)
    : QObject(parent), m_providerManager(providerManager), m_fileWatcher(new FileWatcher(10s, this))
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
    m_fileWatcher->setDirectoryProvider([providers] {
        return providers ? providers->allWatchDirectories() : std::vector<std::string> {};
    });
    QPointer<UsageDataManager> self(this);
    m_fileWatcher->setOnFilesChanged([self] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [self] { if (self) self->refresh(); }, Qt::QueuedConnection);
    });
    m_fileWatcher->start();
    m_timeZone = timeZoneKey();
    m_checkedAt = Clock::now();
    m_sinceCheck.start();
    scheduleCalendarCheck();
    refresh();
}

void UsageDataManager::checkCalendar()
{
    const Instant now = Clock::now();
    const auto wallElapsed = now - m_checkedAt;
    const auto monotonicElapsed = std::chrono::milliseconds(m_sinceCheck.isValid() ? m_sinceCheck.restart() : 0);
    const bool jumped = wallElapsed - monotonicElapsed > ClockJump || monotonicElapsed - wallElapsed > ClockJump;
    m_checkedAt = now;
    m_sinceCheck.start();

    const QByteArray zone = timeZoneKey();
    const bool zoneChanged = zone != m_timeZone;
    if (zoneChanged && !std::getenv("TZ")) {
        // glibc reads /etc/localtime once and keeps it while TZ stays as it is; naming another zone
        // for a moment makes the next conversion read the file anew.
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        ::unsetenv("TZ");
        ::tzset();
    }
    m_timeZone = zone;
    const bool newDay = m_dayStart && LocalCalendar::startOfDay(now) != *m_dayStart;
    if (jumped || zoneChanged || newDay)
        refresh();
    scheduleCalendarCheck();
}

void UsageDataManager::scheduleCalendarCheck()
{
    const Instant now = Clock::now();
    const auto midnight = LocalCalendar::startOfDayBefore(now, -1);
    auto wait = std::chrono::milliseconds(CalendarTick);
    if (midnight)
        wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(*midnight - now), 0ms, wait);
    m_calendarTimer.start(wait);
}

void UsageDataManager::refresh()
{
    if (m_isRefreshing)
        return;
    setIsRefreshing(true);

    QPointer<UsageDataManager> self(this);
    QThreadPool::globalInstance()->start([self, providers = m_providerManager->providers()] {
        auto result = std::make_shared<Result>(Result::compute(providers));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, result] {
                if (self)
                    self->publish(std::move(*result));
            },
            Qt::QueuedConnection);
    });
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
    m_providerSummaries = s.providerSummaries;
    Q_EMIT providerSummariesChanged();
    if (m_cumulativeTokens != r.cumulative) {
        m_cumulativeTokens = r.cumulative;
        Q_EMIT cumulativeTokensChanged();
    }
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
