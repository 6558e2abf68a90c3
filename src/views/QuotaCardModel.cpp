#include "views/QuotaCardModel.h"

#include <QVariantMap>

#include "basics/Clock.h"

QuotaCardModel::QuotaCardModel(CredentialProbe probe, QObject* parent) : QObject(parent), m_probe(std::move(probe))
{
    updateShowCard();
}

QString QuotaCardModel::badgeText() const
{
    switch (m_status) {
    case Status::Unauthorized:
        return QStringLiteral("토큰 만료");
    case Status::NotConfigured:
    case Status::Denied:
        return QStringLiteral("미연결");
    case Status::Failed:
        return QStringLiteral("오류");
    case Status::Loading:
    case Status::Loaded:
        break;
    }
    return {};
}

QVariantList QuotaCardModel::rowMaps() const
{
    QVariantList maps;
    for (const QuotaRow& row : m_rows)
        maps.append(QVariantMap {
            { QStringLiteral("label"), row.label },
            { QStringLiteral("pct"), row.pct },
            { QStringLiteral("color"), static_cast<int>(row.color) },
            { QStringLiteral("value"), row.value },
            { QStringLiteral("detail"), row.detail },
        });
    return maps;
}

void QuotaCardModel::setStatus(Status status)
{
    const bool notLoggedIn = showNotLoggedInText();
    if (m_status != status) {
        m_status = status;
        Q_EMIT statusChanged();
    }
    if (notLoggedIn != showNotLoggedInText())
        Q_EMIT showNotLoggedInTextChanged();
    rebuild();
}

void QuotaCardModel::setSnapshot(const std::optional<QuotaCardSnapshot>& snapshot)
{
    const bool notLoggedIn = showNotLoggedInText();
    const bool changed = m_snapshot != snapshot;
    m_snapshot = snapshot;
    if (notLoggedIn != showNotLoggedInText())
        Q_EMIT showNotLoggedInTextChanged();
    updateRows(changed);
    updateShowCard();
}

void QuotaCardModel::rebuild()
{
    updateRows(false);
    updateShowCard();
}

void QuotaCardModel::updateRows(bool snapshotChanged)
{
    QList<QuotaRow> rows = m_snapshot ? QuotaRow::fromSnapshot(*m_snapshot, Clock::now()) : QList<QuotaRow> {};
    if (!snapshotChanged && rows == m_rows)
        return;
    m_rows = std::move(rows);
    Q_EMIT rowsChanged();
}

void QuotaCardModel::updateShowCard()
{
    // The keychain is asked only while no snapshot exists.
    const bool show = m_snapshot.has_value() || (m_probe && m_probe());
    if (show == m_showCard)
        return;
    m_showCard = show;
    Q_EMIT showCardChanged();
}
