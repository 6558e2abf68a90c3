#include "app/PopoverWindow.h"

#include <algorithm>

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QQmlEngine>
#include <QQuickView>
#include <QScreen>
#include <QTimer>
#include <QtQml/QQmlExtensionPlugin>

#include "app/PopoverPlacement.h"
#include "basics/Translation.h"
#include "views/PopoverActions.h"

// The views are a static QML module; the window that loads them pulls them in.
Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

namespace pacemark {

namespace {

constexpr qint64 ToggleGraceMs = 300;
constexpr int GrabAttempts = 10;
constexpr int GrabRetryMs = 50;

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

}

PopoverWindow::PopoverWindow(const QVariantMap& viewProperties, Mode mode, QObject* parent)
    : QObject(parent)
    , m_view(new QQuickView)
    , m_mode(mode)
{
    // A popover is built to be shown at once: its first opening counts from here.
    m_sinceShowRequest.start();
    m_view->setTitle(QStringLiteral("Pacemark"));
    m_view->setColor(Qt::transparent);
    m_view->setResizeMode(QQuickView::SizeRootObjectToView);
    // Keep the renderer's state while hidden, so that opening again is only a frame to draw.
    m_view->setPersistentGraphics(true);
    m_view->setPersistentSceneGraph(true);
    applyMode();
    auto* actions = new PopoverActions(this);
    connect(actions, &PopoverActions::settingsRequested, this, &PopoverWindow::settingsRequested);
    QVariantMap properties = viewProperties;
    properties.insert(QStringLiteral("actions"), QVariant::fromValue(actions));
    m_view->setInitialProperties(properties);
    m_view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Pacemark/Views/MainPopoverView.qml")));
    m_view->resize(Width, Height);
    m_view->setMinimumSize(QSize(Width, Height));
    m_view->setMaximumSize(QSize(Width, Height));
    m_view->installEventFilter(this);
    connect(&Translation::shared(), &Translation::changed, m_view->engine(), &QQmlEngine::retranslate);

    connect(m_view, &QQuickWindow::frameSwapped, this, [this] {
        if (!m_sinceShowRequest.isValid())
            return;
        const qint64 ms = m_sinceShowRequest.elapsed();
        if (m_firstShowMs < 0)
            m_firstShowMs = ms;
        else
            m_slowestLaterShowMs = std::max(m_slowestLaterShowMs, ms);
        m_sinceShowRequest.invalidate();
        if (m_mode == Mode::Popover && onX11())
            grabInput(GrabAttempts);
        Q_EMIT onScreen();
    });
    connect(m_view, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible)
            Q_EMIT hidden();
    });
    connect(m_view, &QWindow::activeChanged, this, [this] {
        if (m_mode == Mode::Popover && !m_view->isActive() && m_view->isVisible())
            dismiss();
    });
}

PopoverWindow::~PopoverWindow()
{
    // Its last visibility change is not a closing of this popover.
    m_view->disconnect(this);
    delete m_view;
}

// On X11 the popover is left to itself by the window manager, like a menu: it opens exactly where
// it is put (XWayland included, where a managed window would be centred or tiled), and takes the
// pointer and keyboard so that a click anywhere else or Esc closes it even with no window manager.
void PopoverWindow::applyMode()
{
    if (m_mode == Mode::NormalWindow) {
        m_view->setFlags(Qt::Window);
        return;
    }
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (onX11())
        flags |= Qt::BypassWindowManagerHint;
    m_view->setFlags(flags);
}

void PopoverWindow::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_view->hide();
    m_mode = mode;
    applyMode();
}

bool PopoverWindow::isShown() const
{
    return m_view->isVisible();
}

void PopoverWindow::show(const QRect& trayIcon, const QPoint& at)
{
    if (!m_sinceShowRequest.isValid())
        m_sinceShowRequest.start();
    ++m_showCount;
    if (m_mode == Mode::Popover) {
        const QPoint point = at.isNull() ? QCursor::pos() : at;
        QScreen* screen = QGuiApplication::screenAt(trayIcon.isValid() ? trayIcon.center() : point);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            m_view->setPosition(
                PopoverPlacement::topLeft(trayIcon, point, screen->availableGeometry(), QSize(Width, Height)));
    }
    m_view->show();
    m_view->raise();
    // The X11 popover takes the keyboard with its grab; asking to be activated there would also
    // bring down sway 1.7 with its XWayland.
    if (m_mode == Mode::NormalWindow || !onX11())
        m_view->requestActivate();
}

// A grab fails while another client still holds the pointer from the click that opened the
// popover; it is tried again for a moment.
void PopoverWindow::grabInput(int attemptsLeft)
{
    if (!m_view->isVisible() || m_mode != Mode::Popover)
        return;
    const bool keyboard = m_view->setKeyboardGrabEnabled(true);
    const bool mouse = m_view->setMouseGrabEnabled(true);
    if ((!keyboard || !mouse) && attemptsLeft > 1)
        QTimer::singleShot(GrabRetryMs, this, [this, attemptsLeft] { grabInput(attemptsLeft - 1); });
}

void PopoverWindow::close()
{
    m_view->setMouseGrabEnabled(false);
    m_view->setKeyboardGrabEnabled(false);
    m_view->hide();
}

void PopoverWindow::dismiss()
{
    close();
    m_sinceFocusLoss.start();
}

bool PopoverWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view || m_mode != Mode::Popover)
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const QPointF at = static_cast<QMouseEvent*>(event)->position();
        if (!QRectF(QPointF(0, 0), m_view->size()).contains(at)) {
            dismiss();
            return true;
        }
    }
    return false;
}

bool PopoverWindow::justDismissed() const
{
    return m_sinceFocusLoss.isValid() && m_sinceFocusLoss.elapsed() < ToggleGraceMs;
}

}
