#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QList>
#include <QTimeZone>

#include "ingest/RecordList.h"
#include "ingest/UsageRecord.h"
#include "usage/DailyData.h"
#include "usage/ModelBreakdown.h"
#include "usage/PriceTable.h"
#include "usage/ProjectUsage.h"
#include "usage/ProviderSummary.h"

namespace pacemark {

// The aggregates of a list of records.
struct UsageSummary
{
    qint64 totalTokens = 0;
    qint64 totalOutputTokens = 0;
    UsdCost totalCost;
    QList<ModelBreakdown> modelBreakdowns; // largest total first
    QList<DailyData> dailyData; // oldest day first, days with records only
    QList<ProviderSummary> providerSummaries; // largest first
    QList<ProjectUsage> projects; // most tokens first
    qint64 sessionCount = 0; // distinct non-empty session ids
    std::optional<Instant> lastActivityDate;

    // Maps (model, providerId) to the name shown for the model.
    using DisplayName = std::function<QString(const QString& model, const QString& providerId)>;
    // Fills providerName and providerIcon of a provider summary.
    using ProviderLabel = std::function<void(ProviderSummary&)>;

    // Pure: reads nothing but the records and the arguments. Days are those of the zone.
    static UsageSummary make(const std::vector<UsageRecord>& records, const QTimeZone& zone,
                             const DisplayName& displayName, const ProviderLabel& providerLabel = {},
                             const PriceTable& prices = *PriceTable::current());

    // The records at or after midnight seven calendar days before the day of `now`, in order.
    static std::vector<UsageRecord> recordsOfLastWeek(const RecordList& records, Instant now, const QTimeZone& zone);
};

}
