#include "views/QuotaSettingsModel.h"

#include <charconv>

#include <QDateTime>
#include <QLocale>

#include "basics/Translation.h"
#include "quota/CreditsFormat.h"
#include "quota/LimitNames.h"

namespace pacemark {

namespace {

// printf's "%.Nf" rounding, but always with a "." as the rest of the interface writes numbers:
// printf would follow LC_NUMERIC, which the application takes from the user's environment.
QString fixed(double value, int decimals)
{
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? QString::fromLatin1(buffer, end - buffer) : QStringLiteral("0");
}

QString errorText(const OAuthError& error)
{
    switch (error.errorCase()) {
    case OAuthError::Case::noToken:
        return QuotaSettingsModel::tr("Claude Code 미로그인");
    case OAuthError::Case::denied:
        return QuotaSettingsModel::tr("연결 해제됨");
    case OAuthError::Case::unauthorized:
        return QuotaSettingsModel::tr("토큰 만료");
    case OAuthError::Case::decode:
        return QuotaSettingsModel::tr("응답 형식 오류");
    case OAuthError::Case::network:
        break;
    }
    // One line: a multi-line message would break the row.
    return QuotaSettingsModel::tr("네트워크 오류: %1").arg(error.failureText().simplified());
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
    connect(&Translation::shared(), &Translation::changed, this, [this] {
        rebuild();
        Q_EMIT displayChanged();
    });
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
        m_manager->connectAccount();
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

QString QuotaSettingsModel::sessionLimitName() const
{
    return LimitNames::name(ClaudeQuota::Limit::Kind::session);
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
        display.statusText = tr("Claude Code 미로그인");
        break;
    case Case::loading:
        display.statusText = tr("로딩 중…");
        display.isLoading = true;
        break;
    case Case::loaded:
        display.statusText = tr("연결됨");
        display.statusTone = Tone::Green;
        break;
    case Case::denied:
        display.statusText = tr("연결 해제됨");
        break;
    }
    display.offersConnect = m_status.statusCase() == Case::notConfigured || m_status.statusCase() == Case::denied;
    if (m_quota) {
        display.hasQuota = true;
        const QDateTime fetched
            = QDateTime::fromMSecsSinceEpoch(m_quota->fetchedAt.time_since_epoch().count()).toLocalTime();
        display.updatedText
            = tr("업데이트: %1").arg(Translation::shared().locale().toString(fetched.time(), QLocale::ShortFormat));
        if (m_quota->fiveHour && m_quota->sevenDay)
            display.windowsText = QStringLiteral("%1 %2%  ·  %3 %4%")
                                      .arg(LimitNames::name(ClaudeQuota::Limit::Kind::session),
                                           fixed(ClaudeQuota::shownPercent(m_quota->fiveHour->utilizationPct), 0),
                                           LimitNames::name(ClaudeQuota::Limit::Kind::weekly),
                                           fixed(ClaudeQuota::shownPercent(m_quota->sevenDay->utilizationPct), 0));
        if (const auto& credits = m_quota->extraUsage)
            display.creditsText = credits->isEnabled
                ? tr("크레딧 %1% (%2/%3)")
                      .arg(fixed(credits->utilization, 1), CreditsFormat::used(*credits),
                           CreditsFormat::monthlyLimit(*credits))
                : CreditsFormat::disabledText(*credits);
    }
    if (display == m_display)
        return;
    m_display = display;
    Q_EMIT displayChanged();
}

}
