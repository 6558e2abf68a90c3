#pragma once

#include <QMetaType>
#include <QString>

// The tokens of one local calendar day.
struct DailyData
{
    Q_GADGET
    Q_PROPERTY(QString dateString MEMBER dateString)
    Q_PROPERTY(qint64 totalTokens MEMBER totalTokens)
    Q_PROPERTY(qint64 outputTokens MEMBER outputTokens)

public:
    QString dateString; // "yyyy-MM-dd"
    qint64 totalTokens = 0;
    qint64 outputTokens = 0;

    friend bool operator==(const DailyData&, const DailyData&) = default;
};
