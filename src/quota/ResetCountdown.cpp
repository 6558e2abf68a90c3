#include "quota/ResetCountdown.h"

#include <QCoreApplication>

namespace pacemark {

QString resetCountdown(std::optional<Instant> resetsAt, Instant now)
{
    if (!resetsAt)
        return {};
    if (*resetsAt <= now)
        return QCoreApplication::translate("ResetCountdown", "리셋됨");
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(*resetsAt - now).count();
    const long long hours = left / 3600;
    const long long minutes = (left - hours * 3600) / 60;
    if (left >= 86400)
        return QCoreApplication::translate("ResetCountdown", "%1d %2h").arg(hours / 24).arg(hours % 24);
    if (left < 3600)
        return QCoreApplication::translate("ResetCountdown", "%1m").arg(minutes);
    return QCoreApplication::translate("ResetCountdown", "%1h %2m").arg(hours).arg(minutes);
}

}
