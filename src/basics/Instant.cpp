#include "basics/Instant.h"

#include <QDateTime>

namespace pacemark {

namespace InstantFormat {

QString toIsoUtcMillis(Instant instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count(), Qt::UTC).toString(Qt::ISODateWithMs);
}

QString toIsoUtc(Instant instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count(), Qt::UTC).toString(Qt::ISODate);
}

}

}
