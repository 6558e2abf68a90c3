#include "app/LoginItem.h"

#include <cstdio>

#include <QCoreApplication>

#include "app/XdgAutostartLoginItem.h"

LoginItem* LoginItem::create(QObject* parent)
{
    return new XdgAutostartLoginItem(
        XdgAutostartLoginItem::defaultAutostartFolder(), QCoreApplication::applicationFilePath(), parent);
}

void LoginItem::logError(const QString& description)
{
    const QByteArray line = (QStringLiteral("Launch at login error: ") + description + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}
