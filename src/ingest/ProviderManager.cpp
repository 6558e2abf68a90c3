#include "ingest/ProviderManager.h"

#include "ingest/ClaudeCodeProvider.h"
#include "ingest/CodexProvider.h"
#include "ingest/GeminiProvider.h"

ProviderManager::ProviderManager(std::vector<std::string> projectsPaths, QObject* parent)
    : QObject(parent)
{
    registerProvider(std::make_shared<ClaudeCodeProvider>(std::move(projectsPaths)));
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
    m_enabledProviderIds.insert(provider->id());
    m_providers.push_back(std::move(provider));
    refreshProviderInfos();
}

void ProviderManager::refreshProviderInfos()
{
    m_providerInfos.clear();
    for (const auto& p : m_providers)
        m_providerInfos.append(
            { p->id(), p->name(), p->icon(), p->isAvailable(), m_enabledProviderIds.contains(p->id()) });
}

std::vector<std::shared_ptr<AIUsageProvider>> ProviderManager::enabledProviders() const
{
    std::vector<std::shared_ptr<AIUsageProvider>> enabled;
    for (const auto& p : m_providers)
        if (m_enabledProviderIds.contains(p->id()) && p->isAvailable())
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
