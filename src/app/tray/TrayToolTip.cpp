#include "app/tray/TrayToolTip.h"

#include <QStringList>

#include "app/tray/SystemTray.h"
#include "basics/Clock.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/CreditsFormat.h"
#include "quota/QuotaForecast.h"
#include "quota/ResetCountdown.h"
#include "runner/CharacterRegistry.h"
#include "runner/RunCharacter.h"
#include "usage/TokenFormat.h"
#include "usage/UsageDataManager.h"
#include "views/DashboardFormat.h"

namespace {

QString quotaLine(const ClaudeQuota::Limit& limit, Instant now)
{
    const QString label
        = limit.kind == ClaudeQuota::Limit::Kind::weeklyScoped ? limit.label + QStringLiteral(" 주간") : limit.label;
    QString line
        = QStringLiteral("%1 %2").arg(label, DashboardFormat::percentText(ClaudeQuota::shownPercent(limit.percent)));
    const QString countdown = resetCountdown(limit.resetsAt, now);
    if (!countdown.isEmpty())
        line += QStringLiteral(" · 리셋까지 %1").arg(countdown);
    if (limit.forecastAt && *limit.forecastAt > now)
        line += QStringLiteral(" · ") + QuotaForecast::text(*limit.forecastAt, now);
    return line;
}

}

TrayToolTip::TrayToolTip(SystemTray* tray, UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                         ClaudeQuotaManager* claudeQuotaManager, QObject* parent)
    : QObject(parent)
    , m_tray(tray)
    , m_usageDataManager(usageDataManager)
    , m_runCharacter(runCharacter)
    , m_claudeQuotaManager(claudeQuotaManager)
{
    connect(m_usageDataManager, &UsageDataManager::refreshed, this, &TrayToolTip::update);
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::statusChanged, this, &TrayToolTip::update);
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::quotaChanged, this, &TrayToolTip::update);
    update();
}

QString TrayToolTip::text() const
{
    QStringList lines {
        QStringLiteral("오늘 %1 토큰 · %2")
            .arg(formatTokens(m_usageDataManager->todayTokens()),
                 DashboardFormat::rateText(m_usageDataManager->tokensPerMinute())),
    };
    const auto& quota = m_claudeQuotaManager->quota();
    const auto state = m_claudeQuotaManager->status().statusCase();
    // The last quota stands while a refresh is under way or has failed, not once logged out.
    if (quota && state != ClaudeQuotaManager::Status::Case::notConfigured
        && state != ClaudeQuotaManager::Status::Case::denied) {
        const Instant now = Clock::now();
        if (const auto* binding = quota->bindingLimit())
            lines.append(quotaLine(*binding, now));
        for (const auto& limit : quota->limits) {
            if (!limit.binding)
                lines.append(quotaLine(limit, now));
        }
        if (const auto& credits = quota->extraUsage)
            lines.append(credits->isEnabled
                             ? QStringLiteral("크레딧 %1")
                                   .arg(DashboardFormat::percentText(ClaudeQuota::shownPercent(credits->utilization)))
                             : CreditsFormat::disabledText(*credits));
    }
    return lines.join(QLatin1Char('\n'));
}

QString TrayToolTip::accessibleText() const
{
    static const char* const speeds[] = { "쉬는 중", "걷는 중", "달리는 중", "전력 질주 중" };
    const auto pack = m_runCharacter->registry()->selectedPack();
    const QString state = m_runCharacter->isPaused()
        ? QStringLiteral("일시정지")
        : QString::fromUtf8(speeds[static_cast<int>(m_runCharacter->animationState())]);
    return QStringLiteral("Pacemark 러너 %1 %2 · 오늘 %3 토큰 · %4")
        .arg(pack ? pack->name : QString(), state, formatTokens(m_usageDataManager->todayTokens()),
             DashboardFormat::rateText(m_usageDataManager->tokensPerMinute()));
}

void TrayToolTip::update()
{
    m_tray->setToolTip(QStringLiteral("Pacemark"), text());
    m_tray->setAccessibleDescription(accessibleText());
}
