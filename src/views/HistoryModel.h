#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "usage/DailyData.h"

namespace pacemark {

// The history page's heat map: the last twelve months as weeks of seven days (Sunday on top), each day
// with a colour step from the spread of the days with usage, and the month totals.
class HistoryModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QList<DailyData> days READ days WRITE setDays NOTIFY changed)
    Q_PROPERTY(int weekCount READ weekCount NOTIFY changed)
    // Each day of the map: column (week), row (weekday), level 0-4, text (its figures).
    Q_PROPERTY(QVariantList cells READ cells NOTIFY changed)
    // Each month oldest first: label ("3월"), total (formatted), column of its first day.
    Q_PROPERTY(QVariantList months READ months NOTIFY changed)
    Q_PROPERTY(QString totalText READ totalText NOTIFY changed)

public:
    explicit HistoryModel(QObject* parent = nullptr);

    const QList<DailyData>& days() const { return m_days; }
    // Every day to today, as UsageDataManager::historyData gives them; today is the last one, or the
    // clock's day when there are none.
    void setDays(const QList<DailyData>& days);
    int weekCount() const { return m_weekCount; }
    QVariantList cells() const { return m_cells; }
    QVariantList months() const { return m_months; }
    QString totalText() const { return m_totalText; }

Q_SIGNALS:
    void changed();

private:
    QList<DailyData> m_days;
    int m_weekCount = 0;
    QVariantList m_cells;
    QVariantList m_months;
    QString m_totalText;
};

}
