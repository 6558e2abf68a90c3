#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>

#include "quota/QuotaAlertPolicy.h"

namespace pacemark {

class ClaudeQuotaManager;
class AppSettings;

// Sends the quota alerts as desktop notifications through org.freedesktop.Notifications and reports a
// click on one of them. Without a notification service the alerts are dropped quietly; they still
// count as told, so a service that starts later does not bring back old news.
class QuotaAlertNotifier : public QObject
{
    Q_OBJECT

public:
    // Follows the manager's snapshots; what was told is kept in the defaults.
    QuotaAlertNotifier(ClaudeQuotaManager* manager, AppSettings* defaults,
                       const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // Weighs one snapshot: sends what it calls for and remembers it.
    void evaluate(const ClaudeQuota& quota);
    // Weighs the limits of another source (Codex's) the same way, with the same thresholds and memory.
    void evaluate(const std::vector<QuotaAlertPolicy::Window>& windows);

Q_SIGNALS:
    // The user clicked one of our notifications.
    void activated();

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    void send(const QuotaAlert& alert);
    template <typename Limits>
    void weigh(const Limits& limits);

    ClaudeQuotaManager* m_manager;
    AppSettings* m_defaults;
    QDBusConnection m_bus;
    // Notifications of ours still on screen; a click on anything else is another application's.
    QList<uint> m_shown;
};

}
