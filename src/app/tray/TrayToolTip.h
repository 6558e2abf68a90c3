#pragma once

#include <QObject>
#include <QString>

namespace pacemark {

class ClaudeQuotaManager;
class CodexLimits;
class RunCharacter;
class SystemTray;
class UsageDataManager;

// The tray icon's tooltip and what screen readers say for it, from today's figures, the quota and the
// runner.
class TrayToolTip : public QObject
{
    Q_OBJECT

public:
    TrayToolTip(SystemTray* tray, UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                ClaudeQuotaManager* claudeQuotaManager, QObject* parent = nullptr);

    // The text under the title: today's tokens and rate, and the quota when connected, the binding
    // limit first.
    QString text() const;
    // What screen readers say for the icon: the runner, its speed and today's tokens and rate.
    QString accessibleText() const;

    // Puts both into the tray again; the quota's countdowns age between changes of the figures.
    void update();
    // Adds Codex's limits under Claude's.
    void setCodexLimits(CodexLimits* limits);

private:
    SystemTray* m_tray;
    UsageDataManager* m_usageDataManager;
    RunCharacter* m_runCharacter;
    ClaudeQuotaManager* m_claudeQuotaManager;
    CodexLimits* m_codexLimits = nullptr;
};

}
