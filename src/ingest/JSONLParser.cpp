#include "ingest/JSONLParser.h"

#include <fcntl.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

#include "basics/TimestampParser.h"
#include "ingest/SymbolCache.h"
#include "ingest/Xxh3.h"

namespace pacemark {

namespace {

const Symbol& claudeCodeId()
{
    static const Symbol id("claude-code");
    return id;
}

// Whether the six bytes at p are a \u escape of a letter of "assistant" (a, i, n, s, t).
bool isAssistantLetterEscape(const char* p)
{
    if (p[2] != '0' || p[3] != '0')
        return false;
    const char high = p[4], low = static_cast<char>(p[5] | 0x20); // hex digits in either case
    return (high == '6' && (low == '1' || low == '9' || low == 'e')) || (high == '7' && (low == '3' || low == '4'));
}

constexpr std::string_view Word = "assistant";

// Whether the line holds "assistant" or a \u escape of one of its letters at this position.
bool candidateAt(const char* data, std::size_t size, std::size_t at)
{
    const std::size_t left = size - at;
    return (left >= Word.size() && std::memcmp(data + at, Word.data(), Word.size()) == 0)
        || (left >= 6 && data[at] == '\\' && isAssistantLetterEscape(data + at));
}

#if defined(__x86_64__)
// A block of positions at once is compared with the word's first two letters and its last, and
// with a backslash followed by "u0"; only the rare candidates are looked at closely. The loads
// reach 8 + the block's width bytes past a line's last position.
static_assert(JSONLDecoder::Padding >= 32 + Word.size());

bool scanSse2(const char* data, std::size_t size)
{
    const auto load = [](const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const auto is = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    for (std::size_t at = 0; at < size; at += 16) {
        const char* p = data + at;
        const __m128i first = load(p), second = load(p + 1);
        const __m128i word = _mm_and_si128(_mm_and_si128(is(first, 'a'), is(second, 's')), is(load(p + 8), 't'));
        const __m128i escape = _mm_and_si128(_mm_and_si128(is(first, '\\'), is(second, 'u')), is(load(p + 2), '0'));
        for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(word, escape))); mask != 0;
             mask &= mask - 1) {
            const std::size_t hit = at + static_cast<std::size_t>(__builtin_ctz(mask));
            if (hit < size && candidateAt(data, size, hit))
                return true;
        }
    }
    return false;
}

// Lambdas would not take on the function's target, so the intrinsics are spelt out.
__attribute__((target("avx2"))) bool scanAvx2(const char* data, std::size_t size)
{
    const __m256i a = _mm256_set1_epi8('a'), s = _mm256_set1_epi8('s'), t = _mm256_set1_epi8('t');
    const __m256i backslash = _mm256_set1_epi8('\\'), u = _mm256_set1_epi8('u'), zero = _mm256_set1_epi8('0');
    for (std::size_t at = 0; at < size; at += 32) {
        const auto* p = reinterpret_cast<const __m256i*>(data + at);
        const __m256i first = _mm256_loadu_si256(p);
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + 1));
        const __m256i third = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + 2));
        const __m256i ninth = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + 8));
        const __m256i word = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpeq_epi8(first, a), _mm256_cmpeq_epi8(second, s)), _mm256_cmpeq_epi8(ninth, t));
        const __m256i escape
            = _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(first, backslash), _mm256_cmpeq_epi8(second, u)),
                               _mm256_cmpeq_epi8(third, zero));
        for (auto mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(word, escape))); mask != 0;
             mask &= mask - 1) {
            const std::size_t hit = at + static_cast<std::size_t>(__builtin_ctz(mask));
            if (hit < size && candidateAt(data, size, hit))
                return true;
        }
    }
    return false;
}
#endif

// A line can only be an assistant line, or a progress line relaying an assistant message, if it holds
// that word, or a \u escape of one of its letters. Everything else (user lines with large tool results, summaries,
// snapshots, terminal colours escaped as \u001b) is skipped without being parsed, which is where most of the bytes are.
// One pass over the line. The line is followed by at least JSONLDecoder::Padding readable bytes.
bool mayYieldRecord(std::string_view line)
{
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 ? scanAvx2(line.data(), line.size()) : scanSse2(line.data(), line.size());
#else
    for (std::size_t at = 0; at < line.size(); ++at)
        if ((line[at] == 'a' || line[at] == '\\') && candidateAt(line.data(), line.size(), at))
            return true;
    return false;
#endif
}

class LineSink
{
public:
    LineSink(JSONLDecoder& decoder, std::vector<UsageRecord>& out)
        : m_decoder(decoder)
        , m_out(out)
    { }

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
        if (auto record = JSONLParser::toUsageRecord(*decoded, m_models, m_sessions, m_projects))
            m_out.push_back(*record);
    }

private:
    JSONLDecoder& m_decoder;
    std::vector<UsageRecord>& m_out;
    SymbolCache m_models;
    SymbolCache m_sessions;
    CompactSymbolCache m_projects;
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

std::vector<UsageRecord> JSONLParser::parseFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    JSONLDecoder decoder;
    auto records = parseRange(fd, 0, std::numeric_limits<std::int64_t>::max(), decoder);
    ::close(fd);
    fillProjectFromFolder(records, path);
    return records;
}

std::vector<UsageRecord> JSONLParser::parseRange(int fd, std::int64_t begin, std::int64_t end, JSONLDecoder& decoder,
                                                 RangeEnd* stoppedAt)
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
                    *stoppedAt
                        = { bufferOffset + static_cast<std::int64_t>(lineStart), !overlong, XXH3_64bits_digest(&hash) };
                break;
            }
            continue;
        }
        scanned = used;
        if (skipping && !eof) {
            // Before the range's first line feed nothing is kept; a range that has none before its
            // last byte holds no line start, so a long line is scanned by its own range and by at
            // most one skipping range, never once per range it spans.
            bufferOffset += static_cast<std::int64_t>(used);
            used = scanned = hashedTo = 0;
            if (bufferOffset >= end) {
                if (stoppedAt)
                    *stoppedAt = { bufferOffset, false, 0, true };
                break;
            }
        }
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
        else if (!record.fromProgress || out[it->second].fromProgress)
            out[it->second] = record;
    }
    return out;
}

std::optional<UsageRecord> JSONLParser::toUsageRecord(const JSONLRecord& line)
{
    SymbolCache models, sessions;
    CompactSymbolCache projects;
    return toUsageRecord(line, models, sessions, projects);
}

std::optional<UsageRecord> JSONLParser::toUsageRecord(const JSONLRecord& line, SymbolCache& models,
                                                      SymbolCache& sessions, CompactSymbolCache& projects)
{
    const bool relayed = line.type == "progress" && line.relayed;
    if (!relayed && line.type != "assistant")
        return std::nullopt;
    const auto& message = relayed ? line.relayed->message : line.message;
    const auto& at = relayed && line.relayed->timestamp ? line.relayed->timestamp : line.timestamp;
    if (!message || !message->id || !message->model || *message->model == "<synthetic>" || !message->usage || !at)
        return std::nullopt;
    const auto timestamp = TimestampParser::parse(*at);
    if (!timestamp)
        return std::nullopt;

    const auto& usage = *message->usage;
    UsageRecord record;
    record.messageId = MessageId(*message->id);
    record.model = models.get(*message->model);
    record.inputTokens = usage.input_tokens.value_or(0);
    record.outputTokens = usage.output_tokens.value_or(0);
    record.cacheWriteTokens = usage.cache_creation_input_tokens.value_or(0);
    record.cacheReadTokens = usage.cache_read_input_tokens.value_or(0);
    record.timestamp = *timestamp;
    record.sessionId = sessions.get(line.sessionId.value_or(std::string_view {}));
    record.providerId = claudeCodeId();
    const auto& requestId = relayed ? line.relayed->requestId : line.requestId;
    record.requestId = UsageRecord::hashRequestId(requestId.value_or(std::string_view {}));
    const std::int64_t hour = std::clamp<std::int64_t>(usage.ephemeral_1h_input_tokens.value_or(0), 0, UINT32_MAX);
    record.cacheWrite1hTokens = static_cast<std::uint32_t>(hour);
    record.project = projects.get(line.cwd.value_or(std::string_view {}));
    record.fromProgress = relayed;
    return record;
}

namespace {

// The folder right below "projects/" (logs of subagents lie deeper in the same one), else the
// log's own folder.
std::string_view projectFolder(std::string_view logPath)
{
    constexpr std::string_view marker = "/projects/";
    if (const auto at = logPath.rfind(marker); at != std::string_view::npos) {
        const auto rest = logPath.substr(at + marker.size());
        if (const auto slash = rest.find('/'); slash != std::string_view::npos && slash > 0)
            return rest.substr(0, slash);
    }
    const auto slash = logPath.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    const auto dir = logPath.substr(0, slash);
    return dir.substr(dir.rfind('/') + 1);
}

}

void JSONLParser::fillProjectFromFolder(std::vector<UsageRecord>& records, std::string_view logPath)
{
    if (std::none_of(records.begin(), records.end(), [](const UsageRecord& r) { return r.project.empty(); }))
        return;
    const CompactSymbol project(projectFolder(logPath));
    for (auto& r : records)
        if (r.project.empty())
            r.project = project;
}

std::optional<UsageRecord> JSONLParser::recordFromLine(std::string_view line, JSONLDecoder& decoder)
{
    const auto decoded = decoder.decode(line);
    return decoded ? toUsageRecord(*decoded) : std::nullopt;
}

}
