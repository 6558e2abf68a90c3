#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>

#include "app/tray/DBusTrayTypes.h"

class QAction;
class QMenu;

namespace pacemark {

// Shows a menu's actions to tray hosts that draw the menu themselves, over com.canonical.dbusmenu:
// labels, enabled and check states, separators; a click there triggers the action here.
class DBusMenuExporter : public QObject
{
    Q_OBJECT

public:
    DBusMenuExporter(QMenu* menu, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    static QDBusObjectPath path() { return QDBusObjectPath(QStringLiteral("/MenuBar")); }
    bool publish(const QDBusConnection& connection = QDBusConnection::sessionBus());

    uint revision() const { return m_revision; }
    DBusMenuLayoutItem layout() const;
    // The properties of one entry; id 0 is the menu itself.
    QVariantMap properties(int id) const;
    // Runs the event on the entry; false for an unknown entry.
    bool handleEvent(int id, const QString& eventId);

Q_SIGNALS:
    void layoutUpdated(uint revision, int parent);

private:
    QAction* actionOf(int id) const;
    void watchActions();

    QMenu* m_menu;
    QDBusConnection m_connection { QString() };
    uint m_revision = 1;
};

}
