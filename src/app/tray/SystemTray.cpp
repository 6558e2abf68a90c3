#include "app/tray/SystemTray.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "app/tray/DBusMenuExporter.h"
#include "app/tray/StatusNotifierItem.h"
#include "app/tray/XEmbedTrayProbe.h"

namespace pacemark {

using namespace std::chrono_literals;

SystemTray::SystemTray(QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_menu(menu)
    , m_statusNotifierItem(new StatusNotifierItem(QStringLiteral("pacemark"), this))
    , m_menuExporter(new DBusMenuExporter(menu, this))
{
    m_statusNotifierItem->setTitle(QStringLiteral("Pacemark"));
    m_statusNotifierItem->setIconThemePath(m_iconFolder.path());
    if (m_menuExporter->publish())
        m_statusNotifierItem->setMenu(DBusMenuExporter::path());
    connect(m_statusNotifierItem, &StatusNotifierItem::hostedChanged, this, &SystemTray::evaluate);
    connect(m_statusNotifierItem, &StatusNotifierItem::hostChanged, this, &SystemTray::hostChanged);
    connect(m_statusNotifierItem, &StatusNotifierItem::activated, this,
            [this](QPoint at) { Q_EMIT activated(QRect(), at); });
    connect(m_statusNotifierItem, &StatusNotifierItem::contextMenuRequested, this, &SystemTray::contextMenuRequested);
    // Hosts read the item the moment it registers, and one that finds it half set may drop it for
    // good: the icon, tooltip and description set by the owner in this turn of the event loop go first.
    QTimer::singleShot(0, m_statusNotifierItem, [item = m_statusNotifierItem] { item->publish(); });

    // An XEmbed tray announces itself only to those who listen on the root window from the start;
    // looking every two seconds while there is no tray is simpler and costs nothing measurable.
    m_xembedProbe.setInterval(2s);
    m_xembedProbe.setTimerType(Qt::CoarseTimer);
    connect(&m_xembedProbe, &QTimer::timeout, this, &SystemTray::evaluate);
    evaluate();
}

SystemTray::~SystemTray()
{
    delete m_xembed;
    // Off the bus before the icon folder goes, so that no host is told of a frame it can no longer read.
    delete m_statusNotifierItem;
}

void SystemTray::evaluate()
{
    Kind wanted = Kind::None;
    if (m_statusNotifierItem->isHosted())
        wanted = Kind::StatusNotifier;
    // Once shown, Qt's XEmbed icon follows the tray manager by itself, a restarted one included.
    else if (m_xembed || XEmbedTrayProbe::managerPresent())
        wanted = Kind::XEmbed;

    if (wanted == Kind::None)
        m_xembedProbe.start();
    else
        m_xembedProbe.stop();
    if (wanted == m_kind)
        return;
    if (wanted == Kind::XEmbed) {
        setUpXEmbed();
    } else {
        delete m_xembed;
        m_xembed = nullptr;
    }
    m_kind = wanted;
    Q_EMIT kindChanged(m_kind);
}

void SystemTray::setUpXEmbed()
{
    m_xembed = new QSystemTrayIcon(m_icon);
    m_xembed->setToolTip(xembedToolTip());
    m_xembed->setContextMenu(m_menu);
    connect(m_xembed, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT activated(m_xembed->geometry(), QPoint());
    });
    m_xembed->show();
}

std::optional<SystemTray::FramePace> SystemTray::framePace(AnimationSpeed speed) const
{
    if (m_kind != Kind::StatusNotifier)
        return std::nullopt;
    // Every frame a host shows costs it a redraw (GNOME Shell about a point of a core with software
    // rendering), and most fetch the icon over the bus besides: a few frames a second, with the
    // runner moving further on each one the faster it goes, keep the four speeds apart.
    switch (speed) {
    case AnimationSpeed::Idle:
        return FramePace { 1000ms, 1 };
    case AnimationSpeed::Walking:
        return FramePace { 400ms, 1 };
    case AnimationSpeed::Running:
        return FramePace { 300ms, 2 };
    case AnimationSpeed::Sprinting:
        return FramePace { 250ms, 3 };
    }
    return std::nullopt;
}

QString SystemTray::iconName(const QList<QImage>& sizes)
{
    return m_iconFolder.nameFor(sizes);
}

void SystemTray::setIcon(const QIcon& icon, const DBusImageList& pixmaps, const QString& name)
{
    m_icon = icon;
    m_statusNotifierItem->setIcon(name, pixmaps);
    if (m_xembed)
        m_xembed->setIcon(icon);
}

void SystemTray::setToolTip(const QString& title, const QString& description)
{
    m_toolTipTitle = title;
    m_toolTipDescription = description;
    m_statusNotifierItem->setToolTip(title, description);
    if (m_xembed)
        m_xembed->setToolTip(xembedToolTip());
}

void SystemTray::setAccessibleDescription(const QString& description)
{
    m_statusNotifierItem->setAccessibleDescription(description);
}

// XEmbed trays show one text: the title, then the figures beneath it.
QString SystemTray::xembedToolTip() const
{
    return m_toolTipDescription.isEmpty() ? m_toolTipTitle : m_toolTipTitle + QLatin1Char('\n') + m_toolTipDescription;
}

}
