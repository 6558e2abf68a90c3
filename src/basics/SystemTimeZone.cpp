#include "basics/SystemTimeZone.h"

#include <filesystem>

#include <QFile>

namespace pacemark {

namespace {

// "…/zoneinfo/Europe/Berlin" names Europe/Berlin.
std::optional<QByteArray> databaseId(const QByteArray& path)
{
    static const QByteArray database = QByteArrayLiteral("zoneinfo/");
    const qsizetype at = path.lastIndexOf(database);
    if (at < 0 || at + database.size() == path.size())
        return std::nullopt;
    return path.mid(at + database.size());
}

}

QByteArray SystemTimeZone::id()
{
    std::optional<QByteArray> tz;
    if (qEnvironmentVariableIsSet("TZ"))
        tz = qgetenv("TZ");
    return idFrom(tz, "/etc/localtime");
}

QTimeZone SystemTimeZone::current()
{
    return zone(id());
}

QTimeZone SystemTimeZone::zone(const QByteArray& id)
{
    QTimeZone zone(id);
    return zone.isValid() ? zone : QTimeZone::utc();
}

QByteArray SystemTimeZone::idFrom(const std::optional<QByteArray>& tz, const std::string& localtimePath)
{
    if (tz) {
        // As the C library reads TZ: empty is UTC, and a leading colon only says "a file or an id follows".
        const QByteArray value = tz->startsWith(':') ? tz->mid(1) : *tz;
        if (value.isEmpty())
            return QByteArrayLiteral("UTC");
        if (value.startsWith('/'))
            return databaseId(value).value_or(QByteArrayLiteral("UTC"));
        return value;
    }
    std::error_code error;
    const auto target = std::filesystem::read_symlink(localtimePath, error);
    if (!error)
        if (const auto found = databaseId(QByteArray::fromStdString(target.string())))
            return *found;
    // A copy rather than a link: Debian keeps the zone's name beside it.
    QFile name(QStringLiteral("/etc/timezone"));
    if (name.open(QIODevice::ReadOnly))
        if (const QByteArray id = name.readLine().trimmed(); !id.isEmpty())
            return id;
    return QByteArrayLiteral("UTC");
}

}
