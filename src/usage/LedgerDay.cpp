#include "usage/LedgerDay.h"

#include <algorithm>

namespace pacemark {

LedgerDay LedgerDay::larger(const LedgerDay& a, const LedgerDay& b)
{
    LedgerDay day;
    day.dateString = a.dateString;
    day.inputTokens = std::max(a.inputTokens, b.inputTokens);
    day.outputTokens = std::max(a.outputTokens, b.outputTokens);
    day.cacheWriteTokens = std::max(a.cacheWriteTokens, b.cacheWriteTokens);
    day.cacheReadTokens = std::max(a.cacheReadTokens, b.cacheReadTokens);
    day.sessionCount = std::max(a.sessionCount, b.sessionCount);
    // Both lists are sorted by model: merge them.
    auto i = a.models.begin();
    auto j = b.models.begin();
    while (i != a.models.end() || j != b.models.end()) {
        if (j == b.models.end() || (i != a.models.end() && i->model < j->model)) {
            day.models.push_back(*i++);
        } else if (i == a.models.end() || j->model < i->model) {
            day.models.push_back(*j++);
        } else {
            std::optional<double> cost = i->costUSD ? i->costUSD : j->costUSD;
            if (i->costUSD && j->costUSD)
                cost = std::max(*i->costUSD, *j->costUSD);
            day.models.push_back({ i->model, std::max(i->inputTokens, j->inputTokens),
                                   std::max(i->outputTokens, j->outputTokens),
                                   std::max(i->cacheWriteTokens, j->cacheWriteTokens),
                                   std::max(i->cacheReadTokens, j->cacheReadTokens), cost });
            ++i;
            ++j;
        }
    }
    return day;
}

double LedgerDay::costUSD() const
{
    double sum = 0;
    for (const auto& m : models)
        sum += m.costUSD.value_or(0);
    return sum;
}

qint64 LedgerDay::unpricedTokens() const
{
    // Tokens no priced model accounts for, days stored before models were included.
    qint64 priced = 0;
    for (const auto& m : models)
        if (m.costUSD)
            TokenMath::accumulate(priced,
                                  TokenMath::add(TokenMath::add(m.inputTokens, m.outputTokens),
                                                 TokenMath::add(m.cacheWriteTokens, m.cacheReadTokens)));
    return std::max<qint64>(0, TokenMath::add(totalTokens(), -priced));
}

}
