#pragma once

#include <algorithm>
#include <cmath>

#include <QMetaType>
#include <QString>

#include "usage/UsdCost.h"

namespace pacemark {

// The tokens of one local calendar day.
struct DailyData
{
    Q_GADGET
    Q_PROPERTY(QString dateString MEMBER dateString)
    Q_PROPERTY(qint64 totalTokens MEMBER totalTokens)
    Q_PROPERTY(qint64 outputTokens MEMBER outputTokens)
    Q_PROPERTY(double costUSD MEMBER costUSD)
    Q_PROPERTY(bool costKnown READ costKnown)

public:
    QString dateString; // "yyyy-MM-dd"
    qint64 totalTokens = 0;
    qint64 outputTokens = 0;
    double costUSD = 0; // of the tokens with a price
    qint64 unpricedTokens = 0;

    bool costKnown() const { return UsdCost::known(unpricedTokens, totalTokens); }

    // Costs are sums of products in whatever order the records came: equal to a relative 1e-9.
    friend bool operator==(const DailyData& a, const DailyData& b)
    {
        return a.dateString == b.dateString && a.totalTokens == b.totalTokens && a.outputTokens == b.outputTokens
            && a.unpricedTokens == b.unpricedTokens
            && std::abs(a.costUSD - b.costUSD) <= 1e-9 * std::max(std::abs(a.costUSD), std::abs(b.costUSD));
    }
};

}
