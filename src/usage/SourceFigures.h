#pragma once

#include <QString>

#include "ingest/Symbol.h"
#include "usage/UsdCost.h"

namespace pacemark {

// One source's share of the figures: today's and all time's tokens and cost in its logs.
struct SourceFigures
{
    Symbol id;
    QString name;
    QString icon;
    qint64 todayTokens = 0;
    UsdCost todayCost;
    qint64 allTimeTokens = 0;
    UsdCost allTimeCost;
};

}
