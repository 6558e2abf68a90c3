#include "app/tray/TrayToolTip.h"

#include <climits>

#include <QStringList>

#include "app/CodexLimits.h"
#include "app/tray/SystemTray.h"
#include "basics/Clock.h"
#include "basics/Translation.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/CreditsFormat.h"
#include "quota/LimitNames.h"
#include "quota/QuotaForecast.h"
#include "quota/ResetCountdown.h"
#include "runner/CharacterRegistry.h"
#include "runner/RunCharacter.h"
#include "usage/TokenFormat.h"
#include "usage/UsageDataManager.h"
#include "views/CodexQuotaCardModel.h"
#include "views/DashboardFormat.h"

namespace pacemark {

namespace {

QString quotaLine(const ClaudeQuota::Limit& limit, Instant now)
{
    QString line = QStringLiteral("%1 %2").arg(LimitNames::fullName(limit),
                                               DashboardFormat::percentText(ClaudeQuota::shownPercent(limit.percent)));
    const QString countdown = resetCountdown(limit.resetsAt, now);
    if (!countdown.isEmpty())
        line += QStringLiteral(" · ") + TrayToolTip::tr("리셋까지 %1").arg(countdown);
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
    connect(&Translation::shared(), &Translation::changed, this, &TrayToolTip::update);
    update();
}

void TrayToolTip::setCodexLimits(CodexLimits* limits)
{
    m_codexLimits = limits;
    connect(limits, &CodexLimits::changed, this, &TrayToolTip::update);
    update();
}

QString TrayToolTip::text() const
{
    const qint64 today = m_usageDataManager->todayTokens();
    QStringList lines {
        tr("오늘 %1 토큰 · %2", nullptr, today > INT_MAX ? INT_MAX : static_cast<int>(today))
            .arg(formatTokens(today), DashboardFormat::rateText(m_usageDataManager->tokensPerMinute())),
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
            lines.append(
                credits->isEnabled
                    ? tr("크레딧 %1").arg(DashboardFormat::percentText(ClaudeQuota::shownPercent(credits->utilization)))
                    : CreditsFormat::disabledText(*credits));
    }
    if (m_codexLimits && m_codexLimits->limits())
        lines.append(CodexQuotaCardModel::toolTipLines(*m_codexLimits->limits(), Clock::now()));
    return lines.join(QLatin1Char('\n'));
}

QString TrayToolTip::accessibleText() const
{
    static const char* const speeds[]
        = { QT_TR_NOOP("쉬는 중"), QT_TR_NOOP("걷는 중"), QT_TR_NOOP("달리는 중"), QT_TR_NOOP("전력 질주 중") };
    const auto pack = m_runCharacter->registry()->selectedPack();
    const QString state
        = m_runCharacter->isPaused() ? tr("일시정지") : tr(speeds[static_cast<int>(m_runCharacter->animationState())]);
    const qint64 today = m_usageDataManager->todayTokens();
    return tr("Pacemark 러너 %1 %2 · 오늘 %3 토큰 · %4", nullptr, today > INT_MAX ? INT_MAX : static_cast<int>(today))
        .arg(pack ? pack->displayName() : QString(), state, formatTokens(today),
             DashboardFormat::rateText(m_usageDataManager->tokensPerMinute()));
}

void TrayToolTip::update()
{
    m_tray->setToolTip(QStringLiteral("Pacemark"), text());
    m_tray->setAccessibleDescription(accessibleText());
}

}
