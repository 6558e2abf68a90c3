#include "app/tray/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>

#include "app/tray/StatusNotifierItemAdaptor.h"

Q_LOGGING_CATEGORY(lcStatusNotifier, "pacemark.tray.sni", QtWarningMsg)

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString WatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString ItemPath = QStringLiteral("/StatusNotifierItem");

int nextItemNumber()
{
    static int number = 0;
    return ++number;
}

}

StatusNotifierItem::StatusNotifierItem(QString id, QObject* parent)
    : QObject(parent)
    , m_id(std::move(id))
    , m_title(m_id)
{
    registerDBusTrayTypes();
    new StatusNotifierItemAdaptor(this);
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_connection.isConnected() && !m_serviceName.isEmpty()) {
        m_connection.unregisterObject(ItemPath);
        m_connection.unregisterService(m_serviceName);
    }
}

bool StatusNotifierItem::publish(const QDBusConnection& connection)
{
    if (!connection.isConnected())
        return false;
    m_connection = connection;
    m_serviceName = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(nextItemNumber());
    if (!m_connection.registerObject(ItemPath, this, QDBusConnection::ExportAdaptors)
        || !m_connection.registerService(m_serviceName)) {
        qCWarning(lcStatusNotifier) << "could not put the tray item on the session bus:"
                                    << m_connection.lastError().message();
        return false;
    }
    m_watcher = new QDBusServiceWatcher(
        WatcherService, m_connection,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierItem::registerWithWatcher);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { setHosted(false); });
    // A host that comes or goes behind an existing watcher (a panel restarting under a running
    // watcher daemon) is announced by the watcher.
    for (const char* signal : { "StatusNotifierHostRegistered", "StatusNotifierHostUnregistered" })
        m_connection.connect(WatcherService, WatcherPath, WatcherInterface, QString::fromLatin1(signal), this,
                             SLOT(queryHost()));
    registerWithWatcher();
    return true;
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(WatcherService, WatcherPath, WatcherInterface,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto* pending = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (finished->isError()) {
            // No watcher yet: the service watcher calls again when one appears.
            setHosted(false);
            return;
        }
        queryHost();
    });
}

void StatusNotifierItem::queryHost()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        WatcherService, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << WatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(m_connection.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *finished;
        setHosted(!reply.isError() && reply.value().variant().toBool());
    });
}

void StatusNotifierItem::setHosted(bool hosted)
{
    if (m_hosted == hosted)
        return;
    m_hosted = hosted;
    Q_EMIT hostedChanged(hosted);
}

void StatusNotifierItem::setTitle(const QString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT newTitle();
}

void StatusNotifierItem::setIcon(const DBusImageList& sizes)
{
    m_iconPixmap = sizes;
    // Without a host nobody listens; one that comes reads the icon when it takes the item.
    if (m_hosted)
        Q_EMIT newIcon();
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& description)
{
    if (m_toolTip.title == title && m_toolTip.description == description)
        return;
    m_toolTip.title = title;
    m_toolTip.description = description;
    Q_EMIT newToolTip();
}

void StatusNotifierItem::setMenu(const QDBusObjectPath& path)
{
    m_menu = path;
}

void StatusNotifierItem::activate(QPoint at)
{
    Q_EMIT activated(at);
}

void StatusNotifierItem::secondaryActivate(QPoint at)
{
    Q_EMIT secondaryActivated(at);
}

void StatusNotifierItem::requestContextMenu(QPoint at)
{
    Q_EMIT contextMenuRequested(at);
}
