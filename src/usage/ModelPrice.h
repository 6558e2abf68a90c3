#pragma once

#include <cstdint>
#include <optional>

#include <QJsonObject>

namespace pacemark {

// The prices in US dollars per token of one model, as LiteLLM's price list gives them.
struct ModelPrice
{
    // LiteLLM's and ccusage's long-context tier: the tokens of one kind past this many in one request
    // cost the tier's price.
    static constexpr std::int64_t TierThreshold = 200'000;

    struct Rate
    {
        double base = 0;
        std::optional<double> above200k;

        double of(std::int64_t tokens) const;
        bool operator==(const Rate&) const = default;
    };

    Rate input;
    Rate output;
    Rate cacheWrite; // five-minute cache writes
    Rate cacheWrite1h; // one-hour cache writes
    Rate cacheRead;

    // The cost of one request. cacheWrite1hTokens is the part of cacheWriteTokens written for an hour.
    double cost(std::int64_t inputTokens, std::int64_t outputTokens, std::int64_t cacheWriteTokens,
                std::int64_t cacheWrite1hTokens, std::int64_t cacheReadTokens) const;

    // Reads one entry of the list; empty when input or output price is missing or a price is not a
    // non-negative number.
    static std::optional<ModelPrice> fromJson(const QJsonObject& entry);

    bool operator==(const ModelPrice&) const = default;
};

}
