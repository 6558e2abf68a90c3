#pragma once

#include <QString>

#include "usage/UsdCost.h"

namespace pacemark {

// The tokens and cost of one project (working folder).
struct ProjectUsage
{
    QString path; // the working folder, or the log folder's name when no line named one
    qint64 tokens = 0;
    UsdCost cost;

    bool costKnown() const { return UsdCost::known(cost.unpricedTokens, tokens); }

    bool operator==(const ProjectUsage&) const = default;
};

}
