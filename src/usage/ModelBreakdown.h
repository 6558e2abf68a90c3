#pragma once

#include <QMetaType>
#include <QString>

#include "basics/TokenMath.h"

namespace pacemark {

// The tokens of one model under one provider.
struct ModelBreakdown
{
    Q_GADGET
    Q_PROPERTY(QString id READ id)
    Q_PROPERTY(QString model MEMBER model)
    Q_PROPERTY(QString providerId MEMBER providerId)
    Q_PROPERTY(QString displayName MEMBER displayName)
    Q_PROPERTY(qint64 inputTokens MEMBER inputTokens)
    Q_PROPERTY(qint64 outputTokens MEMBER outputTokens)
    Q_PROPERTY(qint64 cacheWriteTokens MEMBER cacheWriteTokens)
    Q_PROPERTY(qint64 cacheReadTokens MEMBER cacheReadTokens)
    Q_PROPERTY(qint64 totalTokens READ totalTokens)
    Q_PROPERTY(double costUSD MEMBER costUSD)
    Q_PROPERTY(bool costKnown READ costKnown)

public:
    QString model;
    QString providerId;
    QString displayName;
    qint64 inputTokens = 0;
    qint64 outputTokens = 0;
    qint64 cacheWriteTokens = 0;
    qint64 cacheReadTokens = 0;
    double costUSD = 0;
    qint64 unpricedTokens = 0; // all of them when the model has no price

    QString id() const { return providerId + QLatin1Char('_') + model; }
    qint64 totalTokens() const
    {
        return TokenMath::add(TokenMath::add(inputTokens, outputTokens),
                              TokenMath::add(cacheWriteTokens, cacheReadTokens));
    }

    bool costKnown() const { return unpricedTokens <= 0; }

    friend bool operator==(const ModelBreakdown&, const ModelBreakdown&) = default;
};

}
