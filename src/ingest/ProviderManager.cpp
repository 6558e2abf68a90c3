#include "ingest/ProviderManager.h"

#include <QDir>
#include <QStringList>
#include <QVariantMap>

#include "basics/AppSettings.h"
#include "ingest/ClaudeCodeProvider.h"
#include "ingest/CodexProvider.h"
#include "ingest/GeminiProvider.h"

namespace pacemark {

ProviderManager::ProviderManager(std::vector<std::string> projectsPaths, QObject* parent)
    : QObject(parent)
    , m_claudeCode(std::make_shared<ClaudeCodeProvider>(std::move(projectsPaths)))
{
    registerProvider(m_claudeCode);
}

ProviderManager::ProviderManager(const std::string& projectsPath, QObject* parent)
    : ProviderManager(std::vector<std::string> { projectsPath }, parent)
{ }

void ProviderManager::registerOtherAgents(std::vector<std::string> codexHomes, std::string geminiHome)
{
    registerProvider(std::make_shared<CodexProvider>(std::move(codexHomes)));
    registerProvider(std::make_shared<GeminiProvider>(std::move(geminiHome)));
}

void ProviderManager::registerProvider(std::shared_ptr<AIUsageProvider> provider)
{
    m_providers.push_back(std::move(provider));
    refreshProviderInfos();
    Q_EMIT providersChanged();
}

void ProviderManager::useSettings(AppSettings* defaults)
{
    m_defaults = defaults;
    refreshProviderInfos();
    Q_EMIT providersChanged();
}

void ProviderManager::setEnabled(const QString& id, bool enabled)
{
    if (m_defaults)
        m_defaults->setUsageSourceEnabled(id, enabled);
    else
        m_choices.insert(id, enabled);
    refreshProviderInfos();
    Q_EMIT providersChanged();
}

std::optional<bool> ProviderManager::choice(const QString& id) const
{
    if (m_defaults)
        return m_defaults->usageSourceEnabled(id);
    return m_choices.contains(id) ? std::optional(m_choices.value(id)) : std::nullopt;
}

bool ProviderManager::isEnabled(const AIUsageProvider& provider) const
{
    return choice(provider.id()).value_or(true);
}

QVariantList ProviderManager::sources() const
{
    QVariantList list;
    for (const auto& p : m_providers) {
        QStringList folders;
        const QString home = QDir::homePath();
        for (const auto& folder : p->folders()) {
            const QString path = QString::fromStdString(folder);
            folders.append(path.startsWith(home + QLatin1Char('/')) ? QLatin1Char('~') + path.mid(home.size()) : path);
        }
        const bool available = p->isAvailable();
        list.append(QVariantMap {
            { QStringLiteral("id"), p->id() },
            { QStringLiteral("name"), p->name() },
            { QStringLiteral("icon"), p->icon() },
            { QStringLiteral("folders"), folders.join(QStringLiteral(", ")) },
            { QStringLiteral("available"), available },
            { QStringLiteral("on"), choice(p->id()).value_or(available) },
        });
    }
    return list;
}

QSet<QString> ProviderManager::enabledProviderIds() const
{
    QSet<QString> ids;
    for (const auto& p : m_providers)
        if (isEnabled(*p))
            ids.insert(p->id());
    return ids;
}

void ProviderManager::refreshProviderInfos()
{
    m_providerInfos.clear();
    for (const auto& p : m_providers) {
        const bool available = p->isAvailable();
        m_providerInfos.append({ p->id(), p->name(), p->icon(), available, available && isEnabled(*p) });
    }
}

std::vector<std::shared_ptr<AIUsageProvider>> ProviderManager::enabledProviders() const
{
    std::vector<std::shared_ptr<AIUsageProvider>> enabled;
    for (const auto& p : m_providers)
        if (isEnabled(*p) && p->isAvailable())
            enabled.push_back(p);
    return enabled;
}

std::vector<std::string> ProviderManager::allWatchDirectories() const
{
    std::vector<std::string> directories;
    for (const auto& p : enabledProviders())
        for (auto& d : p->watchDirectories())
            directories.push_back(std::move(d));
    return directories;
}

QString ProviderManager::displayName(const std::vector<std::shared_ptr<AIUsageProvider>>& providers,
                                     const QString& model, const QString& providerId)
{
    for (const auto& p : providers)
        if (p->id() == providerId)
            return p->displayName(model);
    return model;
}

}
