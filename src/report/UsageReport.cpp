#include "report/UsageReport.h"

#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QTextStream>

#include "usage/TokenFormat.h"
#include "usage/UsageDataManager.h"

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

UsageReport::UsageReport(const UsageDataManager& usage, Instant generatedAt, ActivityLevel level)
    : m_usage(usage)
    , m_generatedAt(generatedAt)
    , m_level(level)
{ }

QJsonObject UsageReport::toJson() const
{
    QJsonArray breakdown;
    for (const auto& b : m_usage.todayBreakdown()) {
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
    for (const auto& p : m_usage.providerSummaries()) {
        providers.append(QJsonObject {
            { QStringLiteral("providerId"), p.providerId },
            { QStringLiteral("providerName"), p.providerName },
            { QStringLiteral("providerIcon"), p.providerIcon },
            { QStringLiteral("tokens"), p.tokens },
        });
    }
    const auto last = m_usage.lastActivity();
    QJsonObject json {
        { QStringLiteral("generatedAt"), InstantFormat::toIsoUtc(m_generatedAt) },
        { QStringLiteral("todayTokens"), m_usage.todayTokens() },
        { QStringLiteral("todayOutputTokens"), m_usage.todayOutputTokens() },
        { QStringLiteral("cumulativeTokens"), m_usage.cumulativeTokens() },
        { QStringLiteral("todayCostUSD"),
          costJson(m_usage.todayCostUSD(), m_usage.todayUnpricedTokens(), m_usage.todayTokens()) },
        { QStringLiteral("cumulativeCostUSD"),
          costJson(m_usage.cumulativeCostUSD(), m_usage.cumulativeUnpricedTokens(), m_usage.cumulativeTokens()) },
        { QStringLiteral("todayUnpricedTokens"), m_usage.todayUnpricedTokens() },
        { QStringLiteral("cumulativeUnpricedTokens"), m_usage.cumulativeUnpricedTokens() },
        { QStringLiteral("sessionCount"), m_usage.sessionCount() },
        { QStringLiteral("tokensPerMinute"), m_usage.tokensPerMinute() },
        { QStringLiteral("isActive"), m_usage.isActive() },
        { QStringLiteral("activityLevel"), QString(activityLevelName(m_level)) },
        { QStringLiteral("lastActivityTimestamp"),
          last ? QJsonValue(InstantFormat::toIsoUtcMillis(*last)) : QJsonValue(QJsonValue::Null) },
        { QStringLiteral("recordCount"), static_cast<qint64>(m_usage.allRecords().size()) },
        { QStringLiteral("todayBreakdown"), breakdown },
        { QStringLiteral("weeklyData"), daysJson(m_usage.weeklyData()) },
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
                QJsonObject { { QStringLiteral("today"), projects(m_usage.todayProjects()) },
                              { QStringLiteral("lastSevenDays"), projects(m_usage.weekProjects()) } });
    if (m_history)
        json.insert(QStringLiteral("history"), daysJson(m_usage.historyData()));
    if (m_quota)
        json.insert(QStringLiteral("quota"), m_quota->toJson());
    return json;
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
    out << "Today      " << formatTokens(m_usage.todayTokens()) << " tokens ("
        << formatTokens(m_usage.todayOutputTokens()) << " output) in " << m_usage.sessionCount()
        << (m_usage.sessionCount() == 1 ? " session" : " sessions") << ", "
        << formatUsd(m_usage.todayCostUSD(), m_usage.todayCostKnown()) << "\n";
    out << "Rate       " << formatTokens(m_usage.tokensPerMinute()) << " tokens/min, " << activityLevelName(m_level);
    if (const auto last = m_usage.lastActivity())
        out << " (last activity " << local(*last) << ")";
    out << "\n";
    out << "All time   " << formatTokens(m_usage.cumulativeTokens()) << " tokens, "
        << formatUsd(m_usage.cumulativeCostUSD(), m_usage.cumulativeCostKnown()) << "\n";
    if (m_usage.cumulativeUnpricedTokens() > 0)
        out << "No price   " << formatTokens(m_usage.cumulativeUnpricedTokens()) << " tokens all time ("
            << formatTokens(m_usage.todayUnpricedTokens()) << " today), of models the price table lacks\n";

    const auto days = [&](const char* title, const QList<DailyData>& list) {
        out << "\n" << title << "\n";
        if (list.isEmpty())
            out << "  no usage\n";
        for (const auto& d : list)
            out << "  " << d.dateString << "  " << qSetFieldWidth(8) << Qt::right << formatTokens(d.totalTokens)
                << qSetFieldWidth(10) << formatUsd(d.costUSD, d.costKnown()) << qSetFieldWidth(0) << Qt::left << "\n";
    };
    days("Last 7 days and today", m_usage.weeklyData());

    out << "\nModels today\n";
    if (m_usage.todayBreakdown().isEmpty())
        out << "  no usage\n";
    for (const auto& b : m_usage.todayBreakdown()) {
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
    projects("Projects today", m_usage.todayProjects());
    projects("Projects, last 7 days and today", m_usage.weekProjects());
    if (m_history)
        days("History", m_usage.historyData());
    if (m_quota)
        out << m_quota->toText();
    out.flush();
    return text;
}
