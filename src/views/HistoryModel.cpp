#include "views/HistoryModel.h"

#include <algorithm>
#include <climits>
#include <map>
#include <vector>

#include "basics/Clock.h"
#include "basics/LocalCalendar.h"
#include "basics/SystemTimeZone.h"
#include "basics/TokenMath.h"
#include "basics/Translation.h"
#include "usage/TokenFormat.h"

namespace pacemark {

namespace {

// The count that picks a plural form; any count past int's range takes the same form as a large one.
int countOf(qint64 tokens)
{
    return static_cast<int>(std::min<qint64>(tokens, INT_MAX));
}

}

HistoryModel::HistoryModel(QObject* parent)
    : QObject(parent)
{
    setDays({});
    connect(&Translation::shared(), &Translation::changed, this, [this] { setDays(m_days); });
}

void HistoryModel::setDays(const QList<DailyData>& days)
{
    m_days = days;
    const QDate today = days.isEmpty()
        ? QDate::fromString(DayFormatter(SystemTimeZone::current()).format(Clock::now()), Qt::ISODate)
        : QDate::fromString(days.last().dateString, Qt::ISODate);
    const QDate first = QDate(today.year(), today.month(), 1).addMonths(-11);
    std::map<QDate, const DailyData*> byDate;
    for (const auto& d : days)
        byDate.emplace(QDate::fromString(d.dateString, Qt::ISODate), &d);

    // Colour steps at the quartiles of the days with usage, so that one huge day does not wash out the rest.
    std::vector<qint64> used;
    for (QDate date = first; date <= today; date = date.addDays(1))
        if (const auto at = byDate.find(date); at != byDate.end() && at->second->totalTokens > 0)
            used.push_back(at->second->totalTokens);
    std::sort(used.begin(), used.end());
    const auto quartile = [&used](std::size_t q) { return used.empty() ? 0 : used[(used.size() - 1) * q / 4]; };
    const qint64 steps[] { quartile(1), quartile(2), quartile(3) };

    const int lead = first.dayOfWeek() % 7; // Sunday is row 0
    m_cells.clear();
    m_months.clear();
    qint64 all = 0;
    qint64 month = 0;
    QDate monthStart = first;
    const QLocale locale = Translation::shared().locale();
    const QString monthFormat = tr("M월");
    const QString dayFormat = tr("yyyy년 M월 d일");
    const auto closeMonth = [&](QDate end) {
        m_months.append(
            QVariantMap { { QStringLiteral("label"), locale.toString(monthStart, monthFormat) },
                          { QStringLiteral("total"), formatTokens(month) },
                          { QStringLiteral("column"), static_cast<int>((first.daysTo(monthStart) + lead) / 7) } });
        month = 0;
        monthStart = end;
    };
    for (QDate date = first; date <= today; date = date.addDays(1)) {
        if (date.day() == 1 && date != first)
            closeMonth(date);
        const auto at = byDate.find(date);
        const qint64 tokens = at == byDate.end() ? 0 : at->second->totalTokens;
        const qint64 output = at == byDate.end() ? 0 : at->second->outputTokens;
        const QString cost
            = at == byDate.end() ? formatUsd(0) : formatUsd(at->second->costUSD, at->second->costKnown());
        TokenMath::accumulate(month, tokens);
        TokenMath::accumulate(all, tokens);
        const int level = tokens <= 0 ? 0
            : tokens <= steps[0]      ? 1
            : tokens <= steps[1]      ? 2
            : tokens <= steps[2]      ? 3
                                      : 4;
        const qint64 offset = first.daysTo(date) + lead;
        m_cells.append(QVariantMap {
            { QStringLiteral("column"), static_cast<int>(offset / 7) },
            { QStringLiteral("row"), static_cast<int>(offset % 7) },
            { QStringLiteral("level"), level },
            { QStringLiteral("text"),
              tr("%1 · %2 토큰 (출력 %3) · %4", nullptr, countOf(tokens))
                  .arg(locale.toString(date, dayFormat), formatTokens(tokens), formatTokens(output), cost) } });
    }
    closeMonth(today);
    m_weekCount = static_cast<int>((first.daysTo(today) + lead) / 7 + 1);
    m_totalText = tr("12개월 %1 토큰", nullptr, countOf(all)).arg(formatTokens(all));
    Q_EMIT changed();
}

}
