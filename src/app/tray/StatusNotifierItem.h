#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>

#include "app/tray/DBusTrayTypes.h"

class QDBusServiceWatcher;

// A tray item for the StatusNotifierItem hosts (KDE Plasma, GNOME's AppIndicator extension, waybar,
// swaybar...). It stays on the session bus for the life of the process and registers with the
// StatusNotifierWatcher whenever one appears, so a panel that starts late or restarts picks it up.
// The hosts' clicks arrive with the position they happened at.
class StatusNotifierItem : public QObject
{
    Q_OBJECT

public:
    explicit StatusNotifierItem(QString id, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Puts the item on the bus; false when there is no session bus.
    bool publish(const QDBusConnection& connection = QDBusConnection::sessionBus());
    // True while a watcher that has a host has taken the item.
    bool isHosted() const { return m_hosted; }
    QString serviceName() const { return m_serviceName; }

    void setTitle(const QString& title);
    // The icon at every size it is drawn at, each image at its own pixel size.
    void setIcon(const DBusImageList& sizes);
    void setToolTip(const QString& title, const QString& description);
    void setMenu(const QDBusObjectPath& path);

    QString id() const { return m_id; }
    QString title() const { return m_title; }
    const DBusImageList& iconPixmap() const { return m_iconPixmap; }
    const DBusToolTip& toolTip() const { return m_toolTip; }
    QDBusObjectPath menu() const { return m_menu; }

    // Called by the host through the adaptor.
    void activate(QPoint at);
    void secondaryActivate(QPoint at);
    void requestContextMenu(QPoint at);

Q_SIGNALS:
    void hostedChanged(bool hosted);
    void activated(QPoint at);
    void secondaryActivated(QPoint at);
    void contextMenuRequested(QPoint at);
    void newTitle();
    void newIcon();
    void newToolTip();

private Q_SLOTS:
    void queryHost();

private:
    void registerWithWatcher();
    void setHosted(bool hosted);

    QString m_id;
    QString m_title;
    DBusImageList m_iconPixmap;
    DBusToolTip m_toolTip;
    QDBusObjectPath m_menu { QStringLiteral("/NO_DBUSMENU") };
    QDBusConnection m_connection { QString() };
    QString m_serviceName;
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_hosted = false;
};
