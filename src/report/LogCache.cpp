#include "report/LogCache.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <unordered_map>

#include <QDir>
#include <QFile>

#include "basics/OwnFile.h"
#include "ingest/Xxh3.h"

namespace pacemark {

namespace {

constexpr char Magic[16] = { 'P', 'A', 'C', 'E', 'M', 'A', 'R', 'K', '-', 'L', 'O', 'G', 'S', '\n', '\0', '\0' };
// Magic, version, payload size, payload checksum.
constexpr qsizetype HeaderBytes = sizeof(Magic) + 4 + 8 + 8;

class Writer
{
public:
    template <typename T>
    void put(T value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void put(std::string_view text)
    {
        put(static_cast<quint32>(text.size()));
        bytes.append(text.data(), static_cast<qsizetype>(text.size()));
    }

    QByteArray bytes;
};

class Reader
{
public:
    Reader(const char* begin, const char* end)
        : m_at(begin)
        , m_end(end)
    { }

    template <typename T>
    T get()
    {
        T value {};
        if (static_cast<std::size_t>(m_end - m_at) < sizeof value) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    std::string_view text()
    {
        const auto size = get<quint32>();
        if (!m_ok || static_cast<std::size_t>(m_end - m_at) < size) {
            m_ok = false;
            return {};
        }
        const std::string_view view(m_at, size);
        m_at += size;
        return view;
    }
    // A count of items of at least itemBytes each that the rest can hold; 0 and not ok otherwise.
    quint32 count(std::size_t itemBytes)
    {
        const auto n = get<quint32>();
        if (static_cast<std::size_t>(m_end - m_at) / itemBytes < n)
            m_ok = false;
        return m_ok ? n : 0;
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_end; }
    void fail() { m_ok = false; }

private:
    const char* m_at;
    const char* m_end;
    bool m_ok = true;
};

// Message id, four symbols, four token counts, timestamp, request id, one-hour cache writes, origin.
constexpr std::size_t MinRecordBytes = 4 + 4 * 4 + 4 * 8 + 8 + 8 + 4 + 1;

// What a log's timestamps can say: the years 0000 to 9999, a day either side for the offset.
constexpr std::int64_t EarliestMs = -62'167'219'200'000 - 86'400'000;
constexpr std::int64_t LatestMs = 253'402'300'800'000 + 86'400'000;

// A checksum only says the file is as it was written, not that a reader wrote it: what it restores
// must be something the log reader could have made, or the cache is rebuilt.
bool plausible(const ClaudeCodeProvider::FileState& state, const std::vector<std::string>& folders)
{
    const auto inFolder = [&](const std::string& folder) {
        return state.path.size() > folder.size() + 1 && state.path.starts_with(folder)
            && state.path[folder.size()] == '/';
    };
    if (std::none_of(folders.begin(), folders.end(), inFolder) || state.stamp.size < 0 || state.readEnd < -1
        || state.readEnd > state.stamp.size)
        return false;
    std::int64_t end = 0;
    for (const auto& piece : state.pieces) {
        if (piece.end < end || piece.end > state.readEnd)
            return false;
        end = piece.end;
    }
    return std::all_of(state.records.begin(), state.records.end(), [](const UsageRecord& record) {
        const auto ms = record.timestamp.time_since_epoch().count();
        return ms >= EarliestMs && ms <= LatestMs && !record.messageId.view().empty();
    });
}

void putFolders(Writer& out, const std::vector<std::string>& folders)
{
    out.put(static_cast<quint32>(folders.size()));
    for (const auto& folder : folders)
        out.put(std::string_view(folder));
}

}

QString LogCache::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/pacemark/logs.cache");
}

std::optional<LogCache::States> LogCache::load(const QString& path, const std::vector<std::string>& folders)
{
    auto file = OwnFile::read(path, MaxBytes);
    if (!file.refusal.isEmpty())
        std::fprintf(stderr, "pacemark: the log cache %s is ignored: %s\n", QFile::encodeName(path).constData(),
                     file.refusal.toLocal8Bit().constData());
    if (!file.bytes)
        return std::nullopt;
    return parse(*file.bytes, folders);
}

std::optional<LogCache::States> LogCache::parse(const QByteArray& bytes, const std::vector<std::string>& folders)
{
    if (bytes.size() < HeaderBytes || std::memcmp(bytes.constData(), Magic, sizeof Magic) != 0)
        return std::nullopt;
    Reader header(bytes.constData() + sizeof Magic, bytes.constData() + HeaderBytes);
    const auto version = header.get<quint32>();
    const auto payloadBytes = header.get<quint64>();
    const auto checksum = header.get<quint64>();
    const char* payload = bytes.constData() + HeaderBytes;
    if (version != Version || payloadBytes != static_cast<quint64>(bytes.size() - HeaderBytes)
        || XXH3_64bits(payload, payloadBytes) != checksum)
        return std::nullopt;

    Reader in(payload, payload + payloadBytes);
    const auto folderCount = in.count(4);
    if (folderCount != folders.size())
        return std::nullopt;
    for (const auto& folder : folders)
        if (in.text() != folder)
            return std::nullopt;

    std::vector<Symbol> symbols(in.count(4));
    for (auto& symbol : symbols)
        symbol = Symbol(in.text());
    const auto symbol = [&](quint32 index) {
        if (index >= symbols.size()) {
            in.fail();
            return Symbol();
        }
        return symbols[index];
    };
    // Projects are interned as compact symbols, each once.
    std::vector<std::optional<CompactSymbol>> projects(symbols.size());
    const auto project = [&](quint32 index) {
        if (index >= symbols.size()) {
            in.fail();
            return CompactSymbol();
        }
        if (!projects[index])
            projects[index] = CompactSymbol(symbols[index].view());
        return *projects[index];
    };

    States states(in.count(4 + 4 * 8 + 8 + 4 + 4));
    for (auto& state : states) {
        state.path = std::string(in.text());
        state.stamp.modifiedNs = in.get<std::int64_t>();
        state.stamp.size = in.get<std::int64_t>();
        state.stamp.device = in.get<std::uint64_t>();
        state.stamp.inode = in.get<std::uint64_t>();
        state.readEnd = in.get<std::int64_t>();
        state.pieces.resize(in.count(16));
        for (auto& piece : state.pieces) {
            piece.end = in.get<std::int64_t>();
            piece.hash = in.get<std::uint64_t>();
        }
        state.records.resize(in.count(MinRecordBytes));
        for (auto& record : state.records) {
            record.messageId = MessageId(in.text());
            record.model = symbol(in.get<quint32>());
            record.sessionId = symbol(in.get<quint32>());
            record.providerId = symbol(in.get<quint32>());
            record.inputTokens = in.get<std::int64_t>();
            record.outputTokens = in.get<std::int64_t>();
            record.cacheWriteTokens = in.get<std::int64_t>();
            record.cacheReadTokens = in.get<std::int64_t>();
            record.timestamp = Instant(std::chrono::milliseconds(in.get<std::int64_t>()));
            record.requestId = in.get<std::uint64_t>();
            record.cacheWrite1hTokens = in.get<std::uint32_t>();
            record.project = project(in.get<quint32>());
            record.fromProgress = in.get<quint8>() != 0;
        }
        if (!in.ok() || !plausible(state, folders))
            return std::nullopt;
    }
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    return states;
}

bool LogCache::save(const QString& path, const std::vector<std::string>& folders, const States& states, QString* error)
{
    const QByteArray bytes = serialize(folders, states);
    if (bytes.size() > MaxBytes) {
        *error = QStringLiteral("%1: the cache would be larger than the %2 bytes a cache may have")
                     .arg(path)
                     .arg(MaxBytes);
        return false;
    }
    return OwnFile::write(path, bytes, error);
}

QByteArray LogCache::serialize(const std::vector<std::string>& folders, const States& states)
{
    std::unordered_map<std::string_view, quint32> symbolIndex;
    Writer symbols;
    quint32 symbolCount = 0;
    // Keys are views of interned text, which lives as long as the process.
    const auto index = [&](std::string_view text) {
        const auto [at, added] = symbolIndex.emplace(text, symbolCount);
        if (added) {
            symbols.put(text);
            ++symbolCount;
        }
        return at->second;
    };

    Writer files;
    files.put(static_cast<quint32>(states.size()));
    for (const auto& state : states) {
        files.put(std::string_view(state.path));
        files.put(state.stamp.modifiedNs);
        files.put(state.stamp.size);
        files.put(state.stamp.device);
        files.put(state.stamp.inode);
        files.put(state.readEnd);
        files.put(static_cast<quint32>(state.pieces.size()));
        for (const auto& piece : state.pieces) {
            files.put(piece.end);
            files.put(piece.hash);
        }
        files.put(static_cast<quint32>(state.records.size()));
        for (const auto& record : state.records) {
            files.put(record.messageId.view());
            files.put(index(record.model.view()));
            files.put(index(record.sessionId.view()));
            files.put(index(record.providerId.view()));
            files.put(record.inputTokens);
            files.put(record.outputTokens);
            files.put(record.cacheWriteTokens);
            files.put(record.cacheReadTokens);
            files.put(static_cast<std::int64_t>(record.timestamp.time_since_epoch().count()));
            files.put(record.requestId);
            files.put(record.cacheWrite1hTokens);
            files.put(index(record.project.view()));
            files.put(static_cast<quint8>(record.fromProgress));
        }
    }

    Writer payload;
    putFolders(payload, folders);
    payload.put(symbolCount);
    payload.bytes.append(symbols.bytes);
    payload.bytes.append(files.bytes);

    return framed(payload.bytes);
}

QByteArray LogCache::framed(const QByteArray& payload)
{
    Writer header;
    header.bytes.append(Magic, sizeof Magic);
    header.put(Version);
    header.put(static_cast<quint64>(payload.size()));
    header.put(static_cast<quint64>(XXH3_64bits(payload.constData(), static_cast<std::size_t>(payload.size()))));
    return header.bytes + payload;
}

}
