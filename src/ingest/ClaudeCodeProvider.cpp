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

#include "ingest/ClaudePaths.h"
#include "ingest/JSONLParser.h"

namespace {

// Large enough that per-range costs vanish, small enough that two cores share one big file.
constexpr std::int64_t RangeBytes = 8 << 20;
// How much of a file before the end of the last read must be unchanged for it to count as grown.
constexpr std::int64_t AppendCheckBytes = 256;

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
        }
    };
    const std::size_t threads
        = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), jobs.size());
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.emplace_back(worker);
    worker();
}

std::string readBytes(const std::string& path, std::int64_t offset, std::int64_t count)
{
    std::string bytes(static_cast<std::size_t>(count), '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, offset + static_cast<std::int64_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}

}

ClaudeCodeProvider::ClaudeCodeProvider(std::vector<std::string> projectsPaths)
    : m_projectsPaths(std::move(projectsPaths))
{
}

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

bool ClaudeCodeProvider::onlyAppended(const std::string& path, const CacheEntry& entry, const FileStamp& stamp) const
{
    if (entry.readEnd < 0 || stamp.device != entry.stamp.device || stamp.inode != entry.stamp.inode
        || stamp.size < entry.readEnd)
        return false;
    const auto count = static_cast<std::int64_t>(entry.bytesBeforeReadEnd.size());
    return readBytes(path, entry.readEnd - count, count) == entry.bytesBeforeReadEnd;
}

RecordList ClaudeCodeProvider::fetchRecords()
{
    auto files = JSONLParser::findSessionFiles(ClaudePaths::existingDirectories(m_projectsPaths));

    struct Changed
    {
        std::size_t index;
        FileStamp stamp;
        std::int64_t readFrom;
        RecordList::BatchPtr earlier; // the records before readFrom
    };

    // Which files changed: only their attributes are read here. A log reached by a second path (a
    // link) is the same log and is read once.
    std::vector<RecordList::BatchPtr> batches(files.size());
    std::vector<Changed> changed;
    std::set<std::pair<std::uint64_t, std::uint64_t>> identities;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto stamp = FileStamp::read(files[i]);
        if (!stamp)
            continue;
        if (!identities.emplace(stamp->device, stamp->inode).second) {
            files[i].clear();
            continue;
        }
        const auto cached = m_fileCache.find(files[i]);
        if (cached == m_fileCache.end()) {
            changed.push_back({ i, *stamp, 0, nullptr });
        } else if (cached->second.stamp == *stamp) {
            batches[i] = cached->second.batch;
        } else if (onlyAppended(files[i], cached->second, *stamp)) {
            changed.push_back({ i, *stamp, cached->second.readEnd, cached->second.batch });
        } else {
            changed.push_back({ i, *stamp, 0, nullptr });
        }
    }

    std::vector<std::string> changedPaths;
    std::vector<ParseJob> jobs;
    for (std::size_t c = 0; c < changed.size(); ++c) {
        changedPaths.push_back(files[changed[c].index]);
        // The last range reads to the end, wherever the end is by then.
        for (std::int64_t begin = changed[c].readFrom;; begin += RangeBytes) {
            const bool last = begin + RangeBytes >= changed[c].stamp.size;
            jobs.push_back({ c, begin, last ? std::numeric_limits<std::int64_t>::max() : begin + RangeBytes, {}, {}, false });
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
        for (; job < jobs.size() && jobs[job].file == c; ++job) {
            records.insert(records.end(), jobs[job].records.begin(), jobs[job].records.end());
            allOpened &= jobs[job].opened;
            stoppedAt = jobs[job].stoppedAt;
        }
        // Records of earlier lines are already unique; new lines may repeat their ids.
        auto batch = std::make_shared<const RecordBatch>(JSONLParser::deduplicate(records));
        batches[file.index] = batch;
        // A file that could not be opened is tried again at the next refresh: making it readable
        // changes no part of its stamp.
        if (!allOpened) {
            m_fileCache.erase(changedPaths[c]);
            continue;
        }
        CacheEntry entry { file.stamp, std::move(batch), -1, {} };
        if (stoppedAt.atLineEnd) {
            entry.readEnd = stoppedAt.offset;
            const auto check = std::min(AppendCheckBytes, stoppedAt.offset);
            entry.bytesBeforeReadEnd = readBytes(changedPaths[c], stoppedAt.offset - check, check);
        }
        m_fileCache[changedPaths[c]] = std::move(entry);
    }
    m_lastParsedFileCount = changed.size();

    const std::unordered_set<std::string_view> present(files.begin(), files.end());
    std::erase_if(m_fileCache, [&](const auto& entry) { return !present.contains(entry.first); });

    RecordList result;
    for (auto& batch : m_copies.resolve(files, batches))
        result.append(std::move(batch));
    return result;
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
