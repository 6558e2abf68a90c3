#pragma once

#include <optional>
#include <vector>

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>

#include "basics/Instant.h"
#include "quota/ClaudeQuota.h"

namespace pacemark {

// One desktop notification to send, as figures; the notifier words it in the language shown.
struct QuotaAlert
{
    Q_DECLARE_TR_FUNCTIONS(QuotaAlert)

public:
    enum class Event { reached, reset, forecast };

    Event event = Event::reached;
    // The limit it is about; absent for the paid extra credits.
    std::optional<ClaudeQuota::Limit> limit;
    // Its id, or "extraUsage".
    QString window;
    // Another source's window instead ("Codex", never translated), named by its length in minutes.
    QString source;
    int windowMinutes = 0;
    // The threshold reached, and the whole percent used (as sent: it may pass 100).
    int threshold = 0;
    double percent = 0.0;
    // When the period ends, if the answer tells; when the limit is reached at the recent pace.
    std::optional<Instant> resetsAt;
    std::optional<Instant> forecastAt;
    Instant now {};
    // The upper threshold was crossed: the notification asks to stay until seen.
    bool urgent = false;

    // "5시간 한도 80% 도달", "5시간 한도가 초기화되었습니다", "주간 한도 곧 도달".
    QString summary() const;
    QString body() const;
    // "5시간 한도", "Codex 주간 한도", "추가 사용 크레딧".
    QString name() const;

    bool operator==(const QuotaAlert&) const = default;
};

// Decides which quota alerts a new snapshot calls for. What has been announced is kept per limit
// as the period it belongs to (the limit's reset time, or the month for the extra credits), the
// highest threshold announced in it and whether its forecast was told, so that a repeated snapshot, a
// restart or a failed poll never repeats an alert, and a jump past both thresholds gives only the
// higher one. A limit whose forecast reaches 100 % within half an hour is told once per period.
class QuotaAlertPolicy
{
public:
    struct Thresholds
    {
        int lower = 80;
        int upper = 95;
    };

    // A limit of another source, told like Claude's; the id names it in the memory, apart from them.
    struct Window
    {
        QString id;
        // "Codex"; the alert names the window by its length.
        QString source;
        int minutes = 0;
        double percent = 0;
        std::optional<Instant> resetsAt;
    };

    // The remembered periods, as saved by memory().
    explicit QuotaAlertPolicy(QJsonObject memory = {});

    // The alerts for this snapshot, in the order of the quota card; updates the memory.
    std::vector<QuotaAlert> evaluate(const ClaudeQuota& quota, Thresholds thresholds, Instant now);
    std::vector<QuotaAlert> evaluate(const std::vector<Window>& windows, Thresholds thresholds, Instant now);
    const QJsonObject& memory() const { return m_memory; }

private:
    // periodEnd is 0 when the window has no reset time (nothing used in it yet).
    // `about` names the window the alerts are of.
    void evaluateWindow(const QuotaAlert& about, double pct, qint64 periodEnd, bool knowsReset, Thresholds thresholds,
                        Instant now, std::vector<QuotaAlert>& alerts);
    void evaluateForecast(const ClaudeQuota::Limit& limit, Instant now, std::vector<QuotaAlert>& alerts);

    QJsonObject m_memory;
};

}
