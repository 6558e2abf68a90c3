#pragma once

#include <vector>

#include <QJsonObject>
#include <QString>

#include "basics/Instant.h"
#include "quota/ClaudeQuota.h"

// One desktop notification to send.
struct QuotaAlert
{
    // The window it is about ("fiveHour", "sevenDay", "sevenDayOpus", "sevenDaySonnet", "extraUsage").
    QString window;
    QString summary;
    QString body;
    // The upper threshold was crossed: the notification asks to stay until seen.
    bool urgent = false;

    bool operator==(const QuotaAlert&) const = default;
};

// Decides which quota alerts a new snapshot calls for. What has been announced is kept per window
// as the period it belongs to (the window's reset time, or the month for the extra credits) and the
// highest threshold announced in it, so that a repeated snapshot, a restart or a failed poll never
// repeats an alert, and a jump past both thresholds gives only the higher one.
class QuotaAlertPolicy
{
public:
    struct Thresholds
    {
        int lower = 80;
        int upper = 95;
    };

    // The remembered periods, as saved by memory().
    explicit QuotaAlertPolicy(QJsonObject memory = {});

    // The alerts for this snapshot, in the order of the quota card; updates the memory.
    std::vector<QuotaAlert> evaluate(const ClaudeQuota& quota, Thresholds thresholds, Instant now);
    const QJsonObject& memory() const { return m_memory; }

private:
    // periodEnd is 0 when the window has no reset time (nothing used in it yet).
    void evaluateWindow(const QString& id, const QString& label, double pct, qint64 periodEnd, bool knowsReset,
                        Thresholds thresholds, Instant now, std::vector<QuotaAlert>& alerts);

    QJsonObject m_memory;
};
