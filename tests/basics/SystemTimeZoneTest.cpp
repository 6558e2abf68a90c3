#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "Records.h"
#include "TempDir.h"
#include "basics/LocalCalendar.h"
#include "basics/SystemTimeZone.h"

using namespace pacemark;

namespace {

TEST(SystemTimeZone, NamesTheZoneFromTzOrTheLocaltimeLink)
{
    TempDir dir;
    const std::string link = dir.path("localtime");
    std::filesystem::create_symlink("../usr/share/zoneinfo/Asia/Seoul", link);

    // TZ, where /etc/localtime links to, the zone named
    const std::tuple<std::optional<QByteArray>, std::string, QByteArray> cases[] = {
        { std::nullopt, link, "Asia/Seoul" },
        { QByteArray("Europe/Berlin"), link, "Europe/Berlin" },
        { QByteArray(":America/New_York"), link, "America/New_York" },
        { QByteArray(":/usr/share/zoneinfo/Pacific/Auckland"), link, "Pacific/Auckland" },
        { QByteArray("CET-1CEST,M3.5.0,M10.5.0/3"), link, "CET-1CEST,M3.5.0,M10.5.0/3" },
        { QByteArray(""), link, "UTC" },
        { QByteArray("/nowhere/zone"), link, "UTC" },
    };
    for (const auto& [tz, localtime, id] : cases) {
        SCOPED_TRACE(tz.value_or("(unset)").toStdString());
        EXPECT_EQ(SystemTimeZone::idFrom(tz, localtime), id);
    }
    const QDateTime july = QDateTime::fromString(QStringLiteral("2025-07-01T12:00:00Z"), Qt::ISODate);
    EXPECT_EQ(SystemTimeZone::zone("CET-1CEST,M3.5.0,M10.5.0/3").offsetFromUtc(july), 7200);
    EXPECT_EQ(SystemTimeZone::zone("Not/AZone").offsetFromUtc(july), 0);
    // Local days follow the zone handed over, whatever the process's own (UTC here).
    EXPECT_EQ(DayFormatter(SystemTimeZone::zone("Asia/Seoul")).format(instant("2025-06-10T15:00:00Z")),
              QStringLiteral("2025-06-11"));
}

}
