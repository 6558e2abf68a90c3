#include "ingest/GeminiChat.h"

#include <fcntl.h>

#include <cmath>
#include <cstdio>
#include <unordered_map>

#include <simdjson.h>

#include "basics/Descriptor.h"
#include "basics/TimestampParser.h"
#include "basics/TokenMath.h"
#include "ingest/LineReader.h"
#include "ingest/SymbolCache.h"
#include "ingest/Xxh3.h"

namespace pacemark {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

namespace {

// A whole chat file is parsed at once; larger ones are not read.
constexpr std::size_t MaxChatBytes = 256u << 20;

std::optional<std::string_view> stringMember(object obj, std::string_view key)
{
    element value;
    if (obj.at_key(key).get(value) != simdjson::SUCCESS || value.type() != element_type::STRING)
        return std::nullopt;
    return value.get_string().value_unsafe();
}

// Missing or null is zero; a fraction, a negative or another type spoils the message.
bool count(object obj, std::string_view key, std::int64_t& out)
{
    out = 0;
    element value;
    if (obj.at_key(key).get(value) != simdjson::SUCCESS || value.type() == element_type::NULL_VALUE)
        return true;
    double d;
    switch (value.type()) {
    case element_type::INT64:
        out = value.get_int64().value_unsafe();
        return out >= 0;
    case element_type::UINT64:
        return false;
    case element_type::DOUBLE:
        d = value.get_double().value_unsafe();
        if (std::trunc(d) != d || d < 0 || d >= 9223372036854775808.0)
            return false;
        out = static_cast<std::int64_t>(d);
        return true;
    default:
        return false;
    }
}

}

struct GeminiChat::Impl
{
    simdjson::dom::parser parser;
    SymbolCache models;
    Symbol provider { "gemini" };
    Symbol session;
    CompactSymbol project;
    std::vector<UsageRecord> records;
    std::unordered_map<std::string, std::size_t> byId;

    void reset(std::string_view fileStem, std::string_view projectName)
    {
        session = Symbol(fileStem);
        project = CompactSymbol(projectName);
        records.clear();
        byId.clear();
    }

    void message(element value)
    {
        if (value.type() != element_type::OBJECT)
            return;
        const object m = value.get_object().value_unsafe();
        const auto id = stringMember(m, "id");
        const auto type = stringMember(m, "type");
        const auto stamp = stringMember(m, "timestamp");
        element tokensValue;
        if (!id || type != "gemini" || !stamp || m.at_key("tokens").get(tokensValue) != simdjson::SUCCESS
            || tokensValue.type() != element_type::OBJECT)
            return;
        const auto at = TimestampParser::parse(*stamp);
        if (!at)
            return;
        const object tokens = tokensValue.get_object().value_unsafe();
        std::int64_t input, output, cached, thoughts, tool, total;
        if (!count(tokens, "input", input) || !count(tokens, "output", output) || !count(tokens, "cached", cached)
            || !count(tokens, "thoughts", thoughts) || !count(tokens, "tool", tool) || !count(tokens, "total", total))
            return;
        cached = std::min(cached, input);
        const auto model = stringMember(m, "model");

        UsageRecord r;
        XXH3_state_t state;
        XXH3_INITSTATE(&state);
        XXH3_64bits_reset(&state);
        XXH3_64bits_update(&state, session.view().data(), session.view().size());
        XXH3_64bits_update(&state, "/", 1);
        XXH3_64bits_update(&state, id->data(), id->size());
        char text[20];
        std::snprintf(text, sizeof text, "gm%016llx", static_cast<unsigned long long>(XXH3_64bits_digest(&state)));
        r.messageId = MessageId(text);
        r.model = models.get(model && !model->empty() ? *model : std::string_view("gemini"));
        r.inputTokens = TokenMath::add(input - cached, tool);
        r.cacheReadTokens = cached;
        r.outputTokens = TokenMath::add(output, thoughts);
        r.timestamp = *at;
        r.sessionId = session;
        r.providerId = provider;
        r.project = project;
        const auto [it, added] = byId.try_emplace(std::string(*id), records.size());
        if (added)
            records.push_back(r);
        else
            records[it->second] = r;
    }

    void messages(object holder)
    {
        element list;
        if (holder.at_key("messages").get(list) != simdjson::SUCCESS || list.type() != element_type::ARRAY)
            return;
        const array items = list.get_array().value_unsafe();
        for (element m : items)
            message(m);
    }

    // The session id a metadata line or a whole chat names; records read before it move to it.
    void sessionFrom(object holder)
    {
        const auto id = stringMember(holder, "sessionId");
        if (!id || id->empty() || session.view() == *id)
            return;
        session = Symbol(*id);
        for (auto& r : records)
            r.sessionId = session;
    }

    void line(std::string_view text)
    {
        element root;
        if (parser.parse(text.data(), text.size(), true).get(root) != simdjson::SUCCESS
            || root.type() != element_type::OBJECT)
            return;
        const object top = root.get_object().value_unsafe();
        element set;
        if (top.at_key("$set").get(set) == simdjson::SUCCESS) {
            if (set.type() == element_type::OBJECT)
                messages(set.get_object().value_unsafe());
            return;
        }
        // A rewind hides messages from the conversation, not from the bill.
        if (top.at_key("$rewindTo").get(set) == simdjson::SUCCESS)
            return;
        if (stringMember(top, "id") && stringMember(top, "type")) {
            message(root);
            return;
        }
        sessionFrom(top);
        messages(top);
    }
};

GeminiChat::GeminiChat()
    : d(std::make_unique<Impl>())
{ }

GeminiChat::~GeminiChat() = default;

void GeminiChat::readLine(std::string_view line)
{
    d->line(line);
}

GeminiChat::Result GeminiChat::read(const std::string& path, std::string_view project)
{
    std::string_view stem = std::string_view(path).substr(path.rfind('/') + 1);
    stem = stem.substr(0, stem.rfind('.'));
    d->reset(stem, project);
    Result result;
    if (path.ends_with(".jsonl")) {
        result.opened
            = LineReader::read(path, LineReader::Compression::none, [&](std::string_view l) { d->line(l); }).opened;
    } else {
        Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (fd.get() < 0)
            return result;
        result.opened = true;
        std::string content;
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || content.size() + static_cast<std::size_t>(n) > MaxChatBytes)
                break;
            content.append(buffer, static_cast<std::size_t>(n));
        }
        d->line(content);
    }
    result.records = std::move(d->records);
    d->records.clear();
    return result;
}

}
