#include "report/StatuslineFigures.h"

#include <cmath>

#include <QJsonValue>
#include <QStringList>

#include "basics/TimestampParser.h"
#include "quota/ResetCountdown.h"
#include "usage/TokenFormat.h"
#include "usage/UsageDataManager.h"

namespace {

const QString PaceKey = QStringLiteral("pace");
const QString RateKey = QStringLiteral("tokensPerMinute");
const QString TodayKey = QStringLiteral("todayTokens");
const QString TodayCostKey = QStringLiteral("todayCostUsd");
const QString SessionKey = QStringLiteral("sessionTokens");
const QString SessionCostKey = QStringLiteral("sessionCostUsd");
const QString FiveHourKey = QStringLiteral("fiveHour");
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

StatuslineFigures StatuslineFigures::of(const UsageDataManager& usage, const QString& sessionId,
                                        const std::optional<ClaudeQuota>& quota)
{
    StatuslineFigures figures;
    figures.tokensPerMinute = usage.tokensPerMinute();
    figures.pace = paceFor(usage.activityLevel(), figures.tokensPerMinute);
    figures.todayTokens = usage.todayTokens();
    if (!sessionId.isEmpty()) {
        const QByteArray id = sessionId.toUtf8();
        const std::string_view wanted(id.constData(), static_cast<std::size_t>(id.size()));
        qint64 tokens = 0;
        usage.allRecords().forEach([&](const UsageRecord& record) {
            if (record.sessionId.view() == wanted)
                TokenMath::accumulate(tokens, record.totalTokens());
        });
        figures.sessionTokens = tokens;
    }
    if (quota)
        figures.fiveHour = quota->fiveHour;
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
    if (fiveHour) {
        QJsonObject window { { UtilizationKey, fiveHour->utilizationPct } };
        if (fiveHour->resetsAt)
            window.insert(ResetsAtKey, InstantFormat::toIsoUtcMillis(*fiveHour->resetsAt));
        object.insert(FiveHourKey, window);
    }
    return object;
}

std::optional<StatuslineFigures> StatuslineFigures::fromJson(const QJsonObject& object)
{
    StatuslineFigures figures;
    const QString name = object.value(PaceKey).toString();
    const auto today = count(object, TodayKey);
    std::optional<Pace> pace;
    for (const Pace p : { Pace::Idle, Pace::Walking, Pace::Running, Pace::Sprinting })
        if (name == paceName(p))
            pace = p;
    if (!pace || !today)
        return std::nullopt;
    figures.pace = *pace;
    figures.todayTokens = *today;
    figures.tokensPerMinute = count(object, RateKey).value_or(0);
    figures.todayCostUsd = number(object, TodayCostKey);
    figures.sessionTokens = count(object, SessionKey);
    figures.sessionCostUsd = number(object, SessionCostKey);
    const QJsonObject window = object.value(FiveHourKey).toObject();
    if (const auto pct = number(window, UtilizationKey)) {
        ClaudeQuota::Window fiveHour { *pct, std::nullopt };
        const QByteArray resetsAt = window.value(ResetsAtKey).toString().toUtf8();
        if (!resetsAt.isEmpty())
            fiveHour.resetsAt
                = TimestampParser::parse(std::string_view(resetsAt.constData(), static_cast<std::size_t>(resetsAt.size())));
        figures.fiveHour = fiveHour;
    }
    return figures;
}

QString StatuslineFigures::toLine(Instant now) const
{
    QStringList parts;
    parts.append(QStringLiteral("%1 %2/min").arg(glyph(pace), formatTokens(tokensPerMinute)));
    parts.append(QStringLiteral("오늘 %1 %2").arg(formatTokens(todayTokens), cost(todayCostUsd)));
    if (sessionTokens)
        parts.append(QStringLiteral("세션 %1 %2").arg(formatTokens(*sessionTokens), cost(sessionCostUsd)));
    if (fiveHour) {
        QString quota = QStringLiteral("5h %1%").arg(std::lround(fiveHour->utilizationPct));
        if (const QString left = resetCountdown(fiveHour->resetsAt, now); !left.isEmpty())
            quota += QStringLiteral(" (%1)").arg(left);
        parts.append(quota);
    }
    return parts.join(QStringLiteral(" \u00B7 "));
}
