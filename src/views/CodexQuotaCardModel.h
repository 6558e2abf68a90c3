#pragma once

#include <optional>

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "basics/Instant.h"
#include "ingest/CodexRateLimits.h"

namespace pacemark {

// What the "Codex 한도" card shows: Codex's windows as its last turn saw them, and how old that is.
// A window whose reset has passed since reads as empty: the figure in the log is from before it.
class CodexQuotaCardModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application and handed to the popover")
    Q_PROPERTY(bool showCard READ showCard NOTIFY rowsChanged)
    // "3분 전 기준 · Pro"
    Q_PROPERTY(QString badgeText READ badgeText NOTIFY rowsChanged)
    // As the quota card's rows: label, pct, color, value, detail, binding, note.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY rowsChanged)

public:
    explicit CodexQuotaCardModel(QObject* parent = nullptr);

    bool showCard() const { return m_limits.has_value(); }
    const QString& badgeText() const { return m_badgeText; }
    const QVariantList& rows() const { return m_rows; }

    void setLimits(const std::optional<CodexRateLimits>& limits);
    // Recomputes countdowns and the age, as every redraw of the dashboard does.
    Q_INVOKABLE void rebuild();

    // "Codex 5시간 12% · 3분 전", one line per window, for the tray's tooltip.
    static QStringList toolTipLines(const CodexRateLimits& limits, Instant now);
    // The percent to show of a window: none once its reset has passed.
    static double shownPercent(const CodexRateLimits::Window& window, Instant now);
    // "방금", "3분 전", "2시간 전", "3일 전".
    static QString ageText(std::chrono::milliseconds age);

Q_SIGNALS:
    void rowsChanged();

private:
    std::optional<CodexRateLimits> m_limits;
    QVariantList m_rows;
    QString m_badgeText;
};

}
