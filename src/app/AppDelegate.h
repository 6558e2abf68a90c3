#pragma once

#include <memory>

#include <QObject>

namespace pacemark {

class ClaudeOAuthProvider;
class ClaudeQuotaManager;
class DailyUsageStore;
class MenuBarController;
class PopoverHost;
class ProviderManager;
class QuotaAlertNotifier;
class RunCharacter;
class RunnerPace;
class SettingsWindowController;
class UsageDataManager;
class AppSettings;

// Builds every long-lived object in a fixed order, starts them at launch and stops them at exit.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Opens the history store, starts the usage watcher, the runner and the quota polling, then
    // puts the runner into the tray.
    void applicationDidFinishLaunching();
    // Stops the log watcher, the runner's pace and frame timer and the quota polling, in that order.
    void applicationWillTerminate();

    AppSettings* defaults() const { return m_defaults; }
    ProviderManager* providerManager() const { return m_providerManager; }
    UsageDataManager* usageDataManager() const { return m_usageDataManager; }
    RunCharacter* runCharacter() const { return m_runCharacter; }
    // Sets the runner's speed from the usage figures, from launch until termination.
    RunnerPace* runnerPace() const { return m_runnerPace; }
    ClaudeOAuthProvider* claudeOAuthProvider() const { return m_claudeOAuthProvider; }
    // Created on first use with a 300-second poll interval, then kept.
    ClaudeQuotaManager* claudeQuotaManager();
    MenuBarController* menuBarController() const { return m_menuBarController; }
    // The dashboard's popover, opened from the tray, a second start, a quota alert or the menu.
    PopoverHost* popoverHost() const { return m_popoverHost; }
    // Made at launch; a click on one of its notifications opens the popover.
    QuotaAlertNotifier* quotaAlertNotifier() const { return m_quotaAlertNotifier; }
    // Empty until the settings window is first asked for; then the same one for good.
    SettingsWindowController* settingsWindowController() const { return m_settingsWindowController; }
    // Shows the one settings window of the process, centred and in front.
    void showSettingsWindow();
    const DailyUsageStore* modelContainer() const { return m_modelContainer.get(); }

private:
    AppSettings* m_defaults;
    MenuBarController* m_menuBarController = nullptr;
    PopoverHost* m_popoverHost = nullptr;
    ProviderManager* m_providerManager;
    UsageDataManager* m_usageDataManager;
    RunCharacter* m_runCharacter;
    RunnerPace* m_runnerPace;
    ClaudeOAuthProvider* m_claudeOAuthProvider;
    ClaudeQuotaManager* m_claudeQuotaManager = nullptr;
    QuotaAlertNotifier* m_quotaAlertNotifier = nullptr;
    std::shared_ptr<DailyUsageStore> m_modelContainer;
    SettingsWindowController* m_settingsWindowController = nullptr;
};

}
