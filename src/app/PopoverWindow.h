#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QVariantMap>

class QQuickView;

namespace pacemark {

// The window that hosts the dashboard: a frameless panel that stays on top, opens next to the tray
// icon and closes like a menu: on Esc, on a click outside it (the tray icon included) and when it
// loses focus, with or without a window manager. Built once and reused, so the page the user chose
// last is still shown next time. Without a tray it is an ordinary window instead.
class PopoverWindow : public QObject
{
    Q_OBJECT

public:
    static constexpr int Width = 360;
    static constexpr int Height = 420;

    enum class Mode { Popover, NormalWindow };

    // The view's required properties, all but its actions, which the window provides.
    PopoverWindow(const QVariantMap& viewProperties, Mode mode, QObject* parent = nullptr);
    ~PopoverWindow() override;

    Mode mode() const { return m_mode; }
    // A tray that comes late turns the window into the popover; it closes on the way.
    void setMode(Mode mode);

    bool isShown() const;
    // Opens next to the tray icon, else at the point the tray says it was clicked at, else near the
    // pointer.
    void show(const QRect& trayIcon, const QPoint& at = QPoint());
    void close();
    // A click on the tray icon closes the popover first (outside it, or a focus loss), then arrives
    // here; such a click must not open it again.
    bool justDismissed() const;

    QQuickView* view() const { return m_view; }
    // From a request to show to the first frame on screen, for benchmarks: the first opening, counted
    // from the start of building the popover, and the slowest of the later ones.
    qint64 firstShowMs() const { return m_firstShowMs; }
    qint64 slowestLaterShowMs() const { return m_slowestLaterShowMs; }
    int showCount() const { return m_showCount; }

Q_SIGNALS:
    // The first frame after a show is on screen.
    void onScreen();
    // The window went off screen, whatever closed it.
    void hidden();
    // The view's settings button was clicked.
    void settingsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyMode();
    void grabInput(int attemptsLeft);
    void dismiss();

    QQuickView* m_view;
    Mode m_mode;
    QElapsedTimer m_sinceFocusLoss;
    QElapsedTimer m_sinceShowRequest;
    qint64 m_firstShowMs = -1;
    qint64 m_slowestLaterShowMs = -1;
    int m_showCount = 0;
};

}
