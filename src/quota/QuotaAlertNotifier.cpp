#include "quota/QuotaAlertNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QJsonDocument>
#include <QLoggingCategory>

#include "basics/AppSettings.h"
#include "basics/Clock.h"
#include "quota/ClaudeQuotaManager.h"

namespace pacemark {

Q_LOGGING_CATEGORY(lcQuotaAlerts, "pacemark.quota.alerts")

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// Servers keep only this many ids around for clicks; older notifications have long gone.
constexpr qsizetype MaxTracked = 32;

}

QuotaAlertNotifier::QuotaAlertNotifier(ClaudeQuotaManager* manager, AppSettings* defaults, const QDBusConnection& bus,
                                       QObject* parent)
    : QObject(parent)
    , m_manager(manager)
    , m_defaults(defaults)
    , m_bus(bus)
{
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
    if (m_manager)
        connect(m_manager, &ClaudeQuotaManager::quotaChanged, this, [this] {
            if (const auto& quota = m_manager->quota())
                evaluate(*quota);
        });
}

void QuotaAlertNotifier::evaluate(const ClaudeQuota& quota)
{
    weigh(quota);
}

void QuotaAlertNotifier::evaluate(const std::vector<QuotaAlertPolicy::Window>& windows)
{
    weigh(windows);
}

template <typename Limits>
void QuotaAlertNotifier::weigh(const Limits& limits)
{
    if (!m_defaults->quotaAlertsEnabled())
        return;
    const QJsonObject before = QJsonDocument::fromJson(m_defaults->quotaAlertMemory()).object();
    QuotaAlertPolicy policy(before);
    const auto alerts = policy.evaluate(
        limits, { m_defaults->quotaAlertLowerThreshold(), m_defaults->quotaAlertUpperThreshold() }, Clock::now());
    if (policy.memory() != before) {
        // Saved at once: an alert must not come back after a crash.
        m_defaults->setQuotaAlertMemory(QJsonDocument(policy.memory()).toJson(QJsonDocument::Compact));
        m_defaults->sync();
    }
    for (const auto& alert : alerts)
        send(alert);
}

void QuotaAlertNotifier::send(const QuotaAlert& alert)
{
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QVariantMap hints {
        { QStringLiteral("desktop-entry"), QStringLiteral("io.github.pacemark.Pacemark") },
        { QStringLiteral("urgency"), QVariant::fromValue<uchar>(alert.urgent ? 2 : 1) },
    };
    message << QStringLiteral("Pacemark") << uint(0) << QStringLiteral("io.github.pacemark.Pacemark") << alert.summary()
            << alert.body() << QStringList { QStringLiteral("default"), tr("대시보드 열기") } << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            qCDebug(lcQuotaAlerts) << "no notification shown:" << reply.error().message();
            return;
        }
        m_shown.append(reply.value());
        if (m_shown.size() > MaxTracked)
            m_shown.removeFirst();
    });
}

void QuotaAlertNotifier::onActionInvoked(uint id, const QString& actionKey)
{
    if (actionKey == QLatin1String("default") && m_shown.contains(id))
        Q_EMIT activated();
}

void QuotaAlertNotifier::onNotificationClosed(uint id, uint)
{
    m_shown.removeAll(id);
}

}
