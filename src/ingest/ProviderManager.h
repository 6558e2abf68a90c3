#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QVariantList>

#include "basics/AgentPaths.h"
#include "ingest/AIUsageProvider.h"
#include "ingest/ClaudeCodeProvider.h"
#include "ingest/ProviderInfo.h"

namespace pacemark {

class AppSettings;

// The registered usage providers, which of them are enabled, and how to show their models. A source
// the user switched neither on nor off is on while its logs exist; a choice is kept in the settings.
class ProviderManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<ProviderInfo> providerInfos READ providerInfos NOTIFY providersChanged)
    Q_PROPERTY(QVariantList sources READ sources NOTIFY providersChanged)

public:
    // Registers the Claude Code provider reading the given logs folders.
    explicit ProviderManager(std::vector<std::string> projectsPaths, QObject* parent = nullptr);
    explicit ProviderManager(const std::string& projectsPath, QObject* parent = nullptr);

    // Adds the providers of Codex CLI and Gemini CLI reading the given homes (by default those the
    // environment names: $CODEX_HOME or ~/.codex, ~/.gemini).
    void registerOtherAgents(std::vector<std::string> codexHomes = AgentPaths::codexHomes(),
                             std::string geminiHome = AgentPaths::geminiHome());

    const std::vector<std::shared_ptr<AIUsageProvider>>& providers() const { return m_providers; }
    // The Claude Code reader registered at construction, for those that keep its file cache between runs.
    const std::shared_ptr<ClaudeCodeProvider>& claudeCode() const { return m_claudeCode; }
    // One per provider, in order, with availability and choice as of the last change.
    const QList<ProviderInfo>& providerInfos() const { return m_providerInfos; }
    // The providers switched on, or on by default, whether their logs exist now or not.
    QSet<QString> enabledProviderIds() const;

    // For the settings: per provider its id, name, icon, the folders it reads ("folders", one string,
    // the home folder written "~"),
    // whether its logs exist ("available") and whether it is switched on ("on": the choice, else
    // whether its logs exist).
    QVariantList sources() const;

    // Reads and keeps the user's choices in the settings.
    void useSettings(AppSettings* defaults);
    Q_INVOKABLE void setEnabled(const QString& id, bool enabled);

    // Enabled and available at the moment of the call.
    std::vector<std::shared_ptr<AIUsageProvider>> enabledProviders() const;
    std::vector<std::string> allWatchDirectories() const;

    // The display name of a model as its provider writes it; the id unchanged for unknown providers.
    static QString displayName(const std::vector<std::shared_ptr<AIUsageProvider>>& providers, const QString& model,
                               const QString& providerId);

    // Appends a provider. Its records must carry its id as their providerId.
    void registerProvider(std::shared_ptr<AIUsageProvider> provider);

Q_SIGNALS:
    // A provider came or was switched on or off.
    void providersChanged();

private:
    std::optional<bool> choice(const QString& id) const;
    bool isEnabled(const AIUsageProvider& provider) const;
    void refreshProviderInfos();

    std::shared_ptr<ClaudeCodeProvider> m_claudeCode;
    std::vector<std::shared_ptr<AIUsageProvider>> m_providers;
    QList<ProviderInfo> m_providerInfos;
    // The choices made, when there are no settings to keep them.
    QHash<QString, bool> m_choices;
    AppSettings* m_defaults = nullptr;
};

}
