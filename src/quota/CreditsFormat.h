#pragma once

#include <QString>

#include "quota/ClaudeQuota.h"

namespace pacemark {

// The extra credits in words: amounts in the answer's own currency and precision, the missing monthly
// limit, and why credits are off.
class CreditsFormat
{
public:
    // "$12.87", "€12.87", "12.87 GBP"; with wholeUnits, rounded to "$13".
    static QString amount(qint64 minorUnits, int decimalPlaces, const QString& currency, bool wholeUnits = false);
    static QString used(const ClaudeQuota::ExtraUsage& credits, bool wholeUnits = false);
    // The monthly limit, or "한도 없음".
    static QString monthlyLimit(const ClaudeQuota::ExtraUsage& credits, bool wholeUnits = false);
    // "크레딧 소진" when the credits ran out, "크레딧 꺼짐" for any other reason; empty while they are on.
    static QString disabledText(const ClaudeQuota::ExtraUsage& credits);
};

}
