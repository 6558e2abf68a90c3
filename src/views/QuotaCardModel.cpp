#include "views/QuotaCardModel.h"

#include <algorithm>

#include <QVariantMap>

#include "basics/Clock.h"
#include "basics/Translation.h"
#include "quota/CreditsFormat.h"
#include "quota/LimitNames.h"
#include "quota/QuotaForecast.h"
#include "quota/ResetCountdown.h"
#include "views/DashboardFormat.h"

namespace pacemark {

namespace {

using Case = ClaudeQuotaManager::Status::Case;

QVariantMap row(const QString& label, double pct, const QString& value, const QString& detail, bool binding = false,
                const QString& note = {})
{
    return { { QStringLiteral("label"), label },
             { QStringLiteral("pct"), pct },
             { QStringLiteral("color"), static_cast<int>(DashboardFormat::quotaColor(pct)) },
             { QStringLiteral("value"), value },
             { QStringLiteral("detail"), detail },
             { QStringLiteral("binding"), binding },
             { QStringLiteral("note"), note } };
}

// The rows in display order, with countdowns and forecasts as of now.
QVariantList rowsOf(const ClaudeQuota& quota, Instant now)
{
    QVariantList rows;
    for (const auto& limit : quota.limits) {
        const double pct = ClaudeQuota::shownPercent(limit.percent);
        // A forecast already passed says nothing new; the next poll brings a fresh one.
        const QString note
            = limit.forecastAt && *limit.forecastAt > now ? QuotaForecast::text(*limit.forecastAt, now) : QString();
        rows.append(row(LimitNames::name(limit), pct, DashboardFormat::percentText(pct),
                        resetCountdown(limit.resetsAt, now), limit.binding && quota.limits.size() > 1, note));
    }
    if (const auto& credits = quota.extraUsage)
        rows.append(row(QuotaCardModel::tr("크레딧"), ClaudeQuota::shownPercent(credits->utilization),
                        CreditsFormat::used(*credits, true), CreditsFormat::monthlyLimit(*credits, true), false,
                        CreditsFormat::disabledText(*credits)));
    return rows;
}
}

QuotaCardModel::QuotaCardModel(ClaudeQuotaManager* manager, QObject* parent)
    : QObject(parent)
{
    if (manager) {
        // The connections end with either object, so the manager is alive whenever they run.
        const auto follow = [this, manager] {
            setQuota(manager->quota());
            setStatus(manager->status());
        };
        connect(manager, &ClaudeQuotaManager::statusChanged, this, follow);
        connect(manager, &ClaudeQuotaManager::quotaChanged, this, follow);
        connect(manager, &ClaudeQuotaManager::credentialFoundChanged, this,
                [this, manager] { setCredentialFound(manager->credentialFound()); });
        m_credentialFound = manager->credentialFound();
        m_status = manager->status();
        m_quota = manager->quota();
        updateRows(true);
    }
    updateShowCard();
    connect(&Translation::shared(), &Translation::changed, this, [this] {
        Q_EMIT statusChanged();
        updateRows(true);
    });
}

QString QuotaCardModel::badgeText() const
{
    switch (m_status.statusCase()) {
    case Case::error: {
        const auto& error = m_status.oauthError();
        return error && error->errorCase() == OAuthError::Case::unauthorized ? tr("토큰 만료") : tr("오류");
    }
    case Case::notConfigured:
    case Case::denied:
        return tr("미연결");
    case Case::loading:
    case Case::loaded:
        break;
    }
    return {};
}

bool QuotaCardModel::badgeAlert() const
{
    return m_status.statusCase() == Case::error;
}

bool QuotaCardModel::showNotLoggedInText() const
{
    return !hasQuota() && m_status.statusCase() == Case::notConfigured;
}

void QuotaCardModel::setStatus(const ClaudeQuotaManager::Status& status)
{
    const bool notLoggedIn = showNotLoggedInText();
    if (!(m_status == status)) {
        m_status = status;
        Q_EMIT statusChanged();
    }
    if (notLoggedIn != showNotLoggedInText())
        Q_EMIT showNotLoggedInTextChanged();
    rebuild();
}

void QuotaCardModel::setQuota(const std::optional<ClaudeQuota>& quota)
{
    const bool notLoggedIn = showNotLoggedInText();
    // hasQuota notifies with the rows: an empty answer has no rows but is a quota.
    const bool presenceChanged = m_quota.has_value() != quota.has_value();
    m_quota = quota;
    if (notLoggedIn != showNotLoggedInText())
        Q_EMIT showNotLoggedInTextChanged();
    updateRows(presenceChanged);
    updateShowCard();
}

void QuotaCardModel::setCredentialFound(bool found)
{
    m_credentialFound = found;
    updateShowCard();
}

void QuotaCardModel::rebuild()
{
    updateRows(false);
    updateShowCard();
}

void QuotaCardModel::updateRows(bool presenceChanged)
{
    QVariantList rows = m_quota ? rowsOf(*m_quota, Clock::now()) : QVariantList {};
    if (!presenceChanged && rows == m_rows)
        return;
    m_rows = std::move(rows);
    Q_EMIT rowsChanged();
}

void QuotaCardModel::updateShowCard()
{
    const bool show = m_quota.has_value() || m_credentialFound;
    if (show == m_showCard)
        return;
    m_showCard = show;
    Q_EMIT showCardChanged();
}

}
