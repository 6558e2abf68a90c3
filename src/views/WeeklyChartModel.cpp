#include "views/WeeklyChartModel.h"

#include <algorithm>
#include <climits>

#include <QVariantMap>

#include "basics/Translation.h"
#include "usage/TokenFormat.h"
#include "views/DashboardFormat.h"

namespace pacemark {

WeeklyChartModel::WeeklyChartModel(QObject* parent)
    : QObject(parent)
{
    connect(&Translation::shared(), &Translation::changed, this, &WeeklyChartModel::rebuild);
}

void WeeklyChartModel::setData(const QList<DailyData>& data)
{
    if (data == m_data)
        return;
    m_data = data;
    rebuild();
}

void WeeklyChartModel::rebuild()
{
    qint64 highest = 0;
    for (const DailyData& day : m_data)
        highest = std::max(highest, day.totalTokens);
    const QList<double> values = DashboardFormat::niceAxisValues(static_cast<double>(highest));
    const double top = values.last() > 0 ? values.last() : 1.0;

    m_marks.clear();
    for (double value : values)
        m_marks.append(QVariantMap {
            { QStringLiteral("label"), DashboardFormat::axisLabel(value) },
            { QStringLiteral("fraction"), value / top },
        });
    m_bars.clear();
    for (const DailyData& day : m_data)
        m_bars.append(QVariantMap {
            { QStringLiteral("label"), DashboardFormat::dayLabel(day.dateString) },
            { QStringLiteral("fraction"), std::max(0.0, static_cast<double>(day.totalTokens) / top) },
            { QStringLiteral("detail"),
              tr("%1 · %2 토큰 · %3", nullptr, static_cast<int>(std::min<qint64>(day.totalTokens, INT_MAX)))
                  .arg(DashboardFormat::dayLabel(day.dateString), formatTokens(day.totalTokens),
                       formatUsd(day.costUSD, day.costKnown())) },
        });
    Q_EMIT dataChanged();
}

}
