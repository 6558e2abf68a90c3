#pragma once

#include <optional>
#include <vector>

#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>

#include "basics/Instant.h"

namespace pacemark {

// One answer of the usage endpoint: every limit on the account, the rolling windows as they were
// first named, and the paid extra credits.
struct ClaudeQuota
{
    struct Window
    {
        double utilizationPct = 0.0;
        std::optional<Instant> resetsAt;

        bool operator==(const Window&) const = default;
    };

    // One limit that can stop the account: the five-hour session, the account-wide week, or the week
    // of one model or surface.
    struct Limit
    {
        enum class Kind { session, weekly, weeklyScoped };

        Kind kind = Kind::session;
        // The model's or surface's name of a scoped week, empty for the others; LimitNames words them.
        QString label;
        // As the server sends it; not clamped.
        double percent = 0.0;
        std::optional<Instant> resetsAt;
        // "normal", "warning", … as sent; empty when the answer gives none.
        QString severity;
        // The limit that stops the account first.
        bool binding = false;
        // When the limit is reached at the recent pace, if that comes before its reset. Filled by the
        // forecast, never by the answer.
        std::optional<Instant> forecastAt;

        // Stable across answers: names the limit in the alert memory and the forecast samples.
        QString id() const;
        // "session", "weekly" or "weeklyScoped".
        QString kindName() const;
        Window window() const { return { percent, resetsAt }; }

        bool operator==(const Limit&) const = default;
    };

    struct ExtraUsage
    {
        // False only with a reason: credits switched off by the server, which the user should hear of.
        bool isEnabled = true;
        // Amounts in minor units of the currency (cents for two decimal places); no monthly limit is
        // absent, never 0.
        std::optional<qint64> monthlyLimitCents;
        qint64 usedCreditsCents = 0;
        double utilization = 0.0;
        QString currency = QStringLiteral("USD");
        int decimalPlaces = 2;
        // Why the credits are off ("out_of_credits", …); empty while they are on.
        QString disabledReason;

        bool operator==(const ExtraUsage&) const = default;
    };

    // Every limit in display order: the session, the week, then the scoped weeks as the answer lists them.
    std::vector<Limit> limits;
    std::optional<Window> fiveHour;
    std::optional<Window> sevenDay;
    std::optional<Window> sevenDayOpus;
    std::optional<Window> sevenDaySonnet;
    std::optional<ExtraUsage> extraUsage;
    Instant fetchedAt {};

    bool operator==(const ClaudeQuota&) const = default;

    // The limit that stops the account first, if any.
    const Limit* bindingLimit() const;

    // Never fails: missing or ill-typed members fall back to absent limits and zero values.
    // fetchedAt is Clock::now().
    static ClaudeQuota fromJson(const QJsonObject& object);
    // A percentage as every view shows it: within 0 and 100, whatever the server sent (1e308, -5),
    // which is kept as it came.
    static double shownPercent(double pct);
    static std::optional<Window> parseWindow(const QJsonObject& object, QLatin1StringView member);
    static std::optional<ExtraUsage> parseExtraUsage(const QJsonObject& object);
    // The limits of the answer, legacy members filling in only what "limits" lacks; binding marked.
    static std::vector<Limit> parseLimits(const QJsonObject& object);
};

}
