#include "usage/UsageSummary.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "basics/LocalCalendar.h"

namespace pacemark {

namespace {

struct ModelKey
{
    Symbol providerId;
    Symbol model;
    friend bool operator==(const ModelKey&, const ModelKey&) = default;
};

struct ModelKeyHash
{
    std::size_t operator()(const ModelKey& k) const noexcept { return k.providerId.hash() * 31 + k.model.hash(); }
};

struct Sums
{
    qint64 input = 0, output = 0, cacheWrite = 0, cacheRead = 0;
    const ModelPrice* price = nullptr;
    UsdCost cost;
};

struct DaySums
{
    qint64 total = 0, output = 0;
    UsdCost cost;
};

// The breakdown key is "<provider>_<model>", read back by splitting once at the first "_" between
// non-empty pieces, so a model id may itself contain "_".
void splitKey(const QString& key, QString& providerId, QString& model)
{
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key.at(i) != QLatin1Char('_'))
            continue;
        const bool nonEmpty = i > start;
        if (nonEmpty)
            pieces.append(key.mid(start, i - start));
        start = i + 1;
        if (nonEmpty)
            break;
    }
    if (start < key.size())
        pieces.append(key.mid(start));

    providerId = pieces.isEmpty() ? QString() : pieces.first();
    model = pieces.size() == 2 ? pieces.at(1) : key;
}

}

UsageSummary UsageSummary::make(const std::vector<UsageRecord>& records, const QTimeZone& zone,
                                const DisplayName& displayName, const ProviderLabel& providerLabel,
                                const PriceTable& prices)
{
    std::unordered_map<ModelKey, Sums, ModelKeyHash> models;
    std::unordered_map<QString, DaySums> days;
    std::unordered_map<Symbol, qint64> providers;
    std::unordered_map<CompactSymbol, ProjectUsage> projects;
    std::unordered_set<Symbol> sessions;
    DayFormatter dayFormatter(zone);
    UsageSummary summary;

    for (const auto& r : records) {
        auto [at, added] = models.try_emplace({ r.providerId, r.model });
        Sums& m = at->second;
        if (added)
            m.price = prices.find(r.model.view());
        UsdCost cost;
        cost.add(m.price, r);
        m.cost.add(cost);
        TokenMath::accumulate(m.input, r.inputTokens);
        TokenMath::accumulate(m.output, r.outputTokens);
        TokenMath::accumulate(m.cacheWrite, r.cacheWriteTokens);
        TokenMath::accumulate(m.cacheRead, r.cacheReadTokens);

        const qint64 total = r.totalTokens();
        auto& day = days[dayFormatter.format(r.timestamp)];
        TokenMath::accumulate(day.total, total);
        TokenMath::accumulate(day.output, r.outputTokens);
        day.cost.add(cost);
        TokenMath::accumulate(providers[r.providerId], total);
        ProjectUsage& project = projects[r.project];
        TokenMath::accumulate(project.tokens, total);
        project.cost.add(cost);
        if (!r.sessionId.empty())
            sessions.insert(r.sessionId);
        if (!summary.lastActivityDate || r.timestamp > *summary.lastActivityDate)
            summary.lastActivityDate = r.timestamp;
    }

    for (const auto& [key, sums] : models) {
        ModelBreakdown b;
        splitKey(key.providerId.toQString() + QLatin1Char('_') + key.model.toQString(), b.providerId, b.model);
        b.displayName = displayName ? displayName(b.model, b.providerId) : b.model;
        b.inputTokens = sums.input;
        b.outputTokens = sums.output;
        b.cacheWriteTokens = sums.cacheWrite;
        b.cacheReadTokens = sums.cacheRead;
        b.costUSD = sums.cost.usd;
        b.unpricedTokens = sums.cost.unpricedTokens;
        summary.modelBreakdowns.append(b);
    }
    // Ties are broken by id so that equal totals keep one order from refresh to refresh.
    std::sort(summary.modelBreakdowns.begin(), summary.modelBreakdowns.end(), [](const auto& a, const auto& b) {
        return a.totalTokens() != b.totalTokens() ? a.totalTokens() > b.totalTokens() : a.id() < b.id();
    });

    for (const auto& [day, sums] : days)
        summary.dailyData.append({ day, sums.total, sums.output, sums.cost.usd, sums.cost.unpricedTokens });
    std::sort(summary.dailyData.begin(), summary.dailyData.end(),
              [](const auto& a, const auto& b) { return a.dateString < b.dateString; });

    for (const auto& [providerId, tokens] : providers) {
        ProviderSummary p { providerId.toQString(), {}, {}, tokens };
        if (providerLabel)
            providerLabel(p);
        summary.providerSummaries.append(p);
    }
    std::sort(summary.providerSummaries.begin(), summary.providerSummaries.end(), [](const auto& a, const auto& b) {
        return a.tokens != b.tokens ? a.tokens > b.tokens : a.providerId < b.providerId;
    });

    for (auto& [symbol, project] : projects) {
        project.path = symbol.toQString();
        summary.projects.append(std::move(project));
    }
    std::sort(summary.projects.begin(), summary.projects.end(), [](const auto& a, const auto& b) {
        return a.tokens != b.tokens ? a.tokens > b.tokens : a.path < b.path;
    });

    for (const auto& b : summary.modelBreakdowns) {
        TokenMath::accumulate(summary.totalTokens, b.totalTokens());
        TokenMath::accumulate(summary.totalOutputTokens, b.outputTokens);
        summary.totalCost.add({ b.costUSD, b.unpricedTokens });
    }
    summary.sessionCount = static_cast<qint64>(sessions.size());
    return summary;
}

std::vector<UsageRecord> UsageSummary::recordsOfLastWeek(const RecordList& records, Instant now, const QTimeZone& zone)
{
    const auto cutoff = LocalCalendar::startOfDayBefore(now, 7, zone);
    std::vector<UsageRecord> week;
    for (const auto& batch : records.batches()) {
        if (cutoff && batch->latest < *cutoff)
            continue;
        for (const auto& r : batch->records)
            if (!cutoff || r.timestamp >= *cutoff)
                week.push_back(r);
    }
    return week;
}

}
