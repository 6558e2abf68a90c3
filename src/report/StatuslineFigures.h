#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

#include "basics/Instant.h"
#include "quota/ClaudeQuota.h"
#include "usage/Pace.h"

namespace pacemark {

class PriceTable;
struct UsageSnapshot;

// What the status line shows: the runner's pace and the rate of the last three minutes, today's and
// one session's tokens and cost, and the binding quota limit when it is known. The running application
// sends it over its socket as JSON; without one it is worked out from the logs.
struct StatuslineFigures
{
    Pace pace = Pace::Idle;
    qint64 tokensPerMinute = 0;
    qint64 todayTokens = 0;
    // Absent: a model without a price, or no price table.
    std::optional<double> todayCostUsd;
    // Absent without a session id.
    std::optional<qint64> sessionTokens;
    std::optional<double> sessionCostUsd;
    // The limit that stops the account first, and its short name: "5h", "7d", or a model's name.
    std::optional<ClaudeQuota::Window> quota;
    QString quotaLabel;

    // The figures of a usage snapshot, the rate and pace as of now; session ones for records with that
    // session id. Costs follow the popover's rule: the priced tokens' cost, unknown when none had a price.
    static StatuslineFigures of(const UsageSnapshot& usage, const QString& sessionId,
                                const std::optional<ClaudeQuota>& quota, const PriceTable& prices);

    QJsonObject toJson() const;
    // Empty unless the object holds at least the pace and today's tokens.
    static std::optional<StatuslineFigures> fromJson(const QJsonObject& object);

    // One short line, such as "🏃 66.7K/min · 오늘 2.0M $4.12 · 세션 310K $0.88 · 5h 42% (2h 5m)", or
    // "… · Fable 81% (2d 5h)" when a model's weekly cap binds.
    QString toLine(Instant now) const;
};

}
