#include "views/QuotaCardFeed.h"

#include <QPointer>

#include "quota/ClaudeWebProvider.h"

namespace QuotaCardFeed {

namespace {

std::optional<QuotaCardSnapshot::Window> windowOf(const std::optional<ClaudeQuota::Window>& window)
{
    if (!window)
        return std::nullopt;
    return QuotaCardSnapshot::Window { window->utilizationPct, window->resetsAt };
}

}

QuotaCardModel::Status statusOf(const ClaudeQuotaManager::Status& status)
{
    using Case = ClaudeQuotaManager::Status::Case;
    switch (status.statusCase()) {
    case Case::notConfigured:
        return QuotaCardModel::Status::NotConfigured;
    case Case::loading:
        return QuotaCardModel::Status::Loading;
    case Case::loaded:
        return QuotaCardModel::Status::Loaded;
    case Case::denied:
        return QuotaCardModel::Status::Denied;
    case Case::error:
        break;
    }
    const auto& error = status.oauthError();
    return error && error->errorCase() == OAuthError::Case::unauthorized ? QuotaCardModel::Status::Unauthorized
                                                                          : QuotaCardModel::Status::Failed;
}

QuotaCardSnapshot snapshotOf(const ClaudeQuota& quota)
{
    QuotaCardSnapshot snapshot { windowOf(quota.fiveHour), windowOf(quota.sevenDay), windowOf(quota.sevenDayOpus),
                                 windowOf(quota.sevenDaySonnet), std::nullopt };
    if (const auto& extra = quota.extraUsage)
        snapshot.extraUsage = QuotaCardSnapshot::Credits { extra->monthlyLimitCents, extra->usedCreditsCents,
                                                           extra->utilization };
    return snapshot;
}

QuotaCardModel* create(ClaudeQuotaManager* manager, const ClaudeOAuthProvider* provider, QObject* parent)
{
    const QPointer<const ClaudeOAuthProvider> credentials(provider);
    auto* card = new QuotaCardModel([credentials] { return credentials && credentials->readAccessTokenSilently(); },
                                    parent);
    // The connections end with either object, so the manager is alive whenever this runs.
    const auto follow = [card, manager] {
        const std::optional<ClaudeQuota> quota = manager->quota();
        card->setSnapshot(quota ? std::optional(snapshotOf(*quota)) : std::nullopt);
        card->setStatus(statusOf(manager->status()));
    };
    QObject::connect(manager, &ClaudeQuotaManager::statusChanged, card, follow);
    QObject::connect(manager, &ClaudeQuotaManager::quotaChanged, card, follow);
    follow();
    return card;
}

}
