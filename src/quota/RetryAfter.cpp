#include "quota/RetryAfter.h"

#include <algorithm>

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

namespace pacemark {

namespace {

std::optional<std::chrono::seconds> delaySeconds(const QByteArray& text)
{
    if (text.isEmpty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value > static_cast<qulonglong>(RetryAfter::MaximumDelay.count()))
        return RetryAfter::MaximumDelay;
    return std::chrono::seconds(static_cast<long long>(value));
}

// The IMF-fixdate form, "Sun, 06 Nov 1994 08:49:37 GMT", the one HTTP servers send. Date and time are
// read apart so that the local zone's gaps play no part.
std::optional<Instant> httpDate(const QByteArray& text)
{
    const QString value = QString::fromLatin1(text);
    if (value.size() != 29 || !value.endsWith(QStringLiteral(" GMT")))
        return std::nullopt;
    const QDate date = QLocale::c().toDate(value.left(16), QStringLiteral("ddd, dd MMM yyyy"));
    const QTime time = QLocale::c().toTime(value.mid(17, 8), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return Instant { std::chrono::milliseconds(QDateTime(date, time, QTimeZone::utc()).toMSecsSinceEpoch()) };
}

}

Instant RetryAfter::retryAt(const QByteArray& header, Instant now)
{
    const QByteArray text = header.trimmed();
    if (const auto delay = delaySeconds(text))
        return now + *delay;
    if (const auto date = httpDate(text))
        return std::clamp(*date, now, now + MaximumDelay);
    return now + DefaultDelay;
}

}
