#include "basics/TimestampParser.h"

#include <cstdint>

namespace pacemark {

namespace {

bool digits(std::string_view text, std::size_t pos, std::size_t count, int& value)
{
    if (pos + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool isLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m)
{
    static constexpr int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}

std::optional<Instant> TimestampParser::parse(std::string_view t)
{
    int year, month, day, hour, minute, second;
    if (!digits(t, 0, 4, year) || t.size() < 20 || t[4] != '-' || !digits(t, 5, 2, month) || t[7] != '-'
        || !digits(t, 8, 2, day) || t[10] != 'T' || !digits(t, 11, 2, hour) || t[13] != ':' || !digits(t, 14, 2, minute)
        || t[16] != ':' || !digits(t, 17, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;

    std::size_t pos = 19;
    int millis = 0;
    if (t[pos] == '.') {
        ++pos;
        const std::size_t start = pos;
        int scale = 100;
        while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9') {
            millis += (t[pos] - '0') * scale;
            scale /= 10;
            ++pos;
        }
        if (pos == start)
            return std::nullopt;
    }

    std::int64_t offsetSeconds = 0;
    if (pos < t.size() && t[pos] == 'Z') {
        ++pos;
    } else if (pos < t.size() && (t[pos] == '+' || t[pos] == '-')) {
        const int sign = t[pos] == '-' ? -1 : 1;
        int offHours, offMinutes;
        if (!digits(t, pos + 1, 2, offHours) || pos + 3 >= t.size() || t[pos + 3] != ':'
            || !digits(t, pos + 4, 2, offMinutes) || offHours > 23 || offMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offHours * 3600 + offMinutes * 60);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != t.size())
        return std::nullopt;

    const std::int64_t seconds
        = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
    return Instant { std::chrono::milliseconds { seconds * 1000 + millis } };
}

}
