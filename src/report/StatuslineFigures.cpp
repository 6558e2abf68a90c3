#include "report/StatuslineFigures.h"

#include <cmath>
#include <unordered_map>

#include <QCoreApplication>
#include <QJsonValue>
#include <QStringList>

#include "basics/Clock.h"
#include "basics/TimestampParser.h"
#include "quota/ResetCountdown.h"
#include "usage/PriceTable.h"
#include "usage/TokenFormat.h"
#include "usage/UsageSnapshot.h"

namespace pacemark {

namespace {

const QString PaceKey = QStringLiteral("pace");
const QString RateKey = QStringLiteral("tokensPerMinute");
const QString TodayKey = QStringLiteral("todayTokens");
const QString TodayCostKey = QStringLiteral("todayCostUsd");
const QString SessionKey = QStringLiteral("sessionTokens");
const QString SessionCostKey = QStringLiteral("sessionCostUsd");
const QString QuotaKey = QStringLiteral("quota");
const QString LabelKey = QStringLiteral("label");
const QString UtilizationKey = QStringLiteral("utilizationPct");
const QString ResetsAtKey = QStringLiteral("resetsAt");

QString glyph(Pace pace)
{
    switch (pace) {
    case Pace::Idle:
        return QStringLiteral("\U0001F4A4");
    case Pace::Walking:
        return QStringLiteral("\U0001F6B6");
    case Pace::Running:
        return QStringLiteral("\U0001F3C3");
    case Pace::Sprinting:
        break;
    }
    return QStringLiteral("\u26A1");
}

QString cost(const std::optional<double>& usd)
{
    return usd ? QStringLiteral("$%1").arg(*usd, 0, 'f', 2) : QStringLiteral("\u2014");
}

std::optional<double> number(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

std::optional<qint64> count(const QJsonObject& object, const QString& key)
{
    const auto value = number(object, key);
    if (!value || *value < 0)
        return std::nullopt;
    return static_cast<qint64>(*value);
}

}

StatuslineFigures StatuslineFigures::of(const UsageSnapshot& usage, const QString& sessionId,
                                        const std::optional<ClaudeQuota>& quota, const PriceTable& prices)
{
    StatuslineFigures figures;
    const Instant now = Clock::now();
    figures.tokensPerMinute = usage.tokensPerMinute(now);
    figures.pace = paceFor(usage.activityLevel(now), figures.tokensPerMinute);
    figures.todayTokens = usage.today.totalTokens;
    figures.todayCostUsd = usage.todayCostUsd();
    if (!sessionId.isEmpty()) {
        const QByteArray id = sessionId.toUtf8();
        const std::string_view wanted(id.constData(), static_cast<std::size_t>(id.size()));
        qint64 tokens = 0;
        UsdCost cost;
        std::unordered_map<Symbol, const ModelPrice*> priceOf;
        usage.allRecords.forEach([&](const UsageRecord& record) {
            if (record.sessionId.view() == wanted) {
                TokenMath::accumulate(tokens, record.totalTokens());
                auto [at, added] = priceOf.try_emplace(record.model, nullptr);
                if (added)
                    at->second = prices.find(record.model.view());
                cost.add(at->second, record);
            }
        });
        figures.sessionTokens = tokens;
        figures.sessionCostUsd = UsageSnapshot::shownCost(cost, tokens);
    }
    if (const auto* binding = quota ? quota->bindingLimit() : nullptr) {
        figures.quota = binding->window();
        switch (binding->kind) {
        case ClaudeQuota::Limit::Kind::session:
            figures.quotaLabel = QStringLiteral("5h");
            break;
        case ClaudeQuota::Limit::Kind::weekly:
            figures.quotaLabel = QStringLiteral("7d");
            break;
        case ClaudeQuota::Limit::Kind::weeklyScoped:
            figures.quotaLabel = binding->label;
            break;
        }
    }
    return figures;
}

QJsonObject StatuslineFigures::toJson() const
{
    QJsonObject object {
        { PaceKey, QString(paceName(pace)) },
        { RateKey, tokensPerMinute },
        { TodayKey, todayTokens },
    };
    if (todayCostUsd)
        object.insert(TodayCostKey, *todayCostUsd);
    if (sessionTokens)
        object.insert(SessionKey, *sessionTokens);
    if (sessionCostUsd)
        object.insert(SessionCostKey, *sessionCostUsd);
    if (quota) {
        QJsonObject window { { LabelKey, quotaLabel }, { UtilizationKey, quota->utilizationPct } };
        if (quota->resetsAt)
            window.insert(ResetsAtKey, InstantFormat::toIsoUtcMillis(*quota->resetsAt));
        object.insert(QuotaKey, window);
    }
    return object;
}

std::optional<StatuslineFigures> StatuslineFigures::fromJson(const QJsonObject& object)
{
    StatuslineFigures figures;
    const QString name = object.value(PaceKey).toString();
    const auto today = count(object, TodayKey);
    const std::optional<Pace> pace = paceFromName(name);
    if (!pace || !today)
        return std::nullopt;
    figures.pace = *pace;
    figures.todayTokens = *today;
    figures.tokensPerMinute = count(object, RateKey).value_or(0);
    figures.todayCostUsd = number(object, TodayCostKey);
    figures.sessionTokens = count(object, SessionKey);
    figures.sessionCostUsd = number(object, SessionCostKey);
    const QJsonObject window = object.value(QuotaKey).toObject();
    const QString label = window.value(LabelKey).toString().left(40);
    if (const auto pct = number(window, UtilizationKey); pct && !label.isEmpty()) {
        ClaudeQuota::Window limit { *pct, std::nullopt };
        const QByteArray resetsAt = window.value(ResetsAtKey).toString().toUtf8();
        if (!resetsAt.isEmpty())
            limit.resetsAt = TimestampParser::parse(
                std::string_view(resetsAt.constData(), static_cast<std::size_t>(resetsAt.size())));
        figures.quota = limit;
        figures.quotaLabel = label;
    }
    return figures;
}

QString StatuslineFigures::toLine(Instant now) const
{
    QStringList parts;
    parts.append(QStringLiteral("%1 %2/min").arg(glyph(pace), formatTokens(tokensPerMinute)));
    parts.append(QCoreApplication::translate("StatuslineFigures", "오늘 %1 %2")
                     .arg(formatTokens(todayTokens), cost(todayCostUsd)));
    if (sessionTokens)
        parts.append(QCoreApplication::translate("StatuslineFigures", "세션 %1 %2")
                         .arg(formatTokens(*sessionTokens), cost(sessionCostUsd)));
    if (quota) {
        QString part = QStringLiteral("%1 %2%")
                           .arg(quotaLabel)
                           .arg(std::lround(ClaudeQuota::shownPercent(quota->utilizationPct)));
        if (const QString left = resetCountdown(quota->resetsAt, now); !left.isEmpty())
            part += QStringLiteral(" (%1)").arg(left);
        parts.append(part);
    }
    return parts.join(QStringLiteral(" \u00B7 "));
}

}
