#include "views/QuotaSettingsModel.h"

#include <cstdio>

#include <QDateTime>
#include <QLocale>

namespace {

// printf's rounding, as the preview's formats are written for it.
template <typename... Args> QString format(const char* pattern, Args... args)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return QString::fromUtf8(buffer);
}

QString errorText(const OAuthError& error)
{
    switch (error.errorCase()) {
    case OAuthError::Case::noToken:
        return QStringLiteral("Claude Code 미로그인");
    case OAuthError::Case::denied:
        return QStringLiteral("연결 해제됨");
    case OAuthError::Case::unauthorized:
        return QStringLiteral("토큰 만료");
    case OAuthError::Case::decode:
        return QStringLiteral("응답 형식 오류");
    case OAuthError::Case::network:
        break;
    }
    // One line: a multi-line message would break the row.
    return QStringLiteral("네트워크 오류: ") + error.message().simplified();
}

QuotaSettingsModel::Tone errorTone(const OAuthError& error)
{
    switch (error.errorCase()) {
    case OAuthError::Case::noToken:
    case OAuthError::Case::denied:
        return QuotaSettingsModel::Tone::Secondary;
    case OAuthError::Case::unauthorized:
    case OAuthError::Case::decode:
    case OAuthError::Case::network:
        break;
    }
    return QuotaSettingsModel::Tone::Red;
}

}

QuotaSettingsModel::QuotaSettingsModel(ClaudeQuotaManager* manager, QObject* parent)
    : QObject(parent)
    , m_manager(manager)
{
    if (m_manager) {
        connect(m_manager, &QObject::destroyed, this, [this] { m_manager = nullptr; });
        connect(m_manager, &ClaudeQuotaManager::statusChanged, this, &QuotaSettingsModel::follow);
        connect(m_manager, &ClaudeQuotaManager::quotaChanged, this, &QuotaSettingsModel::follow);
        m_status = m_manager->status();
        m_quota = m_manager->quota();
    }
    rebuild();
}

void QuotaSettingsModel::setStatus(const ClaudeQuotaManager::Status& status)
{
    m_status = status;
    rebuild();
}

void QuotaSettingsModel::setQuota(const std::optional<ClaudeQuota>& quota)
{
    m_quota = quota;
    rebuild();
}

void QuotaSettingsModel::connectQuota()
{
    if (m_manager)
        m_manager->connect();
}

void QuotaSettingsModel::disconnectQuota()
{
    if (m_manager) {
        m_manager->disconnectAccount();
        return;
    }
    m_status = ClaudeQuotaManager::Status::denied();
    m_quota.reset();
    rebuild();
}

void QuotaSettingsModel::follow()
{
    if (const ClaudeQuotaManager* manager = m_manager) {
        m_status = manager->status();
        m_quota = manager->quota();
        rebuild();
    }
}

void QuotaSettingsModel::rebuild()
{
    using Case = ClaudeQuotaManager::Status::Case;
    Display display;
    switch (m_status.statusCase()) {
    case Case::error:
        display.statusText = errorText(*m_status.oauthError());
        display.statusTone = errorTone(*m_status.oauthError());
        break;
    case Case::notConfigured:
        display.statusText = QStringLiteral("Claude Code 미로그인");
        break;
    case Case::loading:
        display.statusText = QStringLiteral("로딩 중…");
        display.isLoading = true;
        break;
    case Case::loaded:
        display.statusText = QStringLiteral("연결됨");
        display.statusTone = Tone::Green;
        break;
    case Case::denied:
        display.statusText = QStringLiteral("연결 해제됨");
        break;
    }
    display.offersConnect
        = m_status.statusCase() == Case::notConfigured || m_status.statusCase() == Case::denied;
    if (m_quota) {
        display.hasQuota = true;
        const QDateTime fetched
            = QDateTime::fromMSecsSinceEpoch(m_quota->fetchedAt.time_since_epoch().count()).toLocalTime();
        display.updatedText
            = QStringLiteral("업데이트: ") + QLocale().toString(fetched.time(), QLocale::ShortFormat);
        if (m_quota->fiveHour && m_quota->sevenDay)
            display.windowsText = format("5시간 %.0f%%  ·  주간 %.0f%%", m_quota->fiveHour->utilizationPct,
                m_quota->sevenDay->utilizationPct);
        if (m_quota->extraUsage)
            display.creditsText = format("크레딧 %.1f%% ($%.2f/$%.2f)", m_quota->extraUsage->utilization,
                static_cast<double>(m_quota->extraUsage->usedCreditsCents) / 100.0,
                static_cast<double>(m_quota->extraUsage->monthlyLimitCents) / 100.0);
    }
    if (display == m_display)
        return;
    m_display = display;
    Q_EMIT displayChanged();
}
