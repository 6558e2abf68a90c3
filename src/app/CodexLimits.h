#pragma once

#include <memory>
#include <optional>

#include <QObject>

#include "ingest/CodexRateLimits.h"

namespace pacemark {

class CodexProvider;
class ProviderManager;
class QuotaAlertNotifier;
class UsageDataManager;

// Codex's limits as the rollouts give them, taken after every usage refresh (which reads the
// rollouts anyway): the popover's card and the tooltip show them, and the alert notifier weighs them
// like Claude's.
class CodexLimits : public QObject
{
    Q_OBJECT

public:
    // Follows the Codex provider the manager holds, if any.
    CodexLimits(ProviderManager* providers, UsageDataManager* usage, QObject* parent = nullptr);

    const std::optional<CodexRateLimits>& limits() const { return m_limits; }
    void setAlertNotifier(QuotaAlertNotifier* notifier) { m_notifier = notifier; }

Q_SIGNALS:
    void changed();

private:
    void take();

    std::shared_ptr<CodexProvider> m_provider;
    QuotaAlertNotifier* m_notifier = nullptr;
    std::optional<CodexRateLimits> m_limits;
};

}
