#include "quota/ClaudeQuota.h"

#include <QJsonValue>

#include "basics/Clock.h"
#include "basics/TimestampParser.h"

namespace {

double numberOr(const QJsonValue& value, double fallback)
{
    return value.isDouble() ? value.toDouble() : fallback;
}

// Credits are whole cents; 1287.0 counts as 1287, a fraction or a value beyond 64 bits as nothing.
qint64 integralOr(const QJsonValue& value, qint64 fallback)
{
    return value.isDouble() ? value.toInteger(fallback) : fallback;
}

}

ClaudeQuota ClaudeQuota::fromJson(const QJsonObject& object)
{
    ClaudeQuota quota;
    quota.fiveHour = parseWindow(object, QLatin1StringView("five_hour"));
    quota.sevenDay = parseWindow(object, QLatin1StringView("seven_day"));
    quota.sevenDayOpus = parseWindow(object, QLatin1StringView("seven_day_opus"));
    quota.sevenDaySonnet = parseWindow(object, QLatin1StringView("seven_day_sonnet"));
    quota.extraUsage = parseExtraUsage(object);
    quota.fetchedAt = Clock::now();
    return quota;
}

std::optional<ClaudeQuota::Window> ClaudeQuota::parseWindow(const QJsonObject& object, QLatin1StringView member)
{
    const QJsonValue value = object.value(member);
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject window = value.toObject();

    Window result;
    result.utilizationPct = numberOr(window.value(QLatin1StringView("utilization")), 0.0);
    const QJsonValue resetsAt = window.value(QLatin1StringView("resets_at"));
    if (resetsAt.isString()) {
        const QByteArray text = resetsAt.toString().toUtf8();
        result.resetsAt
            = TimestampParser::parse(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    }
    return result;
}

std::optional<ClaudeQuota::ExtraUsage> ClaudeQuota::parseExtraUsage(const QJsonObject& object)
{
    const QJsonValue value = object.value(QLatin1StringView("extra_usage"));
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject extra = value.toObject();
    const QJsonValue enabled = extra.value(QLatin1StringView("is_enabled"));
    if (!enabled.isBool() || !enabled.toBool())
        return std::nullopt;

    ExtraUsage result;
    result.isEnabled = true;
    result.monthlyLimitCents = integralOr(extra.value(QLatin1StringView("monthly_limit")), 0);
    result.usedCreditsCents = integralOr(extra.value(QLatin1StringView("used_credits")), 0);
    result.utilization = numberOr(extra.value(QLatin1StringView("utilization")), 0.0);
    const QJsonValue currency = extra.value(QLatin1StringView("currency"));
    if (currency.isString())
        result.currency = currency.toString();
    return result;
}
