#include "app/tray/DBusMenuAdaptor.h"

#include "app/tray/DBusMenuExporter.h"

namespace pacemark {

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenuExporter* exporter)
    : QDBusAbstractAdaptor(exporter)
    , m_exporter(exporter)
{
    setAutoRelaySignals(false);
    connect(exporter, &DBusMenuExporter::layoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
}

// The menu is one flat level, so every request gets all of it.
uint DBusMenuAdaptor::GetLayout(int, int, const QStringList&, DBusMenuLayoutItem& layout)
{
    layout = m_exporter->layout();
    return m_exporter->revision();
}

DBusMenuItemList DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids, const QStringList&)
{
    DBusMenuItemList items;
    for (int id : ids)
        items.append({ id, m_exporter->properties(id) });
    return items;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name)
{
    return QDBusVariant(m_exporter->properties(id).value(name));
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    m_exporter->handleEvent(id, eventId);
}

QList<int> DBusMenuAdaptor::EventGroup(const DBusMenuEventList& events)
{
    QList<int> unknown;
    for (const DBusMenuEvent& event : events) {
        if (!m_exporter->handleEvent(event.id, event.eventId))
            unknown.append(event.id);
    }
    return unknown;
}

bool DBusMenuAdaptor::AboutToShow(int)
{
    return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>&, QList<int>& idErrors)
{
    idErrors.clear();
    return {};
}

}
