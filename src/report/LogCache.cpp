#include "report/LogCache.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include <QDir>
#include <QFile>

#include "basics/BinaryReader.h"
#include "basics/BinaryWriter.h"
#include "basics/OwnFile.h"
#include "ingest/Xxh3.h"

namespace pacemark {

namespace {

constexpr char Magic[16] = { 'P', 'A', 'C', 'E', 'M', 'A', 'R', 'K', '-', 'L', 'O', 'G', 'S', '\n', '\0', '\0' };
// Magic, version, payload size, payload checksum.
constexpr qsizetype HeaderBytes = sizeof(Magic) + 4 + 8 + 8;

// Message id, four symbols, four token counts, timestamp, request id, one-hour cache writes, origin.
constexpr std::size_t MinRecordBytes = 4 + 4 * 4 + 4 * 8 + 8 + 8 + 4 + 1;

// What a log's timestamps can say: the years 0000 to 9999, a day either side for the offset.
constexpr std::int64_t EarliestMs = -62'167'219'200'000 - 86'400'000;
constexpr std::int64_t LatestMs = 253'402'300'800'000 + 86'400'000;

// A checksum only says the file is as it was written, not that a reader wrote it: what it restores
// must be something a reader could have made, or the cache is rebuilt. Each provider checks its own
// extra part as it restores it.
bool plausible(const SourceFileState& state, const std::vector<std::string>& folders)
{
    const auto inFolder = [&](const std::string& folder) {
        return state.path.size() > folder.size() + 1 && state.path.starts_with(folder)
            && state.path[folder.size()] == '/';
    };
    if (std::none_of(folders.begin(), folders.end(), inFolder) || state.stamp.size < 0)
        return false;
    return std::all_of(state.records.begin(), state.records.end(), [](const UsageRecord& record) {
        const auto ms = record.timestamp.time_since_epoch().count();
        return ms >= EarliestMs && ms <= LatestMs && !record.messageId.view().empty();
    });
}

void putTexts(BinaryWriter& out, const std::vector<std::string>& texts)
{
    out.put(static_cast<quint32>(texts.size()));
    for (const auto& text : texts)
        out.put(std::string_view(text));
}

}

QString LogCache::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/pacemark/logs.cache");
}

std::optional<LogCache::Sections> LogCache::load(const QString& path)
{
    auto file = OwnFile::read(path, MaxBytes);
    if (!file.refusal.isEmpty())
        std::fprintf(stderr, "pacemark: the log cache %s is ignored: %s\n", QFile::encodeName(path).constData(),
                     file.refusal.toLocal8Bit().constData());
    if (!file.bytes)
        return std::nullopt;
    return parse(*file.bytes);
}

std::optional<LogCache::Sections> LogCache::parse(const QByteArray& bytes)
{
    if (bytes.size() < HeaderBytes || std::memcmp(bytes.constData(), Magic, sizeof Magic) != 0)
        return std::nullopt;
    BinaryReader header(bytes.constData() + sizeof Magic, bytes.constData() + HeaderBytes);
    const auto version = header.get<quint32>();
    const auto payloadBytes = header.get<quint64>();
    const auto checksum = header.get<quint64>();
    const char* payload = bytes.constData() + HeaderBytes;
    if (version != Version || payloadBytes != static_cast<quint64>(bytes.size() - HeaderBytes)
        || XXH3_64bits(payload, payloadBytes) != checksum)
        return std::nullopt;

    BinaryReader in(payload, payload + payloadBytes);
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

    Sections sections(in.count(4 + 4 + 4));
    for (auto& section : sections) {
        section.source = std::string(in.text());
        section.folders.resize(in.count(4));
        for (auto& folder : section.folders)
            folder = std::string(in.text());
        section.files.resize(in.count(4 + 4 * 8 + 4 + 4));
        for (auto& state : section.files) {
            state.path = std::string(in.text());
            state.stamp.modifiedNs = in.get<std::int64_t>();
            state.stamp.size = in.get<std::int64_t>();
            state.stamp.device = in.get<std::uint64_t>();
            state.stamp.inode = in.get<std::uint64_t>();
            state.extra = std::string(in.text());
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
            if (!in.ok() || !plausible(state, section.folders))
                return std::nullopt;
        }
    }
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    return sections;
}

bool LogCache::save(const QString& path, const Sections& sections, QString* error)
{
    const QByteArray bytes = serialize(sections);
    if (bytes.size() > MaxBytes) {
        *error = QStringLiteral("%1: the cache would be larger than the %2 bytes a cache may have")
                     .arg(path)
                     .arg(MaxBytes);
        return false;
    }
    return OwnFile::write(path, bytes, error);
}

QByteArray LogCache::serialize(const Sections& sections)
{
    std::unordered_map<std::string_view, quint32> symbolIndex;
    BinaryWriter symbols;
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

    BinaryWriter files;
    files.put(static_cast<quint32>(sections.size()));
    for (const auto& section : sections) {
        files.put(std::string_view(section.source));
        putTexts(files, section.folders);
        files.put(static_cast<quint32>(section.files.size()));
        for (const auto& state : section.files) {
            files.put(std::string_view(state.path));
            files.put(state.stamp.modifiedNs);
            files.put(state.stamp.size);
            files.put(state.stamp.device);
            files.put(state.stamp.inode);
            files.put(std::string_view(state.extra));
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
    }

    BinaryWriter payload;
    payload.put(symbolCount);
    payload.bytes.append(symbols.bytes);
    payload.bytes.append(files.bytes);
    return framed(payload.bytes);
}

QByteArray LogCache::framed(const QByteArray& payload)
{
    BinaryWriter header;
    header.bytes.append(Magic, sizeof Magic);
    header.put(Version);
    header.put(static_cast<quint64>(payload.size()));
    header.put(static_cast<quint64>(XXH3_64bits(payload.constData(), static_cast<std::size_t>(payload.size()))));
    return header.bytes + payload;
}

LogCache::Sections LogCache::of(const Providers& providers)
{
    Sections sections;
    for (const auto& provider : providers)
        sections.push_back({ provider->id().toStdString(), provider->folders(), provider->fileStates() });
    return sections;
}

std::size_t LogCache::restore(Sections sections, const Providers& providers)
{
    std::size_t restored = 0;
    for (const auto& provider : providers) {
        const auto section = std::find_if(sections.begin(), sections.end(), [&](const Section& s) {
            return s.source == provider->id().toStdString() && s.folders == provider->folders();
        });
        if (section == sections.end())
            continue;
        const std::size_t files = section->files.size();
        if (provider->restoreFileStates(std::move(section->files)))
            restored += files;
    }
    return restored;
}

}
