#include "views/DashboardModel.h"

#include <algorithm>

#include <QDir>
#include <QVariantMap>

#include "basics/Clock.h"
#include "basics/Translation.h"
#include "usage/TokenFormat.h"
#include "views/DashboardFormat.h"

namespace pacemark {

namespace {

constexpr qsizetype ShownProjects = 5;

QVariantList projectRows(const QList<ProjectUsage>& projects)
{
    const QString home = QDir::homePath();
    const auto row = [](const QString& name, const QString& path, qint64 tokens, const UsdCost& cost) {
        return QVariantMap { { QStringLiteral("name"), name },
                             { QStringLiteral("path"), path },
                             { QStringLiteral("tokens"), formatTokens(tokens) },
                             { QStringLiteral("cost"),
                               formatUsd(cost.usd, UsdCost::known(cost.unpricedTokens, tokens)) } };
    };
    QVariantList rows;
    qint64 restTokens = 0;
    UsdCost restCost;
    for (qsizetype i = 0; i < projects.size(); ++i) {
        const ProjectUsage& p = projects[i];
        if (i < ShownProjects) {
            rows.append(row(shortProjectPath(p.path, home, 28), p.path, p.tokens, p.cost));
        } else {
            TokenMath::accumulate(restTokens, p.tokens);
            restCost.add(p.cost);
        }
    }
    if (projects.size() > ShownProjects)
        rows.append(row(DashboardModel::tr("기타"), QString(), restTokens, restCost));
    return rows;
}

}

DashboardModel::DashboardModel(QObject* parent)
    : QObject(parent)
{
    connect(&Translation::shared(), &Translation::changed, this, &DashboardModel::rebuild);
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
    const Today today { formatTokens(todayTokens),
                        DashboardFormat::rateText(rate),
                        formatTokens(u ? u->todayOutputTokens() : 0),
                        DashboardFormat::sessionsText(u ? u->sessionCount() : 0),
                        level,
                        static_cast<int>(DashboardFormat::meterColor(level)),
                        formatUsd(u ? u->todayCostUSD() : 0, !u || u->todayCostKnown()) };
    if (today != m_today) {
        m_today = today;
        Q_EMIT todayChanged();
    }

    const qint64 unpriced = u ? u->cumulativeUnpricedTokens() : 0;
    const Cumulative cumulativeFigures { formatTokens(cumulative),
                                         DashboardFormat::todayShareText(todayTokens, cumulative),
                                         formatUsd(u ? u->cumulativeCostUSD() : 0, !u || u->cumulativeCostKnown()),
                                         unpriced > 0 ? formatTokens(unpriced) : QString() };
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

    Projects projects;
    if (u) {
        projects.today = projectRows(u->todayProjects());
        projects.week = projectRows(u->weekProjects());
    }
    if (projects != m_projects) {
        m_projects = std::move(projects);
        Q_EMIT projectsChanged();
    }

    Providers providers;
    if (u) {
        // Enabled providers are those whose logs exist now, so this is asked again at every redraw.
        providers.show = u->enabledProviderCount() >= 2;
        // Each source that is on, the busiest today first: today's tokens and cost, and beneath them
        // its rate now and its all-time tokens and cost.
        const auto& snapshot = *u->snapshot();
        std::vector<const SourceFigures*> sources;
        for (const auto& source : snapshot.sources)
            sources.push_back(&source);
        std::stable_sort(sources.begin(), sources.end(),
                         [](const auto* a, const auto* b) { return a->todayTokens > b->todayTokens; });
        const Instant now = Clock::now();
        for (const SourceFigures* source : sources) {
            const auto cost = [](const UsdCost& c, qint64 tokens) {
                return formatUsd(c.usd, UsdCost::known(c.unpricedTokens, tokens));
            };
            providers.rows.append(QVariantMap {
                { QStringLiteral("name"), source->name },
                { QStringLiteral("tokens"), formatTokens(source->todayTokens) },
                { QStringLiteral("cost"), cost(source->todayCost, source->todayTokens) },
                { QStringLiteral("detail"),
                  tr("%1 · 누적 %2 %3")
                      .arg(DashboardFormat::rateText(snapshot.tokensPerMinute(now, source->id)),
                           formatTokens(source->allTimeTokens), cost(source->allTimeCost, source->allTimeTokens)) },
            });
        }
    }
    if (providers != m_providers) {
        m_providers = std::move(providers);
        Q_EMIT providersChanged();
    }

    if (m_quotaCard)
        m_quotaCard->rebuild();
}

}
