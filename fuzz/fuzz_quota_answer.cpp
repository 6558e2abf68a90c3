#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "quota/ClaudeQuota.h"
#include "quota/QuotaAlertPolicy.h"
#include "quota/QuotaForecast.h"

using namespace pacemark;

// One input is one body of the usage endpoint. Whatever it holds, the snapshot keeps its promises: each
// limit once, a label on every scoped one, one binding limit when there is any, the two windows equal
// to their limits, and credits that are either on or off with a reason. The forecast's samples survive
// their saved form, and the alerts take the snapshot without fault.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QJsonDocument document
        = QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!document.isObject())
        return 0;
    ClaudeQuota quota = ClaudeQuota::fromJson(document.object());

    std::set<QString> ids;
    int binding = 0;
    for (std::size_t i = 0; i < quota.limits.size(); ++i) {
        const auto& limit = quota.limits[i];
        if (!ids.insert(limit.id()).second || !std::isfinite(limit.percent)
            || (limit.kind == ClaudeQuota::Limit::Kind::weeklyScoped && limit.label.isEmpty()))
            __builtin_trap();
        if (limit.kind == ClaudeQuota::Limit::Kind::session && i != 0)
            __builtin_trap();
        binding += limit.binding ? 1 : 0;
    }
    if (ids.size() > 34 || binding != (quota.limits.empty() ? 0 : 1))
        __builtin_trap();
    const bool hasSession = !quota.limits.empty() && quota.limits.front().kind == ClaudeQuota::Limit::Kind::session;
    if (quota.fiveHour.has_value() != hasSession || (hasSession && quota.fiveHour != quota.limits.front().window()))
        __builtin_trap();
    if (const auto& credits = quota.extraUsage) {
        if ((!credits->isEnabled && credits->disabledReason.isEmpty()) || credits->decimalPlaces < 0
            || credits->decimalPlaces > 8 || credits->currency.isEmpty())
            __builtin_trap();
    }

    QuotaForecast forecast;
    forecast.record(quota);
    if (QuotaForecast(forecast.memory()).memory() != forecast.memory())
        __builtin_trap();
    QuotaAlertPolicy().evaluate(quota, {}, quota.fetchedAt);
    return 0;
}
