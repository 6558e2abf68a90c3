#pragma once

#include <chrono>

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include "app/tray/DBusTrayTypes.h"

class QDBusServiceWatcher;

namespace pacemark {

// A tray item for the StatusNotifierItem hosts (KDE Plasma, GNOME's AppIndicator extension, waybar,
// swaybar...). It stays on the session bus for the life of the process and registers with the
// StatusNotifierWatcher whenever one appears, so a panel that starts late or restarts picks it up.
// Once registered it checks that the watcher lists it, and registers again, backing off, while it
// does not: a host may drop an item it failed to read. The hosts' clicks arrive with the position
// they happened at.
class StatusNotifierItem : public QObject
{
    Q_OBJECT

public:
    // What the host that took the item does with it, as far as its cost goes.
    struct Host
    {
        QString name; // the watcher's process name; empty while unknown
        // Loads IconName from IconThemePath, so no pixmaps need to travel.
        bool takesNames = false;
        // Shows a new IconName from PropertiesChanged at once; NewIcon would only make it fetch again.
        bool appliesPropertyChanges = false;
        // Looks names up in a theme it scans again only every few seconds, so a frame new since then
        // is missing; it loads an IconName that is a file's path straight from the file.
        bool wantsPaths = false;
    };
    // The host of a watcher process of that name (PACEMARK_TRAY_HOST, when set, names it instead).
    static Host hostNamed(const QString& processName);

    explicit StatusNotifierItem(QString id, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Puts the item on the bus and registers it; false when there is no session bus. Set everything
    // hosts read first: a host reads the item at once.
    bool publish(const QDBusConnection& connection = QDBusConnection::sessionBus());
    bool isPublished() const { return !m_serviceName.isEmpty(); }
    // True while a watcher that has a host has taken the item.
    bool isHosted() const { return m_hosted; }
    const Host& host() const { return m_host; }
    // The bus connection the item is on, which hosts call.
    QString serviceName() const { return m_serviceName; }
    // How many times the item was registered with a watcher.
    int registrationCount() const { return m_registrations; }

    void setTitle(const QString& title);
    // The icon by name in the theme folder, and at every size it is drawn at, each image at its own
    // pixel size; hosts that take names are not sent the pixmaps.
    void setIcon(const QString& name, const DBusImageList& sizes);
    void setIconThemePath(const QString& path);
    void setToolTip(const QString& title, const QString& description);
    // What screen readers say for the icon.
    void setAccessibleDescription(const QString& description);
    void setMenu(const QDBusObjectPath& path);

    QString id() const { return m_id; }
    QString title() const { return m_title; }
    // The frame's name, or its file where the host wants paths.
    QString iconName() const;
    QString iconThemePath() const { return m_iconThemePath; }
    DBusImageList iconPixmap() const;
    const DBusToolTip& toolTip() const { return m_toolTip; }
    QString accessibleDescription() const { return m_accessibleDescription; }
    QDBusObjectPath menu() const { return m_menu; }

    // Called by the host through the adaptor.
    void activate(QPoint at);
    void secondaryActivate(QPoint at);
    void requestContextMenu(QPoint at);

Q_SIGNALS:
    void hostedChanged(bool hosted);
    void hostChanged();
    void activated(QPoint at);
    void secondaryActivated(QPoint at);
    void contextMenuRequested(QPoint at);
    void newTitle();
    void newIcon();
    void newToolTip();

private Q_SLOTS:
    void queryHost();
    void watcherDroppedItem(const QString& item);

private:
    void identifyHostAndRegister();
    void registerWithWatcher();
    void verifyRegistration();
    void retryLater();
    void setHosted(bool hosted);
    void announce(const QVariantMap& changed);

    QString m_id;
    QString m_title;
    QString m_iconName;
    QString m_iconThemePath;
    DBusImageList m_iconPixmap;
    DBusToolTip m_toolTip;
    QString m_accessibleDescription;
    QDBusObjectPath m_menu { QStringLiteral("/NO_DBUSMENU") };
    QDBusConnection m_connection { QString() };
    QString m_serviceName;
    QDBusServiceWatcher* m_watcher = nullptr;
    Host m_host;
    bool m_hosted = false;
    int m_registrations = 0;
    QTimer m_retry;
    std::chrono::milliseconds m_backOff;
    QTimer m_check;
};

}
