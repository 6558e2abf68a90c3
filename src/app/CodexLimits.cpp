#include "app/CodexLimits.h"

#include "basics/Clock.h"
#include "ingest/CodexProvider.h"
#include "ingest/ProviderManager.h"
#include "quota/QuotaAlertNotifier.h"
#include "usage/UsageDataManager.h"

namespace pacemark {

CodexLimits::CodexLimits(ProviderManager* providers, UsageDataManager* usage, QObject* parent)
    : QObject(parent)
{
    for (const auto& provider : providers->providers())
        if (auto codex = std::dynamic_pointer_cast<CodexProvider>(provider))
            m_provider = std::move(codex);
    connect(usage, &UsageDataManager::refreshed, this, &CodexLimits::take);
    take();
}

void CodexLimits::take()
{
    auto limits = m_provider ? m_provider->rateLimits() : std::nullopt;
    if (limits == m_limits)
        return;
    m_limits = std::move(limits);
    if (m_notifier && m_limits) {
        // A window whose reset has passed since the line was written says nothing of now.
        const Instant now = Clock::now();
        std::vector<QuotaAlertPolicy::Window> windows;
        for (const auto& w : m_limits->windows)
            if (!w.resetsAt || *w.resetsAt > now)
                windows.push_back({ QStringLiteral("codex:%1").arg(w.windowMinutes), QStringLiteral("Codex"),
                                    w.windowMinutes, w.usedPercent, w.resetsAt });
        m_notifier->evaluate(windows);
    }
    Q_EMIT changed();
}

}
