#include "views/QuotaRow.h"

#include <algorithm>

#include "quota/ResetCountdown.h"
#include "views/DashboardFormat.h"

namespace {

QuotaRow windowRow(const QString& label, double pct, const QuotaCardSnapshot::Window& window, Instant now)
{
    return { label, pct, DashboardFormat::quotaColor(pct), DashboardFormat::percentText(pct),
             resetCountdown(window.resetsAt, now) };
}

}

QList<QuotaRow> QuotaRow::fromSnapshot(const QuotaCardSnapshot& snapshot, Instant now)
{
    QList<QuotaRow> rows;
    if (const auto& w = snapshot.fiveHour)
        rows.append(windowRow(QStringLiteral("5시간"), std::clamp(w->utilizationPct, 0.0, 100.0), *w, now));
    if (const auto& w = snapshot.sevenDay)
        rows.append(windowRow(QStringLiteral("주간"), std::clamp(w->utilizationPct, 0.0, 100.0), *w, now));
    // The model windows are listed only once used, so they are never below zero here.
    if (const auto& w = snapshot.sevenDayOpus; w && w->utilizationPct > 0)
        rows.append(windowRow(QStringLiteral("Opus"), std::min(w->utilizationPct, 100.0), *w, now));
    if (const auto& w = snapshot.sevenDaySonnet; w && w->utilizationPct > 0)
        rows.append(windowRow(QStringLiteral("Sonnet"), std::min(w->utilizationPct, 100.0), *w, now));
    if (const auto& credits = snapshot.extraUsage) {
        const double pct = std::clamp(credits->utilization, 0.0, 100.0);
        rows.append({ QStringLiteral("크레딧"), pct, DashboardFormat::quotaColor(pct),
                      DashboardFormat::dollarsText(credits->usedCreditsCents),
                      DashboardFormat::dollarsText(credits->monthlyLimitCents) });
    }
    return rows;
}
