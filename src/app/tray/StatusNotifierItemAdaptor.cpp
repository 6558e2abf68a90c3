#include "app/tray/StatusNotifierItemAdaptor.h"

#include "app/tray/StatusNotifierItem.h"

namespace pacemark {

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem* item)
    : QDBusAbstractAdaptor(item)
    , m_item(item)
{
    setAutoRelaySignals(false);
    connect(item, &StatusNotifierItem::newTitle, this, &StatusNotifierItemAdaptor::NewTitle);
    connect(item, &StatusNotifierItem::newIcon, this, &StatusNotifierItemAdaptor::NewIcon);
    connect(item, &StatusNotifierItem::newToolTip, this, &StatusNotifierItemAdaptor::NewToolTip);
}

QString StatusNotifierItemAdaptor::id() const
{
    return m_item->id();
}

QString StatusNotifierItemAdaptor::title() const
{
    return m_item->title();
}

QString StatusNotifierItemAdaptor::iconThemePath() const
{
    return m_item->iconThemePath();
}

QString StatusNotifierItemAdaptor::iconName() const
{
    return m_item->iconName();
}

DBusImageList StatusNotifierItemAdaptor::iconPixmap() const
{
    return m_item->iconPixmap();
}

QString StatusNotifierItemAdaptor::iconAccessibleDesc() const
{
    return m_item->accessibleDescription();
}

DBusToolTip StatusNotifierItemAdaptor::toolTip() const
{
    return m_item->toolTip();
}

QDBusObjectPath StatusNotifierItemAdaptor::menu() const
{
    return m_item->menu();
}

void StatusNotifierItemAdaptor::Activate(int x, int y)
{
    m_item->activate({ x, y });
}

void StatusNotifierItemAdaptor::SecondaryActivate(int x, int y)
{
    m_item->secondaryActivate({ x, y });
}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y)
{
    m_item->requestContextMenu({ x, y });
}

void StatusNotifierItemAdaptor::Scroll(int, const QString&) { }

}
