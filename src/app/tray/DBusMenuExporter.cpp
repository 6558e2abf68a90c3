#include "app/tray/DBusMenuExporter.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include "app/tray/DBusMenuAdaptor.h"

namespace pacemark {

DBusMenuExporter::DBusMenuExporter(QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_menu(menu)
{
    registerDBusTrayTypes();
    new DBusMenuAdaptor(this);
    watchActions();
}

DBusMenuExporter::~DBusMenuExporter()
{
    if (m_connection.isConnected())
        m_connection.unregisterObject(path().path());
}

bool DBusMenuExporter::publish(const QDBusConnection& connection)
{
    m_connection = connection;
    return m_connection.isConnected()
        && m_connection.registerObject(path().path(), this, QDBusConnection::ExportAdaptors);
}

void DBusMenuExporter::watchActions()
{
    for (QAction* action : m_menu->actions()) {
        connect(action, &QAction::changed, this, [this] {
            ++m_revision;
            Q_EMIT layoutUpdated(m_revision, 0);
        });
    }
}

// Entries are numbered from 1 in menu order; 0 is the menu itself.
QAction* DBusMenuExporter::actionOf(int id) const
{
    const QList<QAction*> actions = m_menu->actions();
    return id >= 1 && id <= actions.size() ? actions.at(id - 1) : nullptr;
}

QVariantMap DBusMenuExporter::properties(int id) const
{
    if (id == 0)
        return { { QStringLiteral("children-display"), QStringLiteral("submenu") } };
    const QAction* action = actionOf(id);
    if (!action)
        return {};
    if (action->isSeparator())
        return { { QStringLiteral("type"), QStringLiteral("separator") } };
    // Underscores mark mnemonics in dbusmenu labels; a literal one is doubled.
    QString label = action->text();
    label.replace(QLatin1Char('_'), QStringLiteral("__"));
    QVariantMap properties {
        { QStringLiteral("label"), label },
        { QStringLiteral("enabled"), action->isEnabled() },
        { QStringLiteral("visible"), action->isVisible() },
    };
    if (action->isCheckable()) {
        properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
    }
    return properties;
}

DBusMenuLayoutItem DBusMenuExporter::layout() const
{
    DBusMenuLayoutItem root { 0, properties(0), {} };
    for (int id = 1; id <= m_menu->actions().size(); ++id)
        root.children.append({ id, properties(id), {} });
    return root;
}

bool DBusMenuExporter::handleEvent(int id, const QString& eventId)
{
    QAction* action = actionOf(id);
    if (!action)
        return false;
    // The host waits for the reply to the event; the action runs after it has gone out.
    if (eventId == QLatin1String("clicked") && action->isEnabled())
        QTimer::singleShot(0, action, &QAction::trigger);
    return true;
}

}
