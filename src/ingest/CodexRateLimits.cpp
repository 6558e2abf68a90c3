#include "ingest/CodexRateLimits.h"

QString CodexRateLimits::windowLabel(int minutes)
{
    constexpr int Day = 24 * 60;
    constexpr int Week = 7 * Day;
    if (minutes <= 0)
        return QStringLiteral("한도");
    if (minutes == Week)
        return QStringLiteral("주간");
    if (minutes % Week == 0)
        return QStringLiteral("%1주").arg(minutes / Week);
    if (minutes % Day == 0)
        return QStringLiteral("%1일").arg(minutes / Day);
    if (minutes % 60 == 0)
        return QStringLiteral("%1시간").arg(minutes / 60);
    return QStringLiteral("%1분").arg(minutes);
}
