#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "views/QuotaCardSnapshot.h"
#include "views/QuotaRow.h"

// What the quota card shows: whether it is shown at all, its status badge and its body. Fed with the
// quota manager's status and snapshot; asks the credential probe only while there is no snapshot.
class QuotaCardModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application and handed to the popover")
    Q_PROPERTY(bool showCard READ showCard NOTIFY showCardChanged)
    Q_PROPERTY(bool hasQuota READ hasQuota NOTIFY rowsChanged)
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString badgeText READ badgeText NOTIFY statusChanged)
    Q_PROPERTY(bool badgeAlert READ badgeAlert NOTIFY statusChanged)
    Q_PROPERTY(bool busy READ isBusy NOTIFY statusChanged)
    Q_PROPERTY(bool showNotLoggedInText READ showNotLoggedInText NOTIFY showNotLoggedInTextChanged)
    // Each row: label, pct (0..100), color (NamedColor), value, detail.
    Q_PROPERTY(QVariantList rows READ rowMaps NOTIFY rowsChanged)

public:
    // The quota manager's status, with the errors reduced to what the badge tells apart.
    enum class Status { NotConfigured, Loading, Loaded, Denied, Unauthorized, Failed };
    Q_ENUM(Status)

    // Whether Claude Code's credential can be read without asking the user.
    using CredentialProbe = std::function<bool()>;

    explicit QuotaCardModel(CredentialProbe probe = {}, QObject* parent = nullptr);

    bool showCard() const { return m_showCard; }
    bool hasQuota() const { return m_snapshot.has_value(); }
    Status status() const { return m_status; }
    QString badgeText() const;
    bool badgeAlert() const { return m_status == Status::Unauthorized || m_status == Status::Failed; }
    bool isBusy() const { return m_status == Status::Loading; }
    bool showNotLoggedInText() const { return !hasQuota() && m_status == Status::NotConfigured; }
    const QList<QuotaRow>& rows() const { return m_rows; }
    QVariantList rowMaps() const;

    void setStatus(Status status);
    void setSnapshot(const std::optional<QuotaCardSnapshot>& snapshot);

    // Recomputes the countdowns and whether the card is shown, as every redraw of the dashboard does.
    void rebuild();

Q_SIGNALS:
    void showCardChanged();
    void statusChanged();
    void showNotLoggedInTextChanged();
    void rowsChanged();

private:
    void updateRows(bool snapshotChanged);
    void updateShowCard();

    CredentialProbe m_probe;
    Status m_status = Status::NotConfigured;
    std::optional<QuotaCardSnapshot> m_snapshot;
    QList<QuotaRow> m_rows;
    bool m_showCard = false;
};
