#pragma once

#include <optional>
#include <string>

#include <QByteArray>
#include <QTimeZone>

namespace pacemark {

// The time zone the user's local days are counted in, found without touching the process's
// environment: a worker converting times while the zone changes must not race a setenv or tzset.
class SystemTimeZone
{
public:
    // From TZ when it is set (a zone id, a path into the zone database, or a POSIX rule), else from
    // the zone the /etc/localtime link names.
    static QByteArray id();
    static QTimeZone current();
    // An id the zone database does not know counts as UTC, as it does for the C library.
    static QTimeZone zone(const QByteArray& id);

    // The same from the given values: tz is TZ's value, or empty when TZ is not set at all.
    static QByteArray idFrom(const std::optional<QByteArray>& tz, const std::string& localtimePath);
};

}
