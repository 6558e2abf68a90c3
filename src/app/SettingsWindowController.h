#pragma once

#include <QObject>

class QQuickView;

namespace pacemark {

class ClaudeQuotaManager;
class Autostart;
class SettingsModel;
class ProviderManager;
class AppSettings;

// Owns the settings window: built once, hidden rather than destroyed when closed, and shown centred
// in front of other windows on every request, with its form refreshed as it appears.
class SettingsWindowController : public QObject
{
    Q_OBJECT

public:
    static constexpr int Width = 480;
    static constexpr int Height = 540;

    SettingsWindowController(ClaudeQuotaManager* claudeQuotaManager, AppSettings* defaults,
                             ProviderManager* providerManager, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    void showWindow();

    QQuickView* window() const { return m_window; }

private:
    Autostart* m_loginItem;
    SettingsModel* m_model;
    QQuickView* m_window;
};

}
