#include "views/DashboardModel.h"

#include <QVariantMap>

#include "ingest/ProviderManager.h"
#include "usage/TokenFormat.h"
#include "views/DashboardFormat.h"

DashboardModel::DashboardModel(QObject* parent) : QObject(parent)
{
    rebuild();
}

void DashboardModel::setUsage(UsageDataManager* usage)
{
    if (m_usage == usage)
        return;
    if (m_usage)
        disconnect(m_usage, nullptr, this, nullptr);
    m_usage = usage;
    // A refresh publishes all its figures in one turn and then says so; the rate also moves between
    // refreshes. Both are when the dashboard redraws.
    if (m_usage) {
        connect(m_usage, &UsageDataManager::refreshed, this, &DashboardModel::rebuild);
        connect(m_usage, &UsageDataManager::tokensPerMinuteChanged, this, &DashboardModel::rebuild);
    }
    Q_EMIT usageChanged();
    rebuild();
}

void DashboardModel::setQuotaCard(QuotaCardModel* quotaCard)
{
    if (m_quotaCard == quotaCard)
        return;
    m_quotaCard = quotaCard;
    Q_EMIT quotaCardChanged();
    rebuild();
}

void DashboardModel::rebuild()
{
    const UsageDataManager* u = m_usage;
    const qint64 todayTokens = u ? u->todayTokens() : 0;
    const qint64 rate = u ? u->tokensPerMinute() : 0;
    const qint64 cumulative = u ? u->cumulativeTokens() : 0;

    const int level = DashboardFormat::meterLevel(rate);
    const Today today { formatTokens(todayTokens), DashboardFormat::rateText(rate),
                        formatTokens(u ? u->todayOutputTokens() : 0),
                        DashboardFormat::sessionsText(u ? u->sessionCount() : 0), level,
                        static_cast<int>(DashboardFormat::meterColor(level)) };
    if (today != m_today) {
        m_today = today;
        Q_EMIT todayChanged();
    }

    const Cumulative cumulativeFigures { formatTokens(cumulative),
                                         DashboardFormat::todayShareText(todayTokens, cumulative) };
    if (cumulativeFigures != m_cumulative) {
        m_cumulative = cumulativeFigures;
        Q_EMIT cumulativeChanged();
    }

    QVariantList shareRows;
    if (u) {
        for (const ModelBreakdown& b : u->todayBreakdown())
            shareRows.append(QVariantMap {
                { QStringLiteral("name"), b.displayName },
                { QStringLiteral("color"), static_cast<int>(modelColor(b.model)) },
                { QStringLiteral("share"), DashboardFormat::modelShare(b.totalTokens(), todayTokens) },
                { QStringLiteral("tokens"), formatTokens(b.totalTokens()) },
            });
    }
    if (shareRows != m_shareRows) {
        m_shareRows = std::move(shareRows);
        Q_EMIT modelsChanged();
    }

    Providers providers;
    if (u) {
        // Enabled providers are those whose logs exist now, so this is asked again at every redraw.
        providers.show = u->providerManager() && u->providerManager()->enabledProviders().size() >= 2;
        for (const ProviderSummary& p : u->providerSummaries())
            providers.rows.append(QVariantMap {
                { QStringLiteral("name"), p.providerName },
                { QStringLiteral("tokens"), formatTokens(p.tokens) },
            });
    }
    if (providers != m_providers) {
        m_providers = std::move(providers);
        Q_EMIT providersChanged();
    }

    if (m_quotaCard)
        m_quotaCard->rebuild();
}
