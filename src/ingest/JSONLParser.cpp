#include "ingest/JSONLParser.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

#include "ingest/DirectoryWalker.h"
#include "ingest/SymbolCache.h"
#include "ingest/TimestampParser.h"
#include "ingest/Xxh3.h"

namespace {

const Symbol& claudeCodeId()
{
    static const Symbol id("claude-code");
    return id;
}

// A line can only decode to type "assistant" if it holds that word, or a \u escape that could
// spell it. Everything else (user lines with large tool results, summaries, snapshots) is skipped
// without being parsed, which is where most of the bytes are.
bool mayYieldRecord(std::string_view line)
{
    return ::memmem(line.data(), line.size(), "assistant", 9) != nullptr
        || ::memmem(line.data(), line.size(), "\\u", 2) != nullptr;
}

class LineSink
{
public:
    LineSink(JSONLDecoder& decoder, std::vector<UsageRecord>& out) : m_decoder(decoder), m_out(out) { }

    // The line is followed by at least JSONLDecoder::Padding readable bytes.
    void line(const char* data, std::size_t size)
    {
        if (size > 0 && data[size - 1] == '\r')
            --size;
        const std::string_view text(data, size);
        if (text.empty() || !mayYieldRecord(text))
            return;
        const auto decoded = m_decoder.decode(text, true);
        if (!decoded)
            return;
        if (auto record = JSONLParser::toUsageRecord(*decoded, m_models, m_sessions))
            m_out.push_back(*record);
    }

private:
    JSONLDecoder& m_decoder;
    std::vector<UsageRecord>& m_out;
    SymbolCache m_models;
    SymbolCache m_sessions;
};

class ReadBuffer
{
public:
    explicit ReadBuffer(std::size_t capacity) { reserve(capacity); }

    char* data() { return m_data.get(); }
    std::size_t capacity() const { return m_capacity; }

    void grow(std::size_t used)
    {
        const std::size_t wanted = std::min(m_capacity * 2, JSONLParser::MaxLineBytes);
        auto bigger = std::unique_ptr<char[]>(new char[wanted + JSONLDecoder::Padding]);
        std::memcpy(bigger.get(), m_data.get(), used);
        m_data = std::move(bigger);
        m_capacity = wanted;
    }

private:
    void reserve(std::size_t capacity)
    {
        m_data.reset(new char[capacity + JSONLDecoder::Padding]);
        m_capacity = capacity;
    }

    std::unique_ptr<char[]> m_data;
    std::size_t m_capacity = 0;
};

}

std::vector<std::string> JSONLParser::findSessionFiles(const std::vector<std::string>& projectsPaths)
{
    return DirectoryWalker::collect(
        projectsPaths, [](std::string_view name) { return name.ends_with(".jsonl"); }, false);
}

std::vector<UsageRecord> JSONLParser::parseFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    JSONLDecoder decoder;
    auto records = parseRange(fd, 0, std::numeric_limits<std::int64_t>::max(), decoder);
    ::close(fd);
    return records;
}

std::vector<UsageRecord> JSONLParser::parseRange(int fd, std::int64_t begin, std::int64_t end,
                                                 JSONLDecoder& decoder, RangeEnd* stoppedAt)
{
    std::vector<UsageRecord> out;
    // The end is only checked after a line, so an empty range at 0 would otherwise yield the first.
    if (begin >= end) {
        if (stoppedAt)
            *stoppedAt = { begin, true };
        return out;
    }
    LineSink sink(decoder, out);
    ReadBuffer buffer(1u << 20);
    XXH3_state_t hash;
    XXH3_INITSTATE(&hash);
    XXH3_64bits_reset(&hash);
    std::size_t hashedTo = 0; // buffer bytes before this are hashed, or belong to an earlier range
    const auto hashTo = [&](std::size_t to) {
        XXH3_64bits_update(&hash, buffer.data() + hashedTo, to - hashedTo);
        hashedTo = to;
    };

    // A range that starts mid-file reads from the byte before it: everything up to the first line
    // feed from there belongs to a line of the previous range.
    std::int64_t bufferOffset = begin > 0 ? begin - 1 : 0; // file offset of buffer[0]
    std::int64_t readOffset = bufferOffset;
    bool skipping = begin > 0;
    bool discarding = false; // inside a line longer than MaxLineBytes
    bool eof = false;
    bool overlong = false; // a line was skipped for its length
    std::size_t used = 0, lineStart = 0, scanned = 0;

    for (;;) {
        char* base = buffer.data();
        if (auto* lf = static_cast<char*>(std::memchr(base + scanned, '\n', used - scanned))) {
            const std::size_t lineEnd = static_cast<std::size_t>(lf - base);
            if (!skipping && !discarding)
                sink.line(base + lineStart, lineEnd - lineStart);
            if (skipping)
                hashedTo = lineEnd + 1;
            skipping = discarding = false;
            lineStart = scanned = lineEnd + 1;
            if (bufferOffset + static_cast<std::int64_t>(lineStart) >= end) {
                hashTo(lineStart);
                if (stoppedAt)
                    *stoppedAt = { bufferOffset + static_cast<std::int64_t>(lineStart), !overlong,
                                   XXH3_64bits_digest(&hash) };
                break;
            }
            continue;
        }
        scanned = used;
        if (eof) {
            if (!skipping && !discarding && lineStart < used)
                sink.line(base + lineStart, used - lineStart);
            if (!skipping)
                hashTo(used);
            if (stoppedAt)
                *stoppedAt = { bufferOffset + static_cast<std::int64_t>(used),
                               !overlong && !discarding && lineStart == used, XXH3_64bits_digest(&hash) };
            break;
        }
        if (lineStart > 0) {
            if (!skipping)
                hashTo(lineStart);
            std::memmove(base, base + lineStart, used - lineStart);
            bufferOffset += static_cast<std::int64_t>(lineStart);
            used -= lineStart;
            scanned -= lineStart;
            lineStart = hashedTo = 0;
        }
        if (used == buffer.capacity()) {
            if (buffer.capacity() >= MaxLineBytes) {
                if (!skipping)
                    hashTo(used);
                discarding = overlong = true;
                bufferOffset += static_cast<std::int64_t>(used);
                used = scanned = hashedTo = 0;
            } else {
                buffer.grow(used);
                base = buffer.data();
            }
        }
        const ssize_t n = ::pread(fd, base + used, buffer.capacity() - used, readOffset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            eof = true;
            continue;
        }
        used += static_cast<std::size_t>(n);
        readOffset += n;
    }
    return out;
}

std::vector<UsageRecord> JSONLParser::deduplicate(const std::vector<UsageRecord>& records)
{
    std::vector<UsageRecord> out;
    out.reserve(records.size());
    // Keys view the input, which stays put while the output grows.
    std::unordered_map<std::string_view, std::size_t> positions;
    positions.reserve(records.size());
    for (const auto& record : records) {
        const auto [it, inserted] = positions.try_emplace(record.messageId.view(), out.size());
        if (inserted)
            out.push_back(record);
        else
            out[it->second] = record;
    }
    return out;
}

std::optional<UsageRecord> JSONLParser::toUsageRecord(const JSONLRecord& line)
{
    SymbolCache models, sessions;
    return toUsageRecord(line, models, sessions);
}

std::optional<UsageRecord> JSONLParser::toUsageRecord(const JSONLRecord& line, SymbolCache& models,
                                                      SymbolCache& sessions)
{
    if (line.type != "assistant" || !line.message || !line.message->id || !line.message->model
        || *line.message->model == "<synthetic>" || !line.message->usage || !line.timestamp)
        return std::nullopt;
    const auto timestamp = TimestampParser::parse(*line.timestamp);
    if (!timestamp)
        return std::nullopt;

    const auto& usage = *line.message->usage;
    UsageRecord record;
    record.messageId = MessageId(*line.message->id);
    record.model = models.get(*line.message->model);
    record.inputTokens = usage.input_tokens.value_or(0);
    record.outputTokens = usage.output_tokens.value_or(0);
    record.cacheWriteTokens = usage.cache_creation_input_tokens.value_or(0);
    record.cacheReadTokens = usage.cache_read_input_tokens.value_or(0);
    record.timestamp = *timestamp;
    record.sessionId = sessions.get(line.sessionId.value_or(std::string_view {}));
    record.providerId = claudeCodeId();
    record.requestId = UsageRecord::hashRequestId(line.requestId.value_or(std::string_view {}));
    return record;
}

std::optional<UsageRecord> JSONLParser::recordFromLine(std::string_view line, JSONLDecoder& decoder)
{
    const auto decoded = decoder.decode(line);
    return decoded ? toUsageRecord(*decoded) : std::nullopt;
}
