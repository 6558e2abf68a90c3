#pragma once

#include <QObject>

#include "quota/ClaudeQuota.h"
#include "quota/ClaudeQuotaManager.h"
#include "views/QuotaCardModel.h"

class ClaudeOAuthProvider;

// Feeds the quota card from the quota manager: its status, its snapshot, and the silent credential read
// that decides whether the card is shown before the first answer.
namespace QuotaCardFeed {

QuotaCardModel::Status statusOf(const ClaudeQuotaManager::Status& status);
QuotaCardSnapshot snapshotOf(const ClaudeQuota& quota);

// A card that follows the manager for as long as both live.
QuotaCardModel* create(ClaudeQuotaManager* manager, const ClaudeOAuthProvider* provider, QObject* parent = nullptr);

}
