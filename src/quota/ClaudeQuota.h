#pragma once

#include <optional>

#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>

#include "basics/Instant.h"

// One answer of the usage endpoint: utilisation of the rolling windows and the paid extra credits.
struct ClaudeQuota
{
    struct Window
    {
        double utilizationPct = 0.0;
        std::optional<Instant> resetsAt;

        bool operator==(const Window&) const = default;
    };

    struct ExtraUsage
    {
        bool isEnabled = true;
        qint64 monthlyLimitCents = 0;
        qint64 usedCreditsCents = 0;
        double utilization = 0.0;
        QString currency = QStringLiteral("USD");

        bool operator==(const ExtraUsage&) const = default;
    };

    std::optional<Window> fiveHour;
    std::optional<Window> sevenDay;
    std::optional<Window> sevenDayOpus;
    std::optional<Window> sevenDaySonnet;
    std::optional<ExtraUsage> extraUsage;
    Instant fetchedAt {};

    bool operator==(const ClaudeQuota&) const = default;

    // Never fails: missing or ill-typed members fall back to absent windows and zero values.
    // fetchedAt is Clock::now().
    static ClaudeQuota fromJson(const QJsonObject& object);
    static std::optional<Window> parseWindow(const QJsonObject& object, QLatin1StringView member);
    static std::optional<ExtraUsage> parseExtraUsage(const QJsonObject& object);
};
