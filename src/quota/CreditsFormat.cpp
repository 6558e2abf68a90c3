#include "quota/CreditsFormat.h"

#include <cmath>

#include <QCoreApplication>

namespace pacemark {

QString CreditsFormat::amount(qint64 minorUnits, int decimalPlaces, const QString& currency, bool wholeUnits)
{
    const double units = static_cast<double>(minorUnits) / std::pow(10.0, decimalPlaces);
    const QString number = QString::number(units, 'f', wholeUnits ? 0 : decimalPlaces);
    if (currency == QLatin1StringView("USD"))
        return QLatin1Char('$') + number;
    if (currency == QLatin1StringView("EUR"))
        return QChar(0x20AC) + number;
    return number + QLatin1Char(' ') + currency;
}

QString CreditsFormat::used(const ClaudeQuota::ExtraUsage& credits, bool wholeUnits)
{
    return amount(credits.usedCreditsCents, credits.decimalPlaces, credits.currency, wholeUnits);
}

QString CreditsFormat::monthlyLimit(const ClaudeQuota::ExtraUsage& credits, bool wholeUnits)
{
    if (!credits.monthlyLimitCents)
        return QCoreApplication::translate("CreditsFormat", "한도 없음");
    return amount(*credits.monthlyLimitCents, credits.decimalPlaces, credits.currency, wholeUnits);
}

QString CreditsFormat::disabledText(const ClaudeQuota::ExtraUsage& credits)
{
    if (credits.isEnabled)
        return {};
    return credits.disabledReason == QLatin1StringView("out_of_credits")
        ? QCoreApplication::translate("CreditsFormat", "크레딧 소진")
        : QCoreApplication::translate("CreditsFormat", "크레딧 꺼짐");
}

}
