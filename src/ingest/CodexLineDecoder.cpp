#include "ingest/CodexLineDecoder.h"

#include <cmath>

#include <simdjson.h>

#include "basics/TimestampParser.h"

namespace pacemark {

using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

struct CodexLineDecoder::Impl
{
    simdjson::dom::parser parser;
};

namespace {

std::optional<element> member(object obj, std::string_view key, element_type wanted)
{
    element value;
    if (obj.at_key(key).get(value) != simdjson::SUCCESS || value.type() != wanted)
        return std::nullopt;
    return value;
}

std::optional<object> objectMember(object obj, std::string_view key)
{
    const auto value = member(obj, key, element_type::OBJECT);
    return value ? std::optional(value->get_object().value_unsafe()) : std::nullopt;
}

std::optional<std::string_view> stringMember(object obj, std::string_view key)
{
    const auto value = member(obj, key, element_type::STRING);
    return value ? std::optional(value->get_string().value_unsafe()) : std::nullopt;
}

std::optional<double> numberMember(object obj, std::string_view key)
{
    element value;
    if (obj.at_key(key).get(value) != simdjson::SUCCESS)
        return std::nullopt;
    switch (value.type()) {
    case element_type::INT64:
        return static_cast<double>(value.get_int64().value_unsafe());
    case element_type::UINT64:
        return static_cast<double>(value.get_uint64().value_unsafe());
    case element_type::DOUBLE:
        return std::isfinite(value.get_double().value_unsafe()) ? std::optional(value.get_double().value_unsafe())
                                                                : std::nullopt;
    default:
        return std::nullopt;
    }
}

// A whole number within the signed 64-bit range (12 or 12.0); anything else is absent.
std::optional<std::int64_t> intMember(object obj, std::string_view key)
{
    const auto d = numberMember(obj, key);
    if (!d || std::trunc(*d) != *d || *d < -9223372036854775808.0 || *d >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(*d);
}

// A count: missing is zero, negative is zero, and a count of the wrong type spoils the usage.
bool count(object obj, std::string_view key, std::int64_t& out)
{
    element value;
    if (obj.at_key(key).get(value) != simdjson::SUCCESS || value.type() == element_type::NULL_VALUE) {
        out = 0;
        return true;
    }
    const auto n = intMember(obj, key);
    if (!n)
        return false;
    out = std::max<std::int64_t>(0, *n);
    return true;
}

std::optional<CodexLineDecoder::Usage> usageMember(object obj, std::string_view key)
{
    const auto usage = objectMember(obj, key);
    if (!usage)
        return std::nullopt;
    CodexLineDecoder::Usage u;
    if (!count(*usage, "input_tokens", u.input) || !count(*usage, "cached_input_tokens", u.cached)
        || !count(*usage, "output_tokens", u.output) || !count(*usage, "reasoning_output_tokens", u.reasoning)
        || !count(*usage, "total_tokens", u.total))
        return std::nullopt;
    return u;
}

std::optional<CodexLineDecoder::Window> windowMember(object obj, std::string_view key)
{
    const auto window = objectMember(obj, key);
    if (!window)
        return std::nullopt;
    const auto used = numberMember(*window, "used_percent");
    if (!used)
        return std::nullopt;
    CodexLineDecoder::Window w;
    w.usedPercent = *used;
    const auto minutes = intMember(*window, "window_minutes");
    if (minutes && *minutes > 0 && *minutes <= 1'000'000)
        w.minutes = static_cast<int>(*minutes);
    w.resetsAt = intMember(*window, "resets_at");
    w.resetsInSeconds = intMember(*window, "resets_in_seconds");
    return w;
}

std::optional<CodexLineDecoder::RateLimits> rateLimitsMember(object payload)
{
    const auto limits = objectMember(payload, "rate_limits");
    if (!limits)
        return std::nullopt;
    CodexLineDecoder::RateLimits r;
    r.primary = windowMember(*limits, "primary");
    r.secondary = windowMember(*limits, "secondary");
    r.planType = stringMember(*limits, "plan_type");
    if (const auto credits = objectMember(*limits, "credits")) {
        CodexLineDecoder::Credits c;
        element flag;
        if (credits->at_key("has_credits").get(flag) == simdjson::SUCCESS && flag.type() == element_type::BOOL)
            c.hasCredits = flag.get_bool().value_unsafe();
        if (credits->at_key("unlimited").get(flag) == simdjson::SUCCESS && flag.type() == element_type::BOOL)
            c.unlimited = flag.get_bool().value_unsafe();
        c.balance = stringMember(*credits, "balance");
        if (!c.balance)
            c.balanceNumber = numberMember(*credits, "balance");
        r.credits = c;
    }
    if (!r.primary && !r.secondary && !r.credits)
        return std::nullopt;
    return r;
}

void readSessionMeta(object payload, CodexLineDecoder::Line& line)
{
    line.sessionId = stringMember(payload, "id");
    line.cwd = stringMember(payload, "cwd");
    line.replaysParent = stringMember(payload, "forked_from_id").has_value();
    if (const auto source = objectMember(payload, "source"))
        if (const auto subagent = objectMember(*source, "subagent"))
            line.replaysParent |= objectMember(*subagent, "thread_spawn").has_value();
}

void readTokenCount(object payload, CodexLineDecoder::Line& line)
{
    if (const auto info = objectMember(payload, "info")) {
        line.total = usageMember(*info, "total_token_usage");
        line.last = usageMember(*info, "last_token_usage");
        line.model = stringMember(*info, "model");
    }
    line.rateLimits = rateLimitsMember(payload);
}

}

CodexLineDecoder::CodexLineDecoder()
    : d(std::make_unique<Impl>())
{ }

CodexLineDecoder::~CodexLineDecoder() = default;

std::optional<CodexLineDecoder::Line> CodexLineDecoder::decode(std::string_view text)
{
    element root;
    if (d->parser.parse(text.data(), text.size(), true).get(root) != simdjson::SUCCESS
        || root.type() != element_type::OBJECT)
        return std::nullopt;
    const object top = root.get_object().value_unsafe();
    const auto stamp = stringMember(top, "timestamp");
    const auto at = stamp ? TimestampParser::parse(*stamp) : std::nullopt;
    if (!at)
        return std::nullopt;
    Line line;
    line.timestamp = *at;
    const auto type = stringMember(top, "type");
    const auto payload = objectMember(top, "payload");
    if (!type || !payload)
        return line;
    if (*type == "session_meta") {
        line.type = Line::Type::sessionMeta;
        readSessionMeta(*payload, line);
    } else if (*type == "turn_context") {
        line.type = Line::Type::turnContext;
        line.model = stringMember(*payload, "model");
    } else if (*type == "event_msg" && stringMember(*payload, "type") == "token_count") {
        line.type = Line::Type::tokenCount;
        readTokenCount(*payload, line);
    }
    return line;
}

bool CodexLineDecoder::mayCarryUsage(std::string_view line)
{
    // Codex writes {"timestamp":"…","type":"…","payload":{"type":"…", with no spaces; a timestamp
    // holds no quote, so the first "type" is the line's own.
    constexpr std::string_view Opening = R"({"timestamp":")";
    constexpr std::string_view TypeKey = R"("type":")";
    if (!line.starts_with(Opening))
        return true;
    const auto typeAt = line.substr(0, 160).find(TypeKey);
    if (typeAt == std::string_view::npos)
        return true;
    const std::string_view type = line.substr(typeAt + TypeKey.size());
    if (type.starts_with(R"(response_item")") || type.starts_with(R"(compacted")"))
        return false;
    if (!type.starts_with(R"(event_msg","payload":{"type":")"))
        return true;
    return type.substr(std::string_view(R"(event_msg","payload":{"type":")").size()).starts_with(R"(token_count")");
}

}
