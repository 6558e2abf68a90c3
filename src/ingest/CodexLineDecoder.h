#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "basics/Instant.h"

namespace pacemark {

// Decodes one line of a Codex CLI rollout: only what carries usage, the model, the session and the
// rate limits. A line that is not one JSON object, or has no readable time, does not decode; a member
// of the wrong type reads as absent, so one bad field costs only what depends on it.
// One decoder serves all lines of a file; it is not shared between threads.
class CodexLineDecoder
{
public:
    // Token counts as Codex writes them: cached tokens are part of input, reasoning part of output.
    struct Usage
    {
        std::int64_t input = 0;
        std::int64_t cached = 0;
        std::int64_t output = 0;
        std::int64_t reasoning = 0;
        std::int64_t total = 0;

        friend bool operator==(const Usage&, const Usage&) = default;
    };

    struct Window
    {
        double usedPercent = 0;
        int minutes = 0;
        // Unix seconds, or (older builds) seconds after the line's time.
        std::optional<std::int64_t> resetsAt;
        std::optional<std::int64_t> resetsInSeconds;
    };

    struct Credits
    {
        bool hasCredits = false;
        bool unlimited = false;
        std::optional<std::string_view> balance;
        std::optional<double> balanceNumber;
    };

    struct RateLimits
    {
        std::optional<Window> primary;
        std::optional<Window> secondary;
        std::optional<std::string_view> planType;
        std::optional<Credits> credits;
    };

    // Strings point into the decoder and stay valid until it decodes the next line.
    struct Line
    {
        enum class Type { other, sessionMeta, turnContext, tokenCount };

        Type type = Type::other;
        Instant timestamp {};
        // session_meta
        std::optional<std::string_view> sessionId;
        std::optional<std::string_view> cwd;
        // A fork or a sub-agent's rollout, which begins with a copy of its parent's history.
        bool replaysParent = false;
        // turn_context, or the token_count's info.model
        std::optional<std::string_view> model;
        // token_count
        std::optional<Usage> total;
        std::optional<Usage> last;
        std::optional<RateLimits> rateLimits;
    };

    CodexLineDecoder();
    ~CodexLineDecoder();
    CodexLineDecoder(const CodexLineDecoder&) = delete;
    CodexLineDecoder& operator=(const CodexLineDecoder&) = delete;

    std::optional<Line> decode(std::string_view line);

    // False for lines whose opening shows they carry nothing decode reads (conversation items, events
    // other than token counts), as Codex writes them; those are most of a rollout's bytes, and this
    // spares parsing them. Any other line, however written, is true.
    static bool mayCarryUsage(std::string_view line);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}
