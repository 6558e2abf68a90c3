#pragma once

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "usage/ModelBreakdown.h"

namespace pacemark {

// The rows of the per-model token list: colour, name, the figures of each token kind and the total.
class TokenBreakdownModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QList<ModelBreakdown> breakdowns READ breakdowns WRITE setBreakdowns NOTIFY breakdownsChanged)
    // Each row: name, color (NamedColor), total, lines (each: label, value).
    Q_PROPERTY(QVariantList rows READ rows NOTIFY breakdownsChanged)

public:
    explicit TokenBreakdownModel(QObject* parent = nullptr);

    const QList<ModelBreakdown>& breakdowns() const { return m_breakdowns; }
    void setBreakdowns(const QList<ModelBreakdown>& breakdowns);
    QVariantList rows() const { return m_rows; }

Q_SIGNALS:
    void breakdownsChanged();

private:
    QList<ModelBreakdown> m_breakdowns;
    QVariantList m_rows;
};

}
