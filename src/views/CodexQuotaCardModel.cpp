#include "views/CodexQuotaCardModel.h"

#include <QVariantMap>

#include "basics/Clock.h"
#include "basics/Translation.h"
#include "quota/ClaudeQuota.h"
#include "quota/LimitNames.h"
#include "quota/ResetCountdown.h"
#include "views/DashboardFormat.h"

namespace pacemark {

CodexQuotaCardModel::CodexQuotaCardModel(QObject* parent)
    : QObject(parent)
{
    connect(&Translation::shared(), &Translation::changed, this, &CodexQuotaCardModel::rebuild);
}

double CodexQuotaCardModel::shownPercent(const CodexRateLimits::Window& window, Instant now)
{
    if (window.resetsAt && *window.resetsAt <= now)
        return 0;
    return ClaudeQuota::shownPercent(window.usedPercent);
}

QString CodexQuotaCardModel::ageText(std::chrono::milliseconds age)
{
    using namespace std::chrono;
    if (age < minutes(1))
        return tr("방금");
    if (age < hours(1))
        return tr("%n분 전", nullptr, static_cast<int>(duration_cast<minutes>(age).count()));
    if (age < days(1))
        return tr("%n시간 전", nullptr, static_cast<int>(duration_cast<hours>(age).count()));
    return tr("%n일 전", nullptr, static_cast<int>(duration_cast<days>(age).count()));
}

QStringList CodexQuotaCardModel::toolTipLines(const CodexRateLimits& limits, Instant now)
{
    QStringList lines;
    for (const auto& w : limits.windows)
        lines.append(tr("Codex %1 %2 · %3")
                         .arg(LimitNames::windowName(w.windowMinutes),
                              DashboardFormat::percentText(shownPercent(w, now)), ageText(limits.age(now))));
    return lines;
}

void CodexQuotaCardModel::setLimits(const std::optional<CodexRateLimits>& limits)
{
    m_limits = limits;
    rebuild();
}

void CodexQuotaCardModel::rebuild()
{
    const Instant now = Clock::now();
    QVariantList rows;
    QString badge;
    if (m_limits) {
        for (const auto& w : m_limits->windows) {
            const double pct = shownPercent(w, now);
            rows.append(QVariantMap { { QStringLiteral("label"), LimitNames::windowName(w.windowMinutes) },
                                      { QStringLiteral("pct"), pct },
                                      { QStringLiteral("color"), static_cast<int>(DashboardFormat::quotaColor(pct)) },
                                      { QStringLiteral("value"), DashboardFormat::percentText(pct) },
                                      { QStringLiteral("detail"), resetCountdown(w.resetsAt, now) },
                                      { QStringLiteral("binding"), false },
                                      { QStringLiteral("note"), QString() } });
        }
        if (const auto& credits = m_limits->credits; credits && (credits->unlimited || !credits->balance.isEmpty()))
            rows.append(QVariantMap { { QStringLiteral("label"), tr("크레딧") },
                                      { QStringLiteral("pct"), 0.0 },
                                      { QStringLiteral("color"), static_cast<int>(NamedColor::Gray) },
                                      { QStringLiteral("value"), credits->unlimited ? tr("무제한") : credits->balance },
                                      { QStringLiteral("detail"), QString() },
                                      { QStringLiteral("binding"), false },
                                      { QStringLiteral("note"), QString() } });
        badge = tr("%1 기준").arg(ageText(m_limits->age(now)));
        if (!m_limits->planType.isEmpty())
            badge += QStringLiteral(" · ") + m_limits->planType.left(1).toUpper() + m_limits->planType.mid(1);
    }
    if (rows == m_rows && badge == m_badgeText)
        return;
    m_rows = std::move(rows);
    m_badgeText = std::move(badge);
    Q_EMIT rowsChanged();
}

}
