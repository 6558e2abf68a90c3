#include "ingest/CodexRollout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <string_view>

#include "ingest/LineReader.h"
#include "ingest/Xxh3.h"

namespace pacemark {

namespace {

using Usage = CodexLineDecoder::Usage;

// How long after its start a fork's rollout is still copying its parent's history.
constexpr auto ReplayWindow = std::chrono::seconds(1);

bool fell(const Usage& now, const Usage& before)
{
    return now.input < before.input || now.cached < before.cached || now.output < before.output
        || now.reasoning < before.reasoning || now.total < before.total;
}

Usage rise(const Usage& now, const Usage& before)
{
    return { now.input - before.input, now.cached - before.cached, now.output - before.output,
             now.reasoning - before.reasoning, now.total - before.total };
}

std::uint64_t hashOf(std::string_view model, const std::array<std::int64_t, 10>& numbers, std::size_t count)
{
    XXH3_state_t state;
    XXH3_INITSTATE(&state);
    XXH3_64bits_reset(&state);
    XXH3_64bits_update(&state, model.data(), model.size());
    XXH3_64bits_update(&state, numbers.data(), count * sizeof(std::int64_t));
    return XXH3_64bits_digest(&state);
}

std::string_view stem(std::string_view path)
{
    path = path.substr(path.rfind('/') + 1);
    for (std::string_view suffix : { std::string_view(".zst"), std::string_view(".jsonl") })
        if (path.ends_with(suffix))
            path.remove_suffix(suffix.size());
    return path;
}

std::optional<Instant> resetTime(const CodexLineDecoder::Window& w, Instant lineTime)
{
    using namespace std::chrono;
    // Far outside any plausible window: a corrupt value rather than a time to show.
    constexpr std::int64_t MaxSeconds = 4'102'444'800; // 2100-01-01
    if (w.resetsAt && *w.resetsAt > 0 && *w.resetsAt < MaxSeconds)
        return Instant(duration_cast<milliseconds>(seconds(*w.resetsAt)));
    if (w.resetsInSeconds && *w.resetsInSeconds >= 0 && *w.resetsInSeconds < 366LL * 24 * 3600)
        return lineTime + seconds(*w.resetsInSeconds);
    return std::nullopt;
}

CodexRateLimits limitsOf(const CodexLineDecoder::RateLimits& r, Instant lineTime)
{
    CodexRateLimits limits;
    limits.observedAt = lineTime;
    for (const auto& slot : { r.primary, r.secondary })
        if (slot)
            limits.windows.push_back({ slot->minutes, slot->usedPercent, resetTime(*slot, lineTime) });
    // Unknown lengths (0) last.
    std::stable_sort(limits.windows.begin(), limits.windows.end(), [](const auto& a, const auto& b) {
        return (a.windowMinutes == 0 ? INT_MAX : a.windowMinutes) < (b.windowMinutes == 0 ? INT_MAX : b.windowMinutes);
    });
    if (r.planType)
        limits.planType = QString::fromUtf8(r.planType->data(), static_cast<qsizetype>(r.planType->size()));
    if (r.credits) {
        CodexRateLimits::Credits c;
        c.hasCredits = r.credits->hasCredits;
        c.unlimited = r.credits->unlimited;
        if (r.credits->balance)
            c.balance
                = QString::fromUtf8(r.credits->balance->data(), static_cast<qsizetype>(r.credits->balance->size()));
        else if (r.credits->balanceNumber)
            c.balance = QString::number(*r.credits->balanceNumber, 'f', 2);
        limits.credits = c;
    }
    return limits;
}

}

CodexRollout CodexRollout::read(const std::string& path, CodexLineDecoder& decoder)
{
    CodexRollout rollout;
    rollout.m_progress.session = Symbol(stem(path));
    rollout.readFrom(path, 0, decoder);
    return rollout;
}

std::optional<CodexRollout> CodexRollout::readAppended(const std::string& path, const CodexRollout& earlier,
                                                       std::uint64_t device, std::uint64_t inode,
                                                       CodexLineDecoder& decoder)
{
    if (earlier.readEnd < 0 || device != earlier.device || inode != earlier.inode
        || edgeHash(path, earlier.readEnd) != earlier.m_progress.edgeHash)
        return std::nullopt;
    CodexRollout rollout = earlier;
    rollout.readFrom(path, earlier.readEnd, decoder);
    if (!rollout.opened)
        return std::nullopt;
    return rollout;
}

std::optional<std::uint64_t> CodexRollout::edgeHash(const std::string& path, std::int64_t end)
{
    constexpr std::int64_t Edge = 4096;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    for (const auto& [from, to] : { std::pair { std::int64_t { 0 }, std::min(Edge, end) },
                                    std::pair { std::max<std::int64_t>(0, end - Edge), end } }) {
        const auto size = static_cast<std::size_t>(to - from);
        const std::size_t at = bytes.size();
        bytes.resize(at + size);
        if (::pread(fd, bytes.data() + at, size, from) != static_cast<ssize_t>(size)) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return XXH3_64bits(bytes.data(), bytes.size());
}

void CodexRollout::readFrom(const std::string& path, std::int64_t from, CodexLineDecoder& decoder)
{
    const std::size_t before = records.size();
    const auto compression = LineReader::compressionOf(path);
    const auto outcome = LineReader::read(
        path, compression, [&](std::string_view text) { take(text, decoder); }, from);
    opened = outcome.opened;
    // The session line comes first, but a record read before it still belongs to its session.
    for (std::size_t i = before; i < records.size(); ++i) {
        records[i].sessionId = m_progress.session;
        records[i].project = m_progress.project;
    }
    readEnd = -1;
    if (outcome.opened && outcome.complete && compression == LineReader::Compression::none && !outcome.partialLine)
        if (const auto hash = edgeHash(path, outcome.lineEnd)) {
            readEnd = outcome.lineEnd;
            m_progress.edgeHash = *hash;
        }
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        device = static_cast<std::uint64_t>(st.st_dev);
        inode = static_cast<std::uint64_t>(st.st_ino);
    }
}

void CodexRollout::take(std::string_view text, CodexLineDecoder& decoder)
{
    static const Symbol provider("codex");
    static const Symbol fallbackModel("codex");
    if (!CodexLineDecoder::mayCarryUsage(text))
        return;
    const auto line = decoder.decode(text);
    if (!line)
        return;
    Progress& p = m_progress;
    if (!p.start)
        p.start = line->timestamp;
    switch (line->type) {
    case CodexLineDecoder::Line::Type::sessionMeta:
        // A fork's rollout holds its parent's session line too; the first one is its own.
        if (!p.sawMeta) {
            p.sawMeta = true;
            if (line->sessionId && !line->sessionId->empty())
                p.session = Symbol(*line->sessionId);
            if (line->cwd && !line->cwd->empty())
                p.project = CompactSymbol(*line->cwd);
            p.replaysParent = line->replaysParent;
        }
        return;
    case CodexLineDecoder::Line::Type::turnContext:
        if (line->model && !line->model->empty())
            p.contextModel = std::string(*line->model);
        return;
    case CodexLineDecoder::Line::Type::other:
        return;
    case CodexLineDecoder::Line::Type::tokenCount:
        break;
    }
    if (line->rateLimits && (!rateLimits || line->timestamp >= rateLimits->observedAt))
        rateLimits = limitsOf(*line->rateLimits, line->timestamp);
    if (!line->total && !line->last)
        return;
    if (line->total && p.previousTotal && *line->total == *p.previousTotal)
        return;
    Usage turn;
    if (line->last)
        turn = *line->last;
    else if (p.previousTotal && !fell(*line->total, *p.previousTotal))
        turn = rise(*line->total, *p.previousTotal);
    else
        turn = *line->total;
    const Usage running = line->total.value_or(Usage {});
    if (line->total)
        p.previousTotal = line->total;
    if (turn.input == 0 && turn.cached == 0 && turn.output == 0 && turn.reasoning == 0)
        return;

    std::string_view model = fallbackModel.view();
    if (p.contextModel)
        model = *p.contextModel;
    else if (line->model && !line->model->empty())
        model = *line->model;
    const std::int64_t cached = std::min(turn.cached, turn.input);
    const std::int64_t ms = line->timestamp.time_since_epoch().count();
    // The time goes in only for the key; the running total only for the copy key.
    const std::array<std::int64_t, 10> keyed { turn.input, cached, turn.output, turn.reasoning, ms };
    const std::array<std::int64_t, 10> copied { turn.input,    cached,         turn.output,    turn.reasoning,
                                                running.input, running.cached, running.output, running.reasoning,
                                                running.total };
    Turn t;
    t.key = hashOf(model, keyed, 5);
    t.copyKey = hashOf(model, copied, 9);
    t.replayed = p.replaysParent && line->timestamp - *p.start <= ReplayWindow;

    UsageRecord record;
    char id[20];
    std::snprintf(id, sizeof id, "cx%016llx", static_cast<unsigned long long>(t.key));
    record.messageId = MessageId(id);
    record.model = model == fallbackModel.view() ? fallbackModel : Symbol(model);
    record.inputTokens = turn.input - cached;
    record.cacheReadTokens = cached;
    record.outputTokens = turn.output;
    record.timestamp = line->timestamp;
    record.sessionId = p.session;
    record.providerId = provider;
    record.project = p.project;
    records.push_back(record);
    turns.push_back(t);
}

}
