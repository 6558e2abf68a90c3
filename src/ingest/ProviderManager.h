#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QList>
#include <QObject>
#include <QSet>

#include "basics/AgentPaths.h"
#include "ingest/AIUsageProvider.h"
#include "ingest/ProviderInfo.h"

// The registered usage providers, which of them are enabled, and how to show their models.
class ProviderManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<ProviderInfo> providerInfos READ providerInfos CONSTANT)

public:
    // Registers the Claude Code provider reading the given logs folders.
    explicit ProviderManager(std::vector<std::string> projectsPaths, QObject* parent = nullptr);
    explicit ProviderManager(const std::string& projectsPath, QObject* parent = nullptr);

    // Adds the providers of Codex CLI and Gemini CLI reading the given homes (by default those the
    // environment names: $CODEX_HOME or ~/.codex, ~/.gemini).
    void registerOtherAgents(std::vector<std::string> codexHomes = AgentPaths::codexHomes(),
                             std::string geminiHome = AgentPaths::geminiHome());

    const std::vector<std::shared_ptr<AIUsageProvider>>& providers() const { return m_providers; }
    const QList<ProviderInfo>& providerInfos() const { return m_providerInfos; }
    const QSet<QString>& enabledProviderIds() const { return m_enabledProviderIds; }

    // Enabled and available at the moment of the call.
    std::vector<std::shared_ptr<AIUsageProvider>> enabledProviders() const;
    std::vector<std::string> allWatchDirectories() const;

    // The display name of a model as its provider writes it; the id unchanged for unknown providers.
    static QString displayName(const std::vector<std::shared_ptr<AIUsageProvider>>& providers, const QString& model,
                               const QString& providerId);

private:
    void registerProvider(std::shared_ptr<AIUsageProvider> provider);
    void refreshProviderInfos();

    std::vector<std::shared_ptr<AIUsageProvider>> m_providers;
    QList<ProviderInfo> m_providerInfos;
    QSet<QString> m_enabledProviderIds;
};
