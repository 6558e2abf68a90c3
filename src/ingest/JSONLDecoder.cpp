#include "ingest/JSONLDecoder.h"

#include <cmath>
#include <limits>

#include <simdjson.h>

namespace pacemark {

using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

struct JSONLDecoder::Impl
{
    simdjson::dom::parser parser;
};

static_assert(JSONLDecoder::Padding >= simdjson::SIMDJSON_PADDING);

namespace {

// The outcome of reading one member: absent (missing or null), present, or of the wrong type.
enum class Field { Absent, Present, WrongType };

Field member(object obj, std::string_view key, element_type wanted, element& out)
{
    if (obj.at_key(key).get(out) != simdjson::SUCCESS || out.type() == element_type::NULL_VALUE)
        return Field::Absent;
    return out.type() == wanted ? Field::Present : Field::WrongType;
}

bool readString(object obj, std::string_view key, std::optional<std::string_view>& out)
{
    element value;
    switch (member(obj, key, element_type::STRING, value)) {
    case Field::Absent:
        return true;
    case Field::WrongType:
        return false;
    case Field::Present:
        out = value.get_string().value_unsafe();
        return true;
    }
    return false;
}

// For keys whose value is only a hint: anything but a string is absent, never a type error.
void readOptionalString(object obj, std::string_view key, std::optional<std::string_view>& out)
{
    element value;
    if (obj.at_key(key).get(value) == simdjson::SUCCESS && value.type() == element_type::STRING)
        out = value.get_string().value_unsafe();
}

// Integers may be written as 12 or, by some encoders, 12.0; a fraction or a value outside the
// signed 64-bit range is a type error like a string would be.
bool readInt(object obj, std::string_view key, std::optional<std::int64_t>& out)
{
    element value;
    if (obj.at_key(key).get(value) != simdjson::SUCCESS || value.type() == element_type::NULL_VALUE)
        return true;
    switch (value.type()) {
    case element_type::INT64:
        out = value.get_int64().value_unsafe();
        return true;
    case element_type::DOUBLE: {
        const double d = value.get_double().value_unsafe();
        // 2^63 is exactly representable; everything below it with no fraction converts exactly.
        if (std::trunc(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            return false;
        out = static_cast<std::int64_t>(d);
        return true;
    }
    default:
        return false;
    }
}

// The message members; false when one has the wrong type.
bool readMessage(object message, JSONLRecord::Message& m)
{
    if (!readString(message, "id", m.id) || !readString(message, "model", m.model))
        return false;
    element usageValue;
    switch (member(message, "usage", element_type::OBJECT, usageValue)) {
    case Field::Absent:
        return true;
    case Field::WrongType:
        return false;
    case Field::Present:
        break;
    }
    const object usage = usageValue.get_object().value_unsafe();
    JSONLRecord::Usage& u = m.usage.emplace();
    if (!readInt(usage, "input_tokens", u.input_tokens) || !readInt(usage, "output_tokens", u.output_tokens)
        || !readInt(usage, "cache_creation_input_tokens", u.cache_creation_input_tokens)
        || !readInt(usage, "cache_read_input_tokens", u.cache_read_input_tokens))
        return false;
    // The split of the cache writes only refines their price: a malformed one reads as absent.
    element split;
    if (member(usage, "cache_creation", element_type::OBJECT, split) == Field::Present
        && !readInt(split.get_object().value_unsafe(), "ephemeral_1h_input_tokens", u.ephemeral_1h_input_tokens))
        u.ephemeral_1h_input_tokens.reset();
    return true;
}

// Progress lines carry many kinds of data; only an assistant message in data.message is read, and a
// relayed message that does not decode leaves the rest of the line as it is.
void readRelayed(object top, JSONLRecord& record)
{
    element data, message, type, inner;
    if (member(top, "data", element_type::OBJECT, data) != Field::Present
        || member(data.get_object().value_unsafe(), "message", element_type::OBJECT, message) != Field::Present)
        return;
    const object relayed = message.get_object().value_unsafe();
    if (member(relayed, "type", element_type::STRING, type) != Field::Present
        || type.get_string().value_unsafe() != "assistant")
        return;
    JSONLRecord::Relayed r;
    if (!readString(relayed, "timestamp", r.timestamp))
        return;
    readOptionalString(relayed, "requestId", r.requestId);
    switch (member(relayed, "message", element_type::OBJECT, inner)) {
    case Field::Absent:
        break;
    case Field::WrongType:
        return;
    case Field::Present:
        if (!readMessage(inner.get_object().value_unsafe(), r.message.emplace()))
            return;
        break;
    }
    record.relayed = r;
}

}

JSONLDecoder::JSONLDecoder()
    : d(std::make_unique<Impl>())
{ }

JSONLDecoder::~JSONLDecoder() = default;

std::optional<JSONLRecord> JSONLDecoder::decode(std::string_view line, bool paddedInput)
{
    element root;
    if (d->parser.parse(line.data(), line.size(), !paddedInput).get(root) != simdjson::SUCCESS)
        return std::nullopt;
    object top;
    if (root.get_object().get(top) != simdjson::SUCCESS)
        return std::nullopt;

    JSONLRecord record;
    if (!readString(top, "type", record.type) || !readString(top, "timestamp", record.timestamp)
        || !readString(top, "sessionId", record.sessionId))
        return std::nullopt;
    readOptionalString(top, "requestId", record.requestId);
    readOptionalString(top, "cwd", record.cwd);

    element messageValue;
    switch (member(top, "message", element_type::OBJECT, messageValue)) {
    case Field::Absent:
        break;
    case Field::WrongType:
        return std::nullopt;
    case Field::Present:
        if (!readMessage(messageValue.get_object().value_unsafe(), record.message.emplace()))
            return std::nullopt;
        break;
    }
    if (record.type == "progress")
        readRelayed(top, record);
    return record;
}

}
