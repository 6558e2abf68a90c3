#include "usage/TokenFormat.h"

#include <cmath>

#include <QLocale>

#include <charconv>

namespace pacemark {

namespace {

// One digit after the point, rounded to nearest with ties to even, and always "." whatever the
// user's locale, which is why this does not go through printf.
QString oneDecimal(double value, char suffix)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::fixed, 1);
    *end++ = suffix;
    return QString::fromLatin1(buffer, end - buffer);
}

}

QString formatTokens(std::int64_t n)
{
    if (n >= 1'000'000'000)
        return oneDecimal(static_cast<double>(n) / 1e9, 'B');
    if (n >= 1'000'000)
        return oneDecimal(static_cast<double>(n) / 1e6, 'M');
    if (n >= 1'000)
        return oneDecimal(static_cast<double>(n) / 1e3, 'K');
    return QString::number(n);
}

QString formatUsd(double usd, bool known)
{
    if (!known || !std::isfinite(usd))
        return QStringLiteral("\u2014");
    if (std::abs(usd) >= 1000)
        return QStringLiteral("$") + QLocale(QLocale::English).toString(usd, 'f', 0);
    return QStringLiteral("$") + QString::number(usd, 'f', 2);
}

QString shortProjectPath(const QString& path, const QString& home, qsizetype maxChars)
{
    QString shown = path;
    if (!home.isEmpty() && home != QLatin1String("/") && (path == home || path.startsWith(home + QLatin1Char('/'))))
        shown = QLatin1Char('~') + path.mid(home.size());
    if (maxChars < 5 || shown.size() <= maxChars)
        return shown;
    // The end (the project's own name) gets the larger half.
    const qsizetype tail = (maxChars - 1) * 3 / 5;
    const qsizetype head = maxChars - 1 - tail;
    return shown.left(head) + QChar(0x2026) + shown.right(tail);
}

}
