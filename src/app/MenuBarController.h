#pragma once

#include <chrono>
#include <optional>

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QTimer>

#include "app/StatusImage.h"
#include "app/tray/DBusTrayTypes.h"

#include "quota/ClaudeQuota.h"

class ClaudeOAuthProvider;
class ClaudeQuotaManager;
class CodexLimits;
class PopoverWindow;
class QAction;
class QMenu;
class RunCharacter;
class SystemTray;
class UsageDataManager;
class UserDefaults;

// Puts the runner into the tray: the current frame (and the quota battery) as a square icon at every
// size trays ask for, a tooltip with today's figures, a menu, a half-second tick that drives the
// runner from the usage figures, and the popover on a click.
class MenuBarController : public QObject
{
    Q_OBJECT

public:
    MenuBarController(UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                      ClaudeQuotaManager* claudeQuotaManager, ClaudeOAuthProvider* oauthProvider,
                      UserDefaults* defaults, QObject* parent = nullptr);
    ~MenuBarController() override;

    void togglePopover();
    // Opens the popover (or brings it back) next to the icon or the given point.
    void showPopover(const QRect& iconGeometry = QRect(), const QPoint& at = QPoint());
    void updateMenuBarImage();
    // Shows Codex's limits in the popover and the tooltip.
    void setCodexLimits(CodexLimits* limits);

    // The battery value of a quota: the five-hour window (or the binding limit when asked for), else the
    // extra usage, else none.
    static std::optional<double> batteryValue(const std::optional<ClaudeQuota>& quota, bool bindingLimit = false);

    SystemTray* tray() const { return m_tray; }
    QMenu* menu() const { return m_menu; }
    // Built when first needed and let go of a while after it closes, so that a runner at rest in the
    // tray does not hold the dashboard's scene: null meanwhile.
    PopoverWindow* popover() const { return m_popover; }
    bool isPopoverShown() const;
    // How long a closed popover is kept for a quick reopening.
    void setPopoverReleaseDelay(std::chrono::milliseconds delay) { m_popoverRelease.setInterval(delay); }
    int popoverBuildCount() const { return m_popoverBuildCount; }
    // The icon at every size of StatusImage::IconSizes, smallest first.
    const QList<QImage>& statusImages() const { return m_statusImages; }
    // The tooltip's text under the title: today's tokens and rate, and the quota when connected, the
    // binding limit first.
    QString toolTipText() const;
    // What screen readers say for the icon: the runner, its speed and today's tokens and rate.
    QString accessibleText() const;
    // How many status icons were composed and how many were put into the tray: a frame drawn
    // before with the same settings is reused, not composed again.
    quint64 composedImageCount() const { return m_composedImageCount; }
    quint64 shownImageCount() const { return m_shownImageCount; }

Q_SIGNALS:
    void quitRequested();
    void settingsRequested();

private:
    // Names the menu's entries in the language shown.
    void wordMenu();
    void setUpStatusItem();
    PopoverWindow* ensurePopover();
    void releasePopover();
    void startUpdateTimer();
    void tick();
    void scheduleRedraw();
    void updatePace();
    QImage shownFrame() const;
    void updateToolTip();
    void trayKindChanged();

    UsageDataManager* m_usageDataManager;
    RunCharacter* m_runCharacter;
    ClaudeQuotaManager* m_claudeQuotaManager;
    CodexLimits* m_codexLimits = nullptr;
    ClaudeOAuthProvider* m_oauthProvider;
    UserDefaults* m_defaults;
    QMenu* m_menu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_settingsAction = nullptr;
    QAction* m_pauseAction = nullptr;
    QAction* m_quitAction = nullptr;
    SystemTray* m_tray = nullptr;
    PopoverWindow* m_popover = nullptr;
    QTimer m_popoverRelease;
    int m_popoverBuildCount = 0;
    QTimer m_updateTimer;
    bool m_redrawScheduled = false;
    // Trays that show fewer frames than the runner steps through get every stride-th frame from
    // this timer instead of each frame the runner shows.
    QTimer m_paceTimer;
    int m_paceStride = 1;
    qsizetype m_pacedIndex = 0;
    QList<QImage> m_statusImages;
    quint64 m_composedImageCount = 0;
    quint64 m_shownImageCount = 0;

    // The composed icons of the frames seen so far with the current settings. Reusing the same
    // icon for a frame also keeps the tray's pixmap cache from filling with copies of it.
    struct StatusIcon
    {
        QList<QImage> images;
        QIcon icon;
        DBusImageList pixmaps;
        QString name;
    };
    StatusImage::Options m_iconOptions;
    QList<QImage> m_contentFrames;
    QRect m_contentRect;
    QHash<qint64, StatusIcon> m_icons;
};
