#pragma once

#include <optional>

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "quota/ClaudeQuota.h"
#include "quota/ClaudeQuotaManager.h"

namespace pacemark {

// What the quota card shows: whether it is shown at all, its status badge and its rows. Follows the
// quota manager when given one, including whether its last lookup found a credential.
class QuotaCardModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application and handed to the popover")
    Q_PROPERTY(bool showCard READ showCard NOTIFY showCardChanged)
    Q_PROPERTY(bool hasQuota READ hasQuota NOTIFY rowsChanged)
    Q_PROPERTY(QString badgeText READ badgeText NOTIFY statusChanged)
    Q_PROPERTY(bool badgeAlert READ badgeAlert NOTIFY statusChanged)
    Q_PROPERTY(bool busy READ isBusy NOTIFY statusChanged)
    Q_PROPERTY(bool showNotLoggedInText READ showNotLoggedInText NOTIFY showNotLoggedInTextChanged)
    // Each row: label, pct (0..100), color (NamedColor), value, detail, binding (the limit that stops the
    // account first, marked when there is more than one), note (a forecast, or why credits are off).
    Q_PROPERTY(QVariantList rows READ rows NOTIFY rowsChanged)

public:
    // Without a manager the card shows what it is fed.
    explicit QuotaCardModel(ClaudeQuotaManager* manager = nullptr, QObject* parent = nullptr);

    bool showCard() const { return m_showCard; }
    bool hasQuota() const { return m_quota.has_value(); }
    QString badgeText() const;
    // An expired token or a failure, as against a card that is merely not connected.
    bool badgeAlert() const;
    bool isBusy() const { return m_status.statusCase() == ClaudeQuotaManager::Status::Case::loading; }
    bool showNotLoggedInText() const;
    const QVariantList& rows() const { return m_rows; }

    void setStatus(const ClaudeQuotaManager::Status& status);
    void setQuota(const std::optional<ClaudeQuota>& quota);
    // Whether Claude Code's credential is there: the card shows for it before any quota has come.
    void setCredentialFound(bool found);

    // Recomputes the countdowns and whether the card is shown, as every redraw of the dashboard does.
    void rebuild();

Q_SIGNALS:
    void showCardChanged();
    void statusChanged();
    void showNotLoggedInTextChanged();
    void rowsChanged();

private:
    void updateRows(bool presenceChanged);
    void updateShowCard();

    bool m_credentialFound = false;
    ClaudeQuotaManager::Status m_status = ClaudeQuotaManager::Status::notConfigured();
    std::optional<ClaudeQuota> m_quota;
    QVariantList m_rows;
    bool m_showCard = false;
};

}
