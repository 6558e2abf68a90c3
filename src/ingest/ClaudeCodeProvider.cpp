#include "ingest/ClaudeCodeProvider.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <set>
#include <thread>
#include <unordered_set>

#include "basics/BinaryReader.h"
#include "basics/BinaryWriter.h"
#include "basics/ClaudePaths.h"
#include "ingest/JSONLParser.h"
#include "ingest/LogFileLister.h"
#include "ingest/Xxh3.h"

namespace pacemark {

namespace {

// Large enough that per-range costs vanish, small enough that two cores share one big file.
constexpr std::int64_t RangeBytes = 8 << 20;

struct ParseJob
{
    std::size_t file; // index into the list of files to parse
    std::int64_t begin;
    std::int64_t end;
    std::vector<UsageRecord> records;
    JSONLParser::RangeEnd stoppedAt;
    bool opened = false;
};

void runJobs(const std::vector<std::string>& paths, std::vector<ParseJob>& jobs)
{
    std::atomic<std::size_t> next { 0 };
    auto worker = [&] {
        JSONLDecoder decoder;
        for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            auto& job = jobs[i];
            const int fd = ::open(paths[job.file].c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0)
                continue;
            job.opened = true;
            job.records = JSONLParser::parseRange(fd, job.begin, job.end, decoder, &job.stoppedAt);
            ::close(fd);
            JSONLParser::fillProjectFromFolder(job.records, paths[job.file]);
        }
    };
    const std::size_t threads = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), jobs.size());
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.emplace_back(worker);
    worker();
}

// Hashes the pieces of a file again in one pass, and the whole of them together.
struct Rehash
{
    std::vector<std::uint64_t> pieces;
    std::uint64_t whole = 0;
};

template <typename Piece>
std::optional<Rehash> rehash(const std::string& path, const std::vector<Piece>& pieces)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    XXH3_state_t piece, whole;
    XXH3_INITSTATE(&piece);
    XXH3_INITSTATE(&whole);
    XXH3_64bits_reset(&whole);
    Rehash result;
    std::vector<char> buffer(1u << 20);
    std::int64_t offset = 0;
    for (const auto& p : pieces) {
        XXH3_64bits_reset(&piece);
        while (offset < p.end) {
            const auto want = static_cast<std::size_t>(
                std::min<std::int64_t>(p.end - offset, static_cast<std::int64_t>(buffer.size())));
            const ssize_t n = ::pread(fd, buffer.data(), want, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ::close(fd);
                return std::nullopt;
            }
            XXH3_64bits_update(&piece, buffer.data(), static_cast<std::size_t>(n));
            XXH3_64bits_update(&whole, buffer.data(), static_cast<std::size_t>(n));
            offset += n;
        }
        result.pieces.push_back(XXH3_64bits_digest(&piece));
    }
    ::close(fd);
    result.whole = XXH3_64bits_digest(&whole);
    return result;
}

}

ClaudeCodeProvider::ClaudeCodeProvider(std::vector<std::string> projectsPaths)
    : m_projectsPaths(std::move(projectsPaths))
{ }

QString ClaudeCodeProvider::id() const
{
    return QStringLiteral("claude-code");
}

QString ClaudeCodeProvider::name() const
{
    return QStringLiteral("Claude Code");
}

QString ClaudeCodeProvider::icon() const
{
    return QStringLiteral("\U0001F916");
}

bool ClaudeCodeProvider::isAvailable() const
{
    return !watchDirectories().empty();
}

// Asked anew at each poll, so a folder that appears later is watched from then on.
std::vector<std::string> ClaudeCodeProvider::watchDirectories() const
{
    return ClaudePaths::existingDirectories(m_projectsPaths);
}

// Every byte read before is checked, not only the last few: a log rewritten in place keeps its
// identity, and an edit of an early line may keep the length and the end as they were.
std::optional<ClaudeCodeProvider::ReadPiece>
ClaudeCodeProvider::onlyAppended(const std::string& path, const CacheEntry& entry, const FileStamp& stamp)
{
    if (entry.readEnd < 0 || stamp.device != entry.stamp.device || stamp.inode != entry.stamp.inode
        || stamp.size < entry.readEnd || entry.pieces.empty() || entry.pieces.back().end != entry.readEnd)
        return std::nullopt;
    for (std::size_t i = 1; i < entry.pieces.size(); ++i)
        if (entry.pieces[i].end < entry.pieces[i - 1].end)
            return std::nullopt;
    const auto again = rehash(path, entry.pieces);
    if (!again)
        return std::nullopt;
    for (std::size_t i = 0; i < entry.pieces.size(); ++i)
        if (again->pieces[i] != entry.pieces[i].hash)
            return std::nullopt;
    return ReadPiece { entry.readEnd, again->whole };
}

RecordList ClaudeCodeProvider::fetchRecords()
{
    m_listedFolders = ClaudePaths::existingDirectories(m_projectsPaths);
    m_listing = LogFileLister::list(m_listedFolders, LogFileLister::Scope::SessionLogs);
    m_listed = true;
    return readListed();
}

RecordList ClaudeCodeProvider::fetchRecordsAfter(const LogChanges& changes)
{
    if (changes.isUnknown() || !m_listed || ClaudePaths::existingDirectories(m_projectsPaths) != m_listedFolders)
        return fetchRecords();
    std::vector<DirectoryWalker::File> touched;
    std::vector<std::string> gone;
    for (const auto& path : changes.paths()) {
        const auto folder = std::find_if(m_listedFolders.begin(), m_listedFolders.end(),
                                         [&](const std::string& f) { return LogChanges::isBelow(path, f); });
        if (folder == m_listedFolders.end()) {
            if (std::any_of(m_listedFolders.begin(), m_listedFolders.end(),
                            [&](const std::string& f) { return LogChanges::isBelow(f, path); }))
                return fetchRecords();
            continue;
        }
        const std::string_view below = std::string_view(path).substr(std::min(path.size(), folder->size() + 1));
        const std::string_view name = below.substr(below.rfind('/') + 1);
        // A folder that came, went or moved takes its logs along: only a listing knows which.
        if (below.empty() || !LogFileLister::isWatched(name))
            return fetchRecords();
        if (!LogFileLister::isSessionLog(name) || below.find('/') == std::string_view::npos)
            continue;
        if (const auto stamp = FileStamp::read(path))
            touched.push_back({ path, *stamp });
        else
            gone.push_back(path);
    }
    if (touched.empty() && gone.empty()) {
        m_lastParsedFileCount = 0;
        m_lastAppendReadCount = 0;
        return m_lastResult;
    }

    // The listing is patched in place: a path's place is found by a scan, which costs less than an
    // index of every path kept up to date.
    const auto place = [&](const std::string& path) {
        return std::find_if(m_listing.begin(), m_listing.end(), [&](const auto& f) { return f.path == path; })
            - m_listing.begin();
    };
    const auto twinOf = [&](const FileStamp& stamp, std::size_t self) {
        for (std::size_t i = 0; i < m_listing.size(); ++i)
            if (i != self && m_listing[i].stamp.device == stamp.device && m_listing[i].stamp.inode == stamp.inode)
                return true;
        return false;
    };
    bool relist = false;
    for (const auto& path : gone) {
        const auto i = static_cast<std::size_t>(place(path));
        if (i == m_listing.size())
            continue;
        // The other path of a linked log counts once this one is gone: that takes a full pass.
        relist |= !m_files[i].empty() && twinOf(m_listing[i].stamp, i);
        m_listing.erase(m_listing.begin() + static_cast<std::ptrdiff_t>(i));
        m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(i));
        m_batches.erase(m_batches.begin() + static_cast<std::ptrdiff_t>(i));
        m_fileCache.erase(path);
    }
    std::vector<std::size_t> toRead;
    for (auto& file : touched) {
        auto i = static_cast<std::size_t>(place(file.path));
        if (i == m_listing.size()) {
            const bool twin = twinOf(file.stamp, i);
            m_files.push_back(twin ? std::string() : file.path);
            m_batches.push_back(nullptr);
            m_listing.push_back(std::move(file));
            if (twin)
                continue;
        } else {
            // A log replaced by another file may now share its identity with a log listed elsewhere.
            relist |= m_listing[i].stamp.device != file.stamp.device || m_listing[i].stamp.inode != file.stamp.inode;
            m_listing[i].stamp = file.stamp;
            if (m_files[i].empty())
                continue;
        }
        toRead.push_back(i);
    }
    if (relist)
        return readListed();
    readChanged(toRead);
    return resolved();
}

RecordList ClaudeCodeProvider::readListed()
{
    // A log reached by a second path (a link) is the same log and is read once.
    m_files.clear();
    m_files.reserve(m_listing.size());
    std::set<std::pair<std::uint64_t, std::uint64_t>> identities;
    std::vector<std::size_t> indices;
    indices.reserve(m_listing.size());
    for (std::size_t i = 0; i < m_listing.size(); ++i) {
        const FileStamp& stamp = m_listing[i].stamp;
        const bool first = identities.emplace(stamp.device, stamp.inode).second;
        m_files.push_back(first ? m_listing[i].path : std::string());
        if (first)
            indices.push_back(i);
    }
    m_batches.assign(m_listing.size(), nullptr);
    readChanged(indices);

    const std::unordered_set<std::string_view> present(m_files.begin(), m_files.end());
    std::erase_if(m_fileCache, [&](const auto& entry) { return !present.contains(entry.first); });
    return resolved();
}

void ClaudeCodeProvider::readChanged(const std::vector<std::size_t>& indices)
{
    struct Changed
    {
        std::size_t index;
        FileStamp stamp;
        std::int64_t readFrom;
        RecordList::BatchPtr earlier; // the records before readFrom
        std::vector<ReadPiece> pieces; // of the bytes before readFrom
    };

    // Which files changed: only their attributes are read here.
    std::vector<Changed> changed;
    for (const std::size_t i : indices) {
        const FileStamp& stamp = m_listing[i].stamp;
        const auto cached = m_fileCache.find(m_files[i]);
        if (cached == m_fileCache.end()) {
            changed.push_back({ i, stamp, 0, nullptr, {} });
        } else if (cached->second.stamp == stamp) {
            m_batches[i] = cached->second.batch;
        } else if (const auto read = onlyAppended(m_files[i], cached->second, stamp)) {
            changed.push_back({ i, stamp, read->end, cached->second.batch, { *read } });
        } else {
            changed.push_back({ i, stamp, 0, nullptr, {} });
        }
    }

    std::vector<std::string> changedPaths;
    std::vector<ParseJob> jobs;
    for (std::size_t c = 0; c < changed.size(); ++c) {
        changedPaths.push_back(m_files[changed[c].index]);
        // The last range reads to the end, wherever the end is by then.
        for (std::int64_t begin = changed[c].readFrom;; begin += RangeBytes) {
            const bool last = begin + RangeBytes >= changed[c].stamp.size;
            jobs.push_back(
                { c, begin, last ? std::numeric_limits<std::int64_t>::max() : begin + RangeBytes, {}, {}, false });
            if (last)
                break;
        }
    }
    runJobs(changedPaths, jobs);

    std::size_t job = 0;
    m_lastAppendReadCount = 0;
    for (std::size_t c = 0; c < changed.size(); ++c) {
        const auto& file = changed[c];
        std::vector<UsageRecord> records;
        if (file.earlier) {
            records = file.earlier->records;
            ++m_lastAppendReadCount;
        }
        bool allOpened = true;
        JSONLParser::RangeEnd stoppedAt;
        std::vector<ReadPiece> pieces = file.pieces;
        for (; job < jobs.size() && jobs[job].file == c; ++job) {
            records.insert(records.end(), jobs[job].records.begin(), jobs[job].records.end());
            allOpened &= jobs[job].opened;
            if (jobs[job].stoppedAt.noLine)
                continue;
            stoppedAt = jobs[job].stoppedAt;
            pieces.push_back({ stoppedAt.offset, stoppedAt.hash });
        }
        // Records of earlier lines are already unique; new lines may repeat their ids.
        auto batch = std::make_shared<const RecordBatch>(JSONLParser::deduplicate(records));
        m_batches[file.index] = batch;
        // A file that could not be opened is tried again at the next refresh: making it readable
        // changes no part of its stamp.
        if (!allOpened) {
            m_fileCache.erase(changedPaths[c]);
            continue;
        }
        CacheEntry entry { file.stamp, std::move(batch), -1, {} };
        if (stoppedAt.atLineEnd) {
            entry.readEnd = stoppedAt.offset;
            entry.pieces = std::move(pieces);
        }
        m_fileCache[changedPaths[c]] = std::move(entry);
    }
    m_lastParsedFileCount = changed.size();
}

RecordList ClaudeCodeProvider::resolved()
{
    RecordList result;
    for (auto& batch : m_copies.resolve(m_files, m_batches))
        result.append(std::move(batch));
    m_lastResult = result;
    return result;
}

std::vector<DirectoryWalker::File> ClaudeCodeProvider::fileStamps() const
{
    return stampsOf(m_fileCache);
}

std::vector<SourceFileState> ClaudeCodeProvider::fileStates() const
{
    std::vector<SourceFileState> states;
    states.reserve(m_fileCache.size());
    for (const auto& [path, entry] : m_fileCache) {
        BinaryWriter extra;
        extra.put(entry.readEnd);
        extra.put(static_cast<quint32>(entry.pieces.size()));
        for (const auto& piece : entry.pieces) {
            extra.put(piece.end);
            extra.put(piece.hash);
        }
        states.push_back({ path, entry.stamp, entry.batch ? entry.batch->records : std::vector<UsageRecord> {},
                           extra.bytes.toStdString() });
    }
    return states;
}

bool ClaudeCodeProvider::restoreFileStates(std::vector<SourceFileState> states)
{
    std::unordered_map<std::string, CacheEntry> restored;
    for (auto& state : states) {
        BinaryReader extra(state.extra);
        CacheEntry entry { state.stamp, nullptr, extra.get<std::int64_t>(), {} };
        entry.pieces.resize(extra.count(16));
        std::int64_t end = 0;
        for (auto& piece : entry.pieces) {
            piece.end = extra.get<std::int64_t>();
            piece.hash = extra.get<std::uint64_t>();
            if (piece.end < end)
                extra.fail();
            end = piece.end;
        }
        // Where no read of this file could have stopped: the cache is not one of ours.
        if (!extra.ok() || !extra.atEnd() || entry.readEnd < -1 || entry.readEnd > state.stamp.size
            || end > std::max<std::int64_t>(entry.readEnd, 0))
            return false;
        if (entry.readEnd < 0 || entry.pieces.empty() || entry.pieces.back().end != entry.readEnd) {
            entry.readEnd = -1;
            entry.pieces.clear();
        }
        entry.batch = std::make_shared<const RecordBatch>(std::move(state.records));
        restored[std::move(state.path)] = std::move(entry);
    }
    m_fileCache = std::move(restored);
    // The next read lists the folders: the states say nothing of the files that came since.
    m_listed = false;
    return true;
}

QString ClaudeCodeProvider::displayName(const QString& model) const
{
    const QString lower = model.toLower();
    if (lower.contains(QLatin1String("opus")))
        return QStringLiteral("Opus");
    if (lower.contains(QLatin1String("sonnet")))
        return QStringLiteral("Sonnet");
    if (lower.contains(QLatin1String("haiku")))
        return QStringLiteral("Haiku");
    return model;
}

}
