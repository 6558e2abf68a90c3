#include "usage/TokenFormat.h"

#include <charconv>

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
