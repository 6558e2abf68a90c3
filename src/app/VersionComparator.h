#pragma once

#include <QStringView>

namespace pacemark {

// Orders version strings the way people read them: "2.10.0" is newer than "2.9.1", "1.0" equals
// "1.0.0", and a pre-release such as "1.0b2" or "1.0-rc1" comes before "1.0".
namespace VersionComparator {

// Negative when a is older than b, zero when they are the same version, positive when a is newer.
int compare(QStringView a, QStringView b);

}

}
