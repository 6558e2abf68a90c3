#include "app/tray/StatusNotifierItem.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QLoggingCategory>

#include "app/tray/StatusNotifierItemAdaptor.h"

namespace pacemark {

Q_LOGGING_CATEGORY(lcStatusNotifier, "pacemark.tray.sni", QtWarningMsg)

using namespace std::chrono_literals;

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString WatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString ItemPath = QStringLiteral("/StatusNotifierItem");
const QString ItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A dropped item is registered again after a second, then after two, four... up to a minute, and the
// watcher's list is looked at again every half minute while all is well.
constexpr auto FirstRetry = 1s;
constexpr auto LongestRetry = 60s;
constexpr auto CheckInterval = 30s;

// Watchers list an item by its connection's name, alone or followed by its path.
bool isThisItem(const QString& listed, const QString& connection)
{
    return listed.startsWith(connection)
        && (listed.size() == connection.size() || listed.at(connection.size()) == QLatin1Char('/')
            || listed.at(connection.size()) == QLatin1Char('@'));
}

QString processName(uint pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
}

}

StatusNotifierItem::Host StatusNotifierItem::hostNamed(const QString& processName)
{
    const QString name
        = qEnvironmentVariableIsSet("PACEMARK_TRAY_HOST") ? qEnvironmentVariable("PACEMARK_TRAY_HOST") : processName;
    // GNOME's AppIndicator extension keeps every pixmap it is sent and fetches on NewIcon at most
    // about four times a second, but caches named icons and applies a changed IconName at once.
    if (name == QLatin1String("gnome-shell"))
        return { name, true, true, false };
    if (name == QLatin1String("waybar"))
        return { name, true, false, true };
    // These look names up in IconThemePath first and read properties only after NewIcon (Plasma's
    // watcher lives in kded).
    for (const char* known : { "swaybar", "plasmashell", "kded5", "kded6" }) {
        if (name == QLatin1String(known))
            return { name, true, false, false };
    }
    // Anything else gets the pixmaps as well, in case it cannot load names.
    return { name, false, false, false };
}

StatusNotifierItem::StatusNotifierItem(QString id, QObject* parent)
    : QObject(parent)
    , m_id(std::move(id))
    , m_title(m_id)
    , m_backOff(FirstRetry)
{
    registerDBusTrayTypes();
    new StatusNotifierItemAdaptor(this);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &StatusNotifierItem::registerWithWatcher);
    m_check.setInterval(CheckInterval);
    m_check.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_check, &QTimer::timeout, this, &StatusNotifierItem::verifyRegistration);
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_connection.isConnected() && isPublished())
        m_connection.unregisterObject(ItemPath);
}

bool StatusNotifierItem::publish(const QDBusConnection& connection)
{
    if (!connection.isConnected() || isPublished())
        return false;
    m_connection = connection;
    if (!m_connection.registerObject(ItemPath, this, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcStatusNotifier) << "could not put the tray item on the session bus:"
                                    << m_connection.lastError().message();
        return false;
    }
    // Registered by its path, without a name of its own: GNOME's extension watches an item's own
    // name and, when the name shows up after it has read the item, forgets what it read and drops
    // the item for good.
    m_serviceName = m_connection.baseService();
    m_watcher = new QDBusServiceWatcher(
        WatcherService, m_connection,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierItem::identifyHostAndRegister);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        m_retry.stop();
        m_check.stop();
        setHosted(false);
    });
    // A host that comes or goes behind an existing watcher (a panel restarting under a running
    // watcher daemon) is announced by the watcher, and so is an item the host gave up on.
    for (const char* signal : { "StatusNotifierHostRegistered", "StatusNotifierHostUnregistered" })
        m_connection.connect(WatcherService, WatcherPath, WatcherInterface, QString::fromLatin1(signal), this,
                             SLOT(queryHost()));
    m_connection.connect(WatcherService, WatcherPath, WatcherInterface,
                         QStringLiteral("StatusNotifierItemUnregistered"), this, SLOT(watcherDroppedItem(QString)));
    identifyHostAndRegister();
    return true;
}

// The host is known by the process that owns the watcher; it decides what the item sends.
void StatusNotifierItem::identifyHostAndRegister()
{
    auto* pending = new QDBusPendingCallWatcher(
        m_connection.interface()->asyncCall(QStringLiteral("GetConnectionUnixProcessID"), WatcherService), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError() && reply.error().name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
            // No watcher yet: the service watcher calls again when one appears.
            setHosted(false);
            return;
        }
        // A bus that will not tell the process leaves the host unknown, not the item unregistered.
        const Host host = hostNamed(reply.isError() ? QString() : processName(reply.value()));
        const bool changed = host.name != m_host.name;
        m_host = host;
        if (changed)
            Q_EMIT hostChanged();
        m_backOff = FirstRetry;
        registerWithWatcher();
    });
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(WatcherService, WatcherPath, WatcherInterface,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << ItemPath;
    ++m_registrations;
    auto* pending = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (!finished->isError()) {
            verifyRegistration();
            return;
        }
        if (finished->error().type() == QDBusError::ServiceUnknown) {
            setHosted(false);
            return;
        }
        qCWarning(lcStatusNotifier) << "the tray host refused the item:" << finished->error().message();
        retryLater();
    });
}

void StatusNotifierItem::verifyRegistration()
{
    QDBusMessage get
        = QDBusMessage::createMethodCall(WatcherService, WatcherPath, PropertiesInterface, QStringLiteral("Get"));
    get << WatcherInterface << QStringLiteral("RegisteredStatusNotifierItems");
    auto* pending = new QDBusPendingCallWatcher(m_connection.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *finished;
        if (!reply.isError()) {
            const QStringList items = reply.value().variant().toStringList();
            if (std::none_of(items.begin(), items.end(),
                             [this](const QString& item) { return isThisItem(item, m_serviceName); })) {
                retryLater();
                return;
            }
        }
        // A watcher that cannot be asked is trusted.
        m_backOff = FirstRetry;
        m_check.start();
        queryHost();
    });
}

void StatusNotifierItem::retryLater()
{
    m_check.stop();
    if (m_retry.isActive())
        return;
    m_retry.start(m_backOff);
    m_backOff = std::min(m_backOff * 2, std::chrono::milliseconds(LongestRetry));
}

void StatusNotifierItem::watcherDroppedItem(const QString& item)
{
    if (isThisItem(item, m_serviceName))
        retryLater();
}

void StatusNotifierItem::queryHost()
{
    QDBusMessage get
        = QDBusMessage::createMethodCall(WatcherService, WatcherPath, PropertiesInterface, QStringLiteral("Get"));
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

void StatusNotifierItem::announce(const QVariantMap& changed)
{
    QDBusMessage signal
        = QDBusMessage::createSignal(ItemPath, PropertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << ItemInterface << changed << QStringList();
    m_connection.send(signal);
}

void StatusNotifierItem::setTitle(const QString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT newTitle();
}

QString StatusNotifierItem::iconName() const
{
    if (!m_host.wantsPaths || m_iconName.isEmpty())
        return m_iconName;
    return m_iconThemePath + QLatin1Char('/') + m_iconName + QStringLiteral(".png");
}

DBusImageList StatusNotifierItem::iconPixmap() const
{
    return m_host.takesNames && !m_iconName.isEmpty() ? DBusImageList() : m_iconPixmap;
}

void StatusNotifierItem::setIcon(const QString& name, const DBusImageList& sizes)
{
    const DBusImageList sent = iconPixmap();
    const bool nameChanged = name != m_iconName;
    m_iconName = name;
    m_iconPixmap = sizes;
    // Without a host nobody listens; one that comes reads the icon when it takes the item.
    if (!m_hosted || (!nameChanged && iconPixmap() == sent))
        return;
    if (m_host.appliesPropertyChanges) {
        QVariantMap changed { { QStringLiteral("IconName"), iconName() } };
        if (!m_host.takesNames || m_iconName.isEmpty())
            changed.insert(QStringLiteral("IconPixmap"), QVariant::fromValue(iconPixmap()));
        announce(changed);
    } else {
        Q_EMIT newIcon();
    }
}

void StatusNotifierItem::setIconThemePath(const QString& path)
{
    m_iconThemePath = path;
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& description)
{
    if (m_toolTip.title == title && m_toolTip.description == description)
        return;
    m_toolTip.title = title;
    m_toolTip.description = description;
    Q_EMIT newToolTip();
}

void StatusNotifierItem::setAccessibleDescription(const QString& description)
{
    if (m_accessibleDescription == description)
        return;
    m_accessibleDescription = description;
    // Hosts that do not take property changes read it with the next icon.
    if (m_hosted && m_host.appliesPropertyChanges)
        announce({ { QStringLiteral("IconAccessibleDesc"), description } });
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

}
