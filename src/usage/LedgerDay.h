#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "basics/TokenMath.h"

namespace pacemark {

// One ended local day as the history store keeps it: the day's totals and its tokens per model.
struct LedgerDay
{
    struct Model
    {
        QString model;
        qint64 inputTokens = 0;
        qint64 outputTokens = 0;
        qint64 cacheWriteTokens = 0;
        qint64 cacheReadTokens = 0;
        // Empty when the model had no price, or for rows stored before costs were.
        std::optional<double> costUSD;

        bool operator==(const Model&) const = default;
    };

    QString dateString; // "yyyy-MM-dd", the local day when it was written
    qint64 inputTokens = 0;
    qint64 outputTokens = 0;
    qint64 cacheWriteTokens = 0;
    qint64 cacheReadTokens = 0;
    qint64 sessionCount = 0;
    std::vector<Model> models; // by model name

    // The day's cost: that of its models with one, and the tokens of those without.
    double costUSD() const;
    qint64 unpricedTokens() const;

    qint64 totalTokens() const
    {
        return TokenMath::add(TokenMath::add(inputTokens, outputTokens),
                              TokenMath::add(cacheWriteTokens, cacheReadTokens));
    }

    // Each figure and each model's figures at the larger of the two: a day seen twice, once with fewer
    // logs left, keeps what the fuller sighting showed.
    static LedgerDay larger(const LedgerDay& a, const LedgerDay& b);

    bool operator==(const LedgerDay&) const = default;
};

}
