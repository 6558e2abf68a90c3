#include "app/PopoverWindow.h"

#include <algorithm>

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QtQml/QQmlExtensionPlugin>

#include "app/PopoverPlacement.h"

// The views are a static QML module; the window that loads them pulls them in.
Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

namespace {

constexpr qint64 ToggleGraceMs = 300;

}

PopoverWindow::PopoverWindow(const QVariantMap& viewProperties, Mode mode, QObject* parent)
    : QObject(parent), m_view(new QQuickView), m_mode(mode)
{
    m_view->setTitle(QStringLiteral("Pacemark"));
    m_view->setColor(Qt::transparent);
    m_view->setResizeMode(QQuickView::SizeRootObjectToView);
    // Keep the renderer's state while hidden, so that opening again is only a frame to draw.
    m_view->setPersistentGraphics(true);
    m_view->setPersistentSceneGraph(true);
    if (mode == Mode::Popover)
        m_view->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_view->setInitialProperties(viewProperties);
    m_view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Pacemark/Views/MainPopoverView.qml")));
    m_view->resize(Width, Height);
    m_view->setMinimumSize(QSize(Width, Height));
    m_view->setMaximumSize(QSize(Width, Height));
    if (QQuickItem* root = m_view->rootObject()) {
        const QMetaObject* meta = root->metaObject();
        connect(root, meta->method(meta->indexOfSignal("settingsRequested()")), this,
            staticMetaObject.method(staticMetaObject.indexOfSignal("settingsRequested()")));
    }

    connect(m_view, &QQuickWindow::frameSwapped, this, [this] {
        if (!m_sinceShowRequest.isValid())
            return;
        const qint64 ms = m_sinceShowRequest.elapsed();
        if (m_firstShowMs < 0)
            m_firstShowMs = ms;
        else
            m_slowestLaterShowMs = std::max(m_slowestLaterShowMs, ms);
        Q_EMIT onScreen();
        m_sinceShowRequest.invalidate();
    });
    if (mode == Mode::Popover) {
        connect(m_view, &QWindow::activeChanged, this, [this] {
            if (!m_view->isActive() && m_view->isVisible()) {
                m_view->hide();
                m_sinceFocusLoss.start();
            }
        });
    }
}

PopoverWindow::~PopoverWindow()
{
    delete m_view;
}

bool PopoverWindow::isShown() const
{
    return m_view->isVisible();
}

void PopoverWindow::show(const QRect& trayIcon)
{
    m_sinceShowRequest.start();
    ++m_showCount;
    if (m_mode == Mode::Popover) {
        const QPoint pointer = QCursor::pos();
        QScreen* screen = QGuiApplication::screenAt(trayIcon.isValid() ? trayIcon.center() : pointer);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            m_view->setPosition(PopoverPlacement::topLeft(trayIcon, pointer, screen->availableGeometry(),
                                                          QSize(Width, Height)));
    }
    m_view->show();
    m_view->raise();
    m_view->requestActivate();
}

void PopoverWindow::close()
{
    m_view->hide();
}

bool PopoverWindow::justClosedByFocusLoss() const
{
    return m_sinceFocusLoss.isValid() && m_sinceFocusLoss.elapsed() < ToggleGraceMs;
}
