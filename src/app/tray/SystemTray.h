#pragma once

#include <chrono>
#include <optional>

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include "app/tray/DBusTrayTypes.h"
#include "app/tray/TrayIconFolder.h"
#include "runner/AnimationSpeed.h"

class QMenu;
class QSystemTrayIcon;

namespace pacemark {

class DBusMenuExporter;
class StatusNotifierItem;

// The application's place in whatever system tray the desktop has: a StatusNotifierItem where a host
// runs (most desktops, and every Wayland one), else an XEmbed tray icon on X11. It keeps watching, so
// a panel that starts after the application, restarts or changes kind gets the icon within seconds.
class SystemTray : public QObject
{
    Q_OBJECT

public:
    enum class Kind { None, StatusNotifier, XEmbed };
    Q_ENUM(Kind)

    // The menu is offered to hosts that draw menus themselves; where a host only asks for one at a
    // point, contextMenuRequested says where.
    explicit SystemTray(QMenu* menu, QObject* parent = nullptr);
    ~SystemTray() override;

    Kind kind() const { return m_kind; }
    bool isAvailable() const { return m_kind != Kind::None; }

    // How often a new frame of a runner at that speed is shown, and by how many frames the runner
    // moves on each time; none when the tray shows every frame.
    struct FramePace
    {
        std::chrono::milliseconds interval;
        int stride;
    };
    std::optional<FramePace> framePace(AnimationSpeed speed) const;

    // The name hosts load the icon by (images at every size, square), written on first use.
    QString iconName(const QList<QImage>& sizes);
    // The icon at every size, as a QIcon, as the bus form of the same images and by name.
    void setIcon(const QIcon& icon, const DBusImageList& pixmaps, const QString& name);
    void setToolTip(const QString& title, const QString& description);
    // What screen readers say for the icon.
    void setAccessibleDescription(const QString& description);

    StatusNotifierItem* statusNotifierItem() const { return m_statusNotifierItem; }

Q_SIGNALS:
    void kindChanged(SystemTray::Kind kind);
    // A different host took the item: the frame pace may have changed.
    void hostChanged();
    // A click on the icon. The icon's place when the tray tells it (XEmbed), else the point the
    // host says the click happened at (StatusNotifierItem); either may be unknown.
    void activated(const QRect& iconGeometry, const QPoint& at);
    void contextMenuRequested(const QPoint& at);

private:
    void evaluate();
    void setUpXEmbed();
    QString xembedToolTip() const;

    QMenu* m_menu;
    StatusNotifierItem* m_statusNotifierItem;
    DBusMenuExporter* m_menuExporter;
    TrayIconFolder m_iconFolder;
    QSystemTrayIcon* m_xembed = nullptr;
    QTimer m_xembedProbe;
    Kind m_kind = Kind::None;
    QIcon m_icon;
    QString m_toolTipTitle;
    QString m_toolTipDescription;
};

}
