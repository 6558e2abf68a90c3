#include "views/DashboardFormat.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include <QCoreApplication>

#include "usage/TokenFormat.h"

namespace pacemark {

namespace DashboardFormat {

namespace {

// printf's "%.0f" without the locale: rounded to nearest on the double value, ties to even.
QString noDecimals(double value)
{
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 0);
    if (error != std::errc())
        return QStringLiteral("0");
    return QString::fromLatin1(buffer, end - buffer);
}

}

int meterLevel(qint64 tokensPerMinute)
{
    if (tokensPerMinute > 1999)
        return 4;
    if (tokensPerMinute > 1000)
        return 3;
    if (tokensPerMinute >= 401)
        return 2;
    if (tokensPerMinute > 0)
        return 1;
    return 0;
}

NamedColor meterColor(int level)
{
    if (level >= 4)
        return NamedColor::Red;
    if (level == 3)
        return NamedColor::Orange;
    return NamedColor::Green;
}

QString rateText(qint64 tokensPerMinute)
{
    return formatTokens(tokensPerMinute) + QStringLiteral("/min");
}

QString sessionsText(qint64 sessionCount)
{
    const int count = static_cast<int>(std::min<qint64>(sessionCount, INT_MAX));
    return QCoreApplication::translate("DashboardFormat", "%n회", nullptr, count);
}

QString todayShareText(qint64 todayTokens, qint64 cumulativeTokens)
{
    if (cumulativeTokens < 1)
        return QStringLiteral("0%");
    const double share = static_cast<double>(todayTokens) / static_cast<double>(cumulativeTokens) * 100.0;
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, share, std::chars_format::fixed, 1);
    if (error != std::errc())
        return QStringLiteral("0%");
    return QString::fromLatin1(buffer, end - buffer) + QLatin1Char('%');
}

double modelShare(qint64 modelTokens, qint64 todayTokens)
{
    if (todayTokens < 1)
        return 0.0;
    return static_cast<double>(modelTokens) / static_cast<double>(todayTokens);
}

double shareBarWidth(double space, double share)
{
    return std::max(2.0, space * share);
}

NamedColor quotaColor(double pct)
{
    if (pct >= 90)
        return NamedColor::Red;
    if (pct >= 70)
        return NamedColor::Orange;
    return NamedColor::Green;
}

double quotaFillWidth(double space, double pct)
{
    const double width = space * pct / 100.0;
    return width > 0 ? width : 0.0;
}

QString percentText(double pct)
{
    return noDecimals(pct) + QLatin1Char('%');
}

QString dayLabel(const QString& dateString)
{
    const QStringList parts = dateString.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (parts.size() == 3)
        return parts[1] + QLatin1Char('/') + parts[2];
    return dateString;
}

QList<double> niceAxisValues(double maxValue)
{
    if (!(maxValue > 0) || !std::isfinite(maxValue))
        return { 0.0 };
    const double rough = maxValue / 4.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10.0 * magnitude;
    for (double factor : { 1.0, 2.0, 5.0 }) {
        if (factor * magnitude >= rough) {
            step = factor * magnitude;
            break;
        }
    }
    QList<double> values;
    const double top = std::ceil(maxValue / step);
    for (double i = 0; i <= top; ++i)
        values.append(i * step);
    return values;
}

QString axisLabel(double value)
{
    if (value != std::floor(value) || std::abs(value) > 9.2e18)
        return {};
    return formatTokens(static_cast<qint64>(value));
}

}

}
