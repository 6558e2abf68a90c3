#pragma once

#include <chrono>

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

namespace pacemark {

class ClaudeQuotaManager;
class CodexLimits;
class PopoverWindow;
class RunCharacter;
class UsageDataManager;

// Owns the dashboard's popover: builds it when first needed and lets go of it a while after it closes,
// so that a runner at rest in the tray does not hold the dashboard's scene.
class PopoverHost : public QObject
{
    Q_OBJECT

public:
    PopoverHost(UsageDataManager* usageDataManager, RunCharacter* runCharacter, ClaudeQuotaManager* claudeQuotaManager,
                QObject* parent = nullptr);
    ~PopoverHost() override;

    // Null while none is built.
    PopoverWindow* popover() const { return m_popover; }
    bool isShown() const;
    int buildCount() const { return m_buildCount; }
    // How long a closed popover is kept for a quick reopening.
    void setReleaseDelay(std::chrono::milliseconds delay) { m_release.setInterval(delay); }

    // Shows Codex's limits in the popover from its next building on.
    void setCodexLimits(CodexLimits* limits) { m_codexLimits = limits; }

    // Whether a tray holds the runner: then the dashboard is a popover beside it, else a window.
    void setTrayAvailable(bool available);

    // Opens the popover (or brings it back) next to the icon or the given point.
    void show(const QRect& iconGeometry = QRect(), const QPoint& at = QPoint());
    // Shows it unless it is on show already.
    void open();
    // What a click on the tray icon does: closes an open popover, else opens it, unless that click
    // is the one that just closed it.
    void togglePopover(const QRect& iconGeometry = QRect(), const QPoint& at = QPoint());

Q_SIGNALS:
    void settingsRequested();

private:
    PopoverWindow* ensurePopover();
    void release();

    UsageDataManager* m_usageDataManager;
    RunCharacter* m_runCharacter;
    ClaudeQuotaManager* m_claudeQuotaManager;
    CodexLimits* m_codexLimits = nullptr;
    bool m_trayAvailable = false;
    PopoverWindow* m_popover = nullptr;
    QTimer m_release;
    int m_buildCount = 0;
};

}
