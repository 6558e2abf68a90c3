#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace pacemark {

// The wire types of the StatusNotifierItem and com.canonical.dbusmenu interfaces.

// One icon size: width, height and ARGB32 pixels in network byte order, "(iiay)".
struct DBusImage
{
    int width = 0;
    int height = 0;
    QByteArray pixels;

    static DBusImage fromImage(const QImage& image);
    QImage toImage() const;

    friend bool operator==(const DBusImage&, const DBusImage&) = default;
};
using DBusImageList = QList<DBusImage>;

// "(sa(iiay)ss)": icon name, icon pixmaps, title and the text under it.
struct DBusToolTip
{
    QString iconName;
    DBusImageList icon;
    QString title;
    QString description;
};

// A menu entry with its children, "(ia{sv}av)"; the children travel as variants of the same type.
struct DBusMenuLayoutItem
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// "(ia{sv})"
struct DBusMenuItem
{
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

// "(ias)"
struct DBusMenuItemKeys
{
    int id = 0;
    QStringList properties;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// "(isvu)"
struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument& operator<<(QDBusArgument& argument, const DBusImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& toolTip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

// Registers the types with Qt D-Bus; safe to call more than once.
void registerDBusTrayTypes();

}

Q_DECLARE_METATYPE(pacemark::DBusImage)
Q_DECLARE_METATYPE(pacemark::DBusToolTip)
Q_DECLARE_METATYPE(pacemark::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(pacemark::DBusMenuItem)
Q_DECLARE_METATYPE(pacemark::DBusMenuItemKeys)
Q_DECLARE_METATYPE(pacemark::DBusMenuEvent)
