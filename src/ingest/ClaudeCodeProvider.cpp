#include "ingest/ClaudeCodeProvider.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>
#include <unordered_set>

#include "ingest/JSONLParser.h"

namespace {

// Large enough that per-range costs vanish, small enough that two cores share one big file.
constexpr std::int64_t RangeBytes = 8 << 20;

struct ParseJob
{
    std::size_t file; // index into the list of files to parse
    std::int64_t begin;
    std::int64_t end;
    std::vector<UsageRecord> records;
    bool unreadable = false;
};

void runJobs(const std::vector<std::string>& paths, std::vector<ParseJob>& jobs)
{
    std::atomic<std::size_t> next { 0 };
    auto worker = [&] {
        JSONLDecoder decoder;
        for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            auto& job = jobs[i];
            const int fd = ::open(paths[job.file].c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                job.unreadable = true;
                continue;
            }
            job.records = JSONLParser::parseRange(fd, job.begin, job.end, decoder);
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

}

ClaudeCodeProvider::ClaudeCodeProvider(std::string projectsPath) : m_projectsPath(std::move(projectsPath)) { }

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
    struct stat st;
    return ::stat(m_projectsPath.c_str(), &st) == 0;
}

std::vector<std::string> ClaudeCodeProvider::watchDirectories() const
{
    return { m_projectsPath };
}

RecordList ClaudeCodeProvider::fetchRecords()
{
    const auto files = JSONLParser::findSessionFiles(m_projectsPath);

    // Which files changed: only their attributes are read here.
    std::vector<RecordList::BatchPtr> batches(files.size());
    std::vector<std::size_t> changed;
    std::vector<FileStamp> changedStamps;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto stamp = FileStamp::read(files[i]);
        if (!stamp)
            continue;
        const auto cached = m_fileCache.find(files[i]);
        if (cached != m_fileCache.end() && cached->second.stamp == *stamp) {
            batches[i] = cached->second.batch;
            continue;
        }
        changed.push_back(i);
        changedStamps.push_back(*stamp);
    }

    std::vector<std::string> changedPaths;
    std::vector<ParseJob> jobs;
    for (std::size_t c = 0; c < changed.size(); ++c) {
        changedPaths.push_back(files[changed[c]]);
        // The last range reads to the end, wherever the end is by then.
        const std::int64_t size = changedStamps[c].size;
        for (std::int64_t begin = 0;; begin += RangeBytes) {
            const bool last = begin + RangeBytes >= size;
            jobs.push_back({ c, begin, last ? std::numeric_limits<std::int64_t>::max() : begin + RangeBytes, {} });
            if (last)
                break;
        }
    }
    runJobs(changedPaths, jobs);

    std::size_t job = 0;
    for (std::size_t c = 0; c < changed.size(); ++c) {
        std::vector<UsageRecord> records;
        bool unreadable = false;
        for (; job < jobs.size() && jobs[job].file == c; ++job) {
            unreadable |= jobs[job].unreadable;
            if (records.empty())
                records = std::move(jobs[job].records);
            else
                records.insert(records.end(), jobs[job].records.begin(), jobs[job].records.end());
        }
        auto batch = std::make_shared<const RecordBatch>(JSONLParser::deduplicate(records));
        batches[changed[c]] = batch;
        // A file that could not be opened is tried again at the next refresh: making it readable
        // changes no part of its stamp.
        if (unreadable)
            m_fileCache.erase(files[changed[c]]);
        else
            m_fileCache[files[changed[c]]] = CacheEntry { changedStamps[c], std::move(batch) };
    }
    m_lastParsedFileCount = changed.size();

    const std::unordered_set<std::string_view> present(files.begin(), files.end());
    std::erase_if(m_fileCache, [&](const auto& entry) { return !present.contains(entry.first); });

    RecordList result;
    for (auto& batch : batches)
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
