#pragma once

#include <QObject>

class QAction;
class QMenu;

namespace pacemark {

class AppSettings;

// The tray icon's menu: the dashboard, the settings, the runner's pause (a stored setting, kept in step
// both ways) and quitting.
class TrayMenu : public QObject
{
    Q_OBJECT

public:
    explicit TrayMenu(AppSettings* defaults, QObject* parent = nullptr);
    ~TrayMenu() override;

    QMenu* menu() const { return m_menu; }

Q_SIGNALS:
    void dashboardRequested();
    void settingsRequested();
    void quitRequested();

private:
    // Names the entries in the language shown.
    void word();

    AppSettings* m_defaults;
    QMenu* m_menu;
    QAction* m_openAction;
    QAction* m_settingsAction;
    QAction* m_pauseAction;
    QAction* m_quitAction;
};

}
