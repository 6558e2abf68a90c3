#include "views/TokenBreakdownModel.h"

#include <QVariantMap>

#include "usage/ModelColor.h"
#include "usage/TokenFormat.h"

namespace pacemark {

namespace {

QVariantMap line(const QString& label, qint64 tokens)
{
    return { { QStringLiteral("label"), label }, { QStringLiteral("value"), formatTokens(tokens) } };
}

}

TokenBreakdownModel::TokenBreakdownModel(QObject* parent)
    : QObject(parent)
{ }

void TokenBreakdownModel::setBreakdowns(const QList<ModelBreakdown>& breakdowns)
{
    if (breakdowns == m_breakdowns)
        return;
    m_breakdowns = breakdowns;
    m_rows.clear();
    for (const ModelBreakdown& b : m_breakdowns) {
        QVariantList lines { line(QStringLiteral("In"), b.inputTokens), line(QStringLiteral("Out"), b.outputTokens) };
        if (b.cacheWriteTokens >= 1)
            lines.append(line(QStringLiteral("CW"), b.cacheWriteTokens));
        if (b.cacheReadTokens >= 1)
            lines.append(line(QStringLiteral("CR"), b.cacheReadTokens));
        m_rows.append(QVariantMap {
            { QStringLiteral("name"), b.displayName },
            { QStringLiteral("color"), static_cast<int>(modelColor(b.model)) },
            { QStringLiteral("total"), formatTokens(b.totalTokens()) },
            { QStringLiteral("cost"), formatUsd(b.costUSD, b.costKnown()) },
            { QStringLiteral("lines"), lines },
        });
    }
    Q_EMIT breakdownsChanged();
}

}
