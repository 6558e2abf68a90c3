#include "report/UsageReport.h"

#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QTextStream>

#include "usage/TokenFormat.h"
#include "usage/UsageSnapshot.h"

namespace pacemark {

namespace {

// Null when none of the tokens had a price.
QJsonValue costJson(double usd, qint64 unpricedTokens, qint64 totalTokens)
{
    return UsdCost::known(unpricedTokens, totalTokens) ? QJsonValue(usd) : QJsonValue(QJsonValue::Null);
}

QJsonArray daysJson(const QList<DailyData>& days)
{
    QJsonArray json;
    for (const auto& d : days)
        json.append(QJsonObject {
            { QStringLiteral("dateString"), d.dateString },
            { QStringLiteral("totalTokens"), d.totalTokens },
            { QStringLiteral("outputTokens"), d.outputTokens },
            { QStringLiteral("costUSD"), costJson(d.costUSD, d.unpricedTokens, d.totalTokens) },
        });
    return json;
}

}

UsageReport::UsageReport(const UsageSnapshot& usage, Instant generatedAt)
    : m_usage(usage)
    , m_generatedAt(generatedAt)
    , m_level(usage.activityLevel(generatedAt))
{ }

QJsonObject UsageReport::toJson() const
{
    QJsonArray breakdown;
    for (const auto& b : m_usage.today.modelBreakdowns) {
        breakdown.append(QJsonObject {
            { QStringLiteral("id"), b.id() },
            { QStringLiteral("model"), b.model },
            { QStringLiteral("providerId"), b.providerId },
            { QStringLiteral("displayName"), b.displayName },
            { QStringLiteral("inputTokens"), b.inputTokens },
            { QStringLiteral("outputTokens"), b.outputTokens },
            { QStringLiteral("cacheWriteTokens"), b.cacheWriteTokens },
            { QStringLiteral("cacheReadTokens"), b.cacheReadTokens },
            { QStringLiteral("totalTokens"), b.totalTokens() },
            { QStringLiteral("costUSD"), costJson(b.costUSD, b.unpricedTokens, b.totalTokens()) },
        });
    }
    QJsonArray providers;
    for (const SourceFigures* p : sources()) {
        providers.append(QJsonObject {
            { QStringLiteral("providerId"), p->id.toQString() },
            { QStringLiteral("providerName"), p->name },
            { QStringLiteral("providerIcon"), p->icon },
            { QStringLiteral("tokens"), p->todayTokens },
            { QStringLiteral("costUSD"), costJson(p->todayCost.usd, p->todayCost.unpricedTokens, p->todayTokens) },
            { QStringLiteral("tokensPerMinute"), m_usage.tokensPerMinute(m_generatedAt, p->id) },
            { QStringLiteral("cumulativeTokens"), p->allTimeTokens },
            { QStringLiteral("cumulativeCostUSD"),
              costJson(p->allTimeCost.usd, p->allTimeCost.unpricedTokens, p->allTimeTokens) },
        });
    }
    const auto last = m_usage.lastActivity();
    QJsonObject json {
        { QStringLiteral("generatedAt"), InstantFormat::toIsoUtc(m_generatedAt) },
        { QStringLiteral("todayTokens"), m_usage.today.totalTokens },
        { QStringLiteral("todayOutputTokens"), m_usage.today.totalOutputTokens },
        { QStringLiteral("cumulativeTokens"), m_usage.cumulativeTokens },
        { QStringLiteral("todayCostUSD"),
          costJson(m_usage.today.totalCost.usd, m_usage.today.totalCost.unpricedTokens, m_usage.today.totalTokens) },
        { QStringLiteral("cumulativeCostUSD"),
          costJson(m_usage.cumulativeCost.usd, m_usage.cumulativeCost.unpricedTokens, m_usage.cumulativeTokens) },
        { QStringLiteral("todayUnpricedTokens"), m_usage.today.totalCost.unpricedTokens },
        { QStringLiteral("cumulativeUnpricedTokens"), m_usage.cumulativeCost.unpricedTokens },
        { QStringLiteral("sessionCount"), m_usage.today.sessionCount },
        { QStringLiteral("tokensPerMinute"), m_usage.tokensPerMinute(m_generatedAt) },
        { QStringLiteral("isActive"), m_usage.active },
        { QStringLiteral("activityLevel"), QString(activityLevelName(m_level)) },
        { QStringLiteral("lastActivityTimestamp"),
          last ? QJsonValue(InstantFormat::toIsoUtcMillis(*last)) : QJsonValue(QJsonValue::Null) },
        { QStringLiteral("recordCount"), static_cast<qint64>(m_usage.allRecords.size()) },
        { QStringLiteral("todayBreakdown"), breakdown },
        { QStringLiteral("weeklyData"), daysJson(m_usage.weeklyData) },
        { QStringLiteral("providerSummaries"), providers },
    };
    const auto projects = [](const QList<ProjectUsage>& list) {
        QJsonArray out;
        for (const auto& p : list)
            out.append(
                QJsonObject { { QStringLiteral("path"), p.path },
                              { QStringLiteral("tokens"), p.tokens },
                              { QStringLiteral("costUSD"), costJson(p.cost.usd, p.cost.unpricedTokens, p.tokens) } });
        return out;
    };
    json.insert(QStringLiteral("projects"),
                QJsonObject { { QStringLiteral("today"), projects(m_usage.today.projects) },
                              { QStringLiteral("lastSevenDays"), projects(m_usage.weekProjects) } });
    if (m_history)
        json.insert(QStringLiteral("history"), daysJson(m_usage.historyData));
    if (m_quota)
        json.insert(QStringLiteral("quota"), m_quota->toJson());
    return json;
}

std::vector<const SourceFigures*> UsageReport::sources() const
{
    std::vector<const SourceFigures*> sorted;
    for (const auto& source : m_usage.sources)
        sorted.push_back(&source);
    std::sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) {
        return a->todayTokens != b->todayTokens ? a->todayTokens > b->todayTokens : a->id.view() < b->id.view();
    });
    return sorted;
}

QString UsageReport::toText() const
{
    QString text;
    QTextStream out(&text);
    const auto local = [](Instant instant) {
        return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count(), Qt::LocalTime)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };

    out << "Pacemark usage as of " << local(m_generatedAt) << "\n";
    if (!m_logFoldersRead.isEmpty())
        out << "Logs       " << m_logFoldersRead.join(QStringLiteral(", ")) << "\n";
    else if (!m_logFoldersSearched.isEmpty())
        out << "Logs       none found in " << m_logFoldersSearched.join(QStringLiteral(", ")) << "\n";
    out << "\n";
    out << "Today      " << formatTokens(m_usage.today.totalTokens) << " tokens ("
        << formatTokens(m_usage.today.totalOutputTokens) << " output) in " << m_usage.today.sessionCount
        << (m_usage.today.sessionCount == 1 ? " session" : " sessions") << ", "
        << formatUsd(m_usage.today.totalCost.usd, m_usage.todayCostUsd().has_value()) << "\n";
    out << "Rate       " << formatTokens(m_usage.tokensPerMinute(m_generatedAt)) << " tokens/min, "
        << activityLevelName(m_level);
    if (const auto last = m_usage.lastActivity())
        out << " (last activity " << local(*last) << ")";
    out << "\n";
    out << "All time   " << formatTokens(m_usage.cumulativeTokens) << " tokens, "
        << formatUsd(m_usage.cumulativeCost.usd,
                     UsdCost::known(m_usage.cumulativeCost.unpricedTokens, m_usage.cumulativeTokens))
        << "\n";
    if (m_usage.cumulativeCost.unpricedTokens > 0)
        out << "No price   " << formatTokens(m_usage.cumulativeCost.unpricedTokens) << " tokens all time ("
            << formatTokens(m_usage.today.totalCost.unpricedTokens) << " today), of models the price table lacks\n";

    if (const auto shown = sources(); shown.size() >= 2) {
        out << "\nSources today\n";
        for (const SourceFigures* p : shown)
            out << "  " << Qt::left << qSetFieldWidth(12) << p->name << qSetFieldWidth(8) << Qt::right
                << formatTokens(p->todayTokens) << qSetFieldWidth(10)
                << formatUsd(p->todayCost.usd, UsdCost::known(p->todayCost.unpricedTokens, p->todayTokens))
                << qSetFieldWidth(0) << Qt::left << "  " << formatTokens(m_usage.tokensPerMinute(m_generatedAt, p->id))
                << " tokens/min, all time " << formatTokens(p->allTimeTokens) << " tokens, "
                << formatUsd(p->allTimeCost.usd, UsdCost::known(p->allTimeCost.unpricedTokens, p->allTimeTokens))
                << "\n";
    }

    const auto days = [&](const char* title, const QList<DailyData>& list) {
        out << "\n" << title << "\n";
        if (list.isEmpty())
            out << "  no usage\n";
        for (const auto& d : list)
            out << "  " << d.dateString << "  " << qSetFieldWidth(8) << Qt::right << formatTokens(d.totalTokens)
                << qSetFieldWidth(10) << formatUsd(d.costUSD, d.costKnown()) << qSetFieldWidth(0) << Qt::left << "\n";
    };
    days("Last 7 days and today", m_usage.weeklyData);

    out << "\nModels today\n";
    if (m_usage.today.modelBreakdowns.isEmpty())
        out << "  no usage\n";
    for (const auto& b : m_usage.today.modelBreakdowns) {
        out << "  " << qSetFieldWidth(8) << b.displayName << qSetFieldWidth(8) << Qt::right
            << formatTokens(b.totalTokens()) << qSetFieldWidth(10) << formatUsd(b.costUSD, b.costKnown())
            << qSetFieldWidth(0) << Qt::left << "  in " << formatTokens(b.inputTokens) << ", out "
            << formatTokens(b.outputTokens) << ", cache write " << formatTokens(b.cacheWriteTokens) << ", cache read "
            << formatTokens(b.cacheReadTokens);
        if (b.displayName != b.model)
            out << "  (" << b.model << ")";
        out << "\n";
    }
    const QString home = QDir::homePath();
    const auto projects = [&](const char* title, const QList<ProjectUsage>& list) {
        out << "\n" << title << "\n";
        if (list.isEmpty())
            out << "  no usage\n";
        for (qsizetype i = 0; i < std::min<qsizetype>(list.size(), 5); ++i)
            out << "  " << qSetFieldWidth(34) << Qt::left << shortProjectPath(list[i].path, home) << qSetFieldWidth(8)
                << Qt::right << formatTokens(list[i].tokens) << qSetFieldWidth(10)
                << formatUsd(list[i].cost.usd, list[i].costKnown()) << qSetFieldWidth(0) << Qt::left << "\n";
        if (list.size() > 5)
            out << "  and " << list.size() - 5 << " more\n";
    };
    projects("Projects today", m_usage.today.projects);
    projects("Projects, last 7 days and today", m_usage.weekProjects);
    if (m_history)
        days("History", m_usage.historyData);
    if (m_quota)
        out << m_quota->toText();
    out.flush();
    return text;
}

}
