#pragma once

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "usage/DailyData.h"

namespace pacemark {

// The bars and axes of the weekly chart: one bar per day present, in list order, on a round scale.
class WeeklyChartModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QList<DailyData> data READ data WRITE setData NOTIFY dataChanged)
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY dataChanged)
    // Each bar: label, fraction of the axis height.
    Q_PROPERTY(QVariantList bars READ bars NOTIFY dataChanged)
    // Each y axis mark from the bottom up: label (empty for a fractional value), fraction of the height.
    Q_PROPERTY(QVariantList marks READ marks NOTIFY dataChanged)

public:
    explicit WeeklyChartModel(QObject* parent = nullptr);

    const QList<DailyData>& data() const { return m_data; }
    void setData(const QList<DailyData>& data);
    bool isEmpty() const { return m_data.isEmpty(); }
    QVariantList bars() const { return m_bars; }
    QVariantList marks() const { return m_marks; }

Q_SIGNALS:
    void dataChanged();

private:
    // Words the bars and marks of the data in the language shown.
    void rebuild();

    QList<DailyData> m_data;
    QVariantList m_bars;
    QVariantList m_marks;
};

}
