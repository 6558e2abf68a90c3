#pragma once

#include <optional>

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QTimer>

#include "app/StatusImage.h"

#include "quota/ClaudeQuota.h"

class ClaudeOAuthProvider;
class ClaudeQuotaManager;
class PopoverWindow;
class QMenu;
class QSystemTrayIcon;
class RunCharacter;
class UsageDataManager;
class UserDefaults;

// Puts the runner into the tray: one composed image of the current frame (and the quota battery),
// a half-second tick that drives the runner from the usage figures, and the popover on a click.
class MenuBarController : public QObject
{
    Q_OBJECT

public:
    MenuBarController(UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                      ClaudeQuotaManager* claudeQuotaManager, ClaudeOAuthProvider* oauthProvider,
                      UserDefaults* defaults, QObject* parent = nullptr);
    ~MenuBarController() override;

    void togglePopover();
    void updateMenuBarImage();

    // The battery value of a quota: the five-hour window, else the extra usage, else none.
    static std::optional<double> batteryValue(const std::optional<ClaudeQuota>& quota);

    QSystemTrayIcon* statusItem() const { return m_statusItem; }
    PopoverWindow* popover() const { return m_popover; }
    const QImage& statusImage() const { return m_statusImage; }
    // How many status images were composed and how many were put into the tray: a frame drawn
    // before with the same settings is reused, not composed again.
    quint64 composedImageCount() const { return m_composedImageCount; }
    quint64 shownImageCount() const { return m_shownImageCount; }

Q_SIGNALS:
    void quitRequested();
    void settingsRequested();

private:
    void setUpStatusItem();
    void setUpPopover();
    void startUpdateTimer();
    void tick();
    void scheduleRedraw();

    UsageDataManager* m_usageDataManager;
    RunCharacter* m_runCharacter;
    ClaudeQuotaManager* m_claudeQuotaManager;
    ClaudeOAuthProvider* m_oauthProvider;
    UserDefaults* m_defaults;
    QSystemTrayIcon* m_statusItem = nullptr;
    QMenu* m_menu = nullptr;
    PopoverWindow* m_popover = nullptr;
    QTimer m_updateTimer;
    bool m_redrawScheduled = false;
    QImage m_statusImage;
    quint64 m_composedImageCount = 0;
    quint64 m_shownImageCount = 0;

    // The composed images of the frames seen so far with the current settings. Reusing the same
    // icon for a frame also keeps the tray's pixmap cache from filling with copies of it.
    struct StatusIcon
    {
        QImage image;
        QIcon icon;
    };
    StatusImage::Options m_iconOptions;
    QHash<qint64, StatusIcon> m_icons;
};
