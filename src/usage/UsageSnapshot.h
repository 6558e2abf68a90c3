#pragma once

#include <optional>
#include <vector>

#include <QList>
#include <QTimeZone>

#include "basics/Instant.h"
#include "ingest/RecordList.h"
#include "usage/ActivityLevel.h"
#include "usage/DailyData.h"
#include "usage/ProjectUsage.h"
#include "usage/SourceFigures.h"
#include "usage/UsageSummary.h"
#include "usage/UsdCost.h"

namespace pacemark {

// Every usage figure of one moment, as the calculator worked them out; never changed afterwards, so
// any thread may read it and the views, the status line and the report read the same figures.
struct UsageSnapshot
{
    // The moment and the zone the figures are of, and where that zone's day began.
    Instant computedAt {};
    QTimeZone zone;
    Instant todayStart {};
    // Today's totals, per model, per provider and per project, sessions and last activity.
    UsageSummary today;
    // The last seven days and today, logs and history store together, and their projects.
    QList<DailyData> weeklyData;
    QList<ProjectUsage> weekProjects;
    // Every day from the first known one to today.
    QList<DailyData> historyData;
    qint64 cumulativeTokens = 0;
    UsdCost cumulativeCost;
    // One per provider the figures were worked out for, in their order.
    std::vector<SourceFigures> sources;
    // Whether the last activity was under three minutes old when the figures were worked out.
    bool active = false;
    RecordList allRecords;
    // The input of the rate: today's records.
    std::vector<UsageRecord> todayRecords;

    // Input and output tokens of today's records of the last three minutes before now, per minute;
    // of one provider's records when one is named.
    qint64 tokensPerMinute(Instant now, std::optional<Symbol> provider = std::nullopt) const;
    ActivityLevel activityLevel(Instant now) const;
    std::optional<Instant> lastActivity() const { return today.lastActivityDate; }

    // The one rule for a cost shown: the priced tokens' cost, none when none of the tokens had a price.
    static std::optional<double> shownCost(const UsdCost& cost, qint64 totalTokens)
    {
        return UsdCost::known(cost.unpricedTokens, totalTokens) ? std::optional(cost.usd) : std::nullopt;
    }
    std::optional<double> todayCostUsd() const { return shownCost(today.totalCost, today.totalTokens); }
};

}
