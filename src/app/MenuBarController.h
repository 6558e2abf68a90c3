#pragma once

#include <QObject>

class QMenu;

namespace pacemark {

class ClaudeQuotaManager;
class PopoverHost;
class RunCharacter;
class SystemTray;
class TrayIcon;
class TrayMenu;
class TrayToolTip;
class UsageDataManager;
class AppSettings;

// Puts the runner into the tray: the icon, its tooltip and its menu, and the popover on a click.
// Where no tray shows up in time, the dashboard opens as a window instead.
class MenuBarController : public QObject
{
    Q_OBJECT

public:
    MenuBarController(UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                      ClaudeQuotaManager* claudeQuotaManager, AppSettings* defaults, PopoverHost* popoverHost,
                      QObject* parent = nullptr);
    ~MenuBarController() override;

    SystemTray* tray() const { return m_tray; }
    QMenu* menu() const;
    TrayIcon* icon() const { return m_icon; }
    TrayToolTip* toolTip() const { return m_toolTip; }

Q_SIGNALS:
    void quitRequested();
    void settingsRequested();

private:
    PopoverHost* m_popoverHost;
    TrayMenu* m_menu;
    SystemTray* m_tray;
    TrayIcon* m_icon;
    TrayToolTip* m_toolTip;
};

}
