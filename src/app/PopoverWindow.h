#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QVariantMap>

class QQuickView;

// The window that hosts the dashboard: a frameless panel that stays on top, opens next to the tray
// icon and closes when it loses focus, like a menu. Built once and reused, so the page the user
// chose last is still shown next time. Without a tray it is an ordinary window instead.
class PopoverWindow : public QObject
{
    Q_OBJECT

public:
    static constexpr int Width = 360;
    static constexpr int Height = 420;

    enum class Mode { Popover, NormalWindow };

    PopoverWindow(const QVariantMap& viewProperties, Mode mode, QObject* parent = nullptr);
    ~PopoverWindow() override;

    bool isShown() const;
    // Opens next to the tray icon (or near the pointer when its geometry is unknown).
    void show(const QRect& trayIcon);
    void close();
    // A click on the tray icon closes the popover first (it loses focus), then arrives here; such a
    // click must not open it again.
    bool justClosedByFocusLoss() const;

    QQuickView* view() const { return m_view; }
    // From a request to show to the first frame on screen, for benchmarks: the first opening, which
    // also starts the renderer, and the slowest of the later ones.
    qint64 firstShowMs() const { return m_firstShowMs; }
    qint64 slowestLaterShowMs() const { return m_slowestLaterShowMs; }
    int showCount() const { return m_showCount; }

Q_SIGNALS:
    // The first frame after a show is on screen.
    void onScreen();
    // The view's settings button was clicked.
    void settingsRequested();

private:
    QQuickView* m_view;
    Mode m_mode;
    QElapsedTimer m_sinceFocusLoss;
    QElapsedTimer m_sinceShowRequest;
    qint64 m_firstShowMs = -1;
    qint64 m_slowestLaterShowMs = -1;
    int m_showCount = 0;
};
