#include "usage/ModelPrice.h"

#include <algorithm>
#include <cmath>

#include <QJsonValue>

namespace pacemark {

double ModelPrice::Rate::of(std::int64_t tokens) const
{
    if (tokens <= 0)
        return 0;
    if (!above200k || tokens <= TierThreshold)
        return static_cast<double>(tokens) * base;
    return static_cast<double>(TierThreshold) * base + static_cast<double>(tokens - TierThreshold) * *above200k;
}

double ModelPrice::cost(std::int64_t inputTokens, std::int64_t outputTokens, std::int64_t cacheWriteTokens,
                        std::int64_t cacheWrite1hTokens, std::int64_t cacheReadTokens) const
{
    const std::int64_t hour
        = std::clamp<std::int64_t>(cacheWrite1hTokens, 0, std::max<std::int64_t>(cacheWriteTokens, 0));
    // Writes at one price are one kind of tokens, so the 200k tier counts them together.
    const double writes = cacheWrite1h == cacheWrite ? cacheWrite.of(cacheWriteTokens)
                                                     : cacheWrite.of(cacheWriteTokens - hour) + cacheWrite1h.of(hour);
    return input.of(inputTokens) + output.of(outputTokens) + writes + cacheRead.of(cacheReadTokens);
}

namespace {

// No model costs anywhere near a dollar a token; a price past it (1e308, say) would turn every sum it
// enters into infinity.
constexpr double MaxPricePerToken = 1.0;

// A price key: absent is fine (empty), anything but a plausible number of dollars spoils the entry.
bool readPrice(const QJsonObject& entry, const char* key, std::optional<double>& out)
{
    const QJsonValue v = entry.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return true;
    if (!v.isDouble() || !std::isfinite(v.toDouble()) || v.toDouble() < 0 || v.toDouble() > MaxPricePerToken)
        return false;
    out = v.toDouble();
    return true;
}

}

std::optional<ModelPrice> ModelPrice::fromJson(const QJsonObject& entry)
{
    std::optional<double> in, out, write, write1h, read, inTier, outTier, writeTier, write1hTier, readTier;
    const bool ok = readPrice(entry, "input_cost_per_token", in) && readPrice(entry, "output_cost_per_token", out)
        && readPrice(entry, "cache_creation_input_token_cost", write)
        && readPrice(entry, "cache_creation_input_token_cost_above_1hr", write1h)
        && readPrice(entry, "cache_read_input_token_cost", read)
        && readPrice(entry, "input_cost_per_token_above_200k_tokens", inTier)
        && readPrice(entry, "output_cost_per_token_above_200k_tokens", outTier)
        && readPrice(entry, "cache_creation_input_token_cost_above_200k_tokens", writeTier)
        && readPrice(entry, "cache_creation_input_token_cost_above_1hr_above_200k_tokens", write1hTier)
        && readPrice(entry, "cache_read_input_token_cost_above_200k_tokens", readTier);
    if (!ok || !in || !out)
        return std::nullopt;
    ModelPrice p;
    p.input = { *in, inTier };
    p.output = { *out, outTier };
    p.cacheWrite = { write.value_or(0), writeTier };
    // Lists that leave the one-hour price out still mean Anthropic's rule: twice the input price.
    p.cacheWrite1h = write1h ? Rate { *write1h, write1hTier }
                             : Rate { 2 * *in, inTier ? std::optional(2 * *inTier) : std::nullopt };
    // OpenAI's and Google's models without a cached-input price bill cached input as input.
    p.cacheRead = read ? Rate { *read, readTier } : p.input;
    return p;
}

}
