#include "ingest/CodexProvider.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <unordered_set>

#include <QStringList>

#include "basics/BinaryReader.h"
#include "basics/BinaryWriter.h"
#include "basics/ClaudePaths.h"
#include "ingest/DirectoryWalker.h"

namespace pacemark {

namespace {

bool isRolloutName(std::string_view name)
{
    return name.starts_with("rollout-") && (name.ends_with(".jsonl") || name.ends_with(".jsonl.zst"));
}

std::string_view baseName(std::string_view path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string_view plainName(std::string_view name)
{
    if (name.ends_with(".zst"))
        name.remove_suffix(4);
    return name;
}

// Reads the files on both cores: most of a cold start is spent here. A rollout read before that only
// grew is read from where that read stopped.
std::size_t readAll(const std::vector<std::string>& paths, const std::vector<FileStamp>& stamps,
                    const std::vector<std::shared_ptr<const CodexRollout>>& earlier,
                    std::vector<std::shared_ptr<const CodexRollout>>& out)
{
    std::atomic<std::size_t> next { 0 }, appended { 0 };
    auto worker = [&] {
        CodexLineDecoder decoder;
        for (std::size_t i; (i = next.fetch_add(1)) < paths.size();) {
            if (earlier[i] && earlier[i]->readEnd >= 0 && stamps[i].size >= earlier[i]->readEnd)
                if (auto grown
                    = CodexRollout::readAppended(paths[i], *earlier[i], stamps[i].device, stamps[i].inode, decoder)) {
                    out[i] = std::make_shared<const CodexRollout>(std::move(*grown));
                    ++appended;
                    continue;
                }
            out[i] = std::make_shared<const CodexRollout>(CodexRollout::read(paths[i], decoder));
        }
    };
    const std::size_t threads = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), paths.size());
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.emplace_back(worker);
    worker();
    helpers.clear();
    return appended;
}

}

CodexProvider::CodexProvider(std::vector<std::string> homes)
    : m_homes(std::move(homes))
{ }

QString CodexProvider::id() const
{
    return QStringLiteral("codex");
}

QString CodexProvider::name() const
{
    return QStringLiteral("Codex CLI");
}

QString CodexProvider::icon() const
{
    return QStringLiteral("\U0001F9E9");
}

bool CodexProvider::isAvailable() const
{
    return !watchDirectories().empty();
}

// Asked anew at each poll, so a home or a sessions folder created later is watched from then on.
std::vector<std::string> CodexProvider::watchDirectories() const
{
    std::vector<std::string> folders;
    for (const auto& home : ClaudePaths::existingDirectories(m_homes)) {
        folders.push_back(home + "/sessions");
        folders.push_back(home + "/archived_sessions");
    }
    return ClaudePaths::existingDirectories(folders);
}

std::vector<std::pair<std::string, FileStamp>> CodexProvider::findRollouts() const
{
    struct Found
    {
        int rank; // sessions/ before archived_sessions/, plain before compressed
        std::string path;
        FileStamp stamp;
    };
    std::unordered_map<std::string, Found> byName;
    const auto accept = [](std::string_view name) { return isRolloutName(name); };
    for (const auto& home : ClaudePaths::existingDirectories(m_homes)) {
        for (const bool archived : { false, true }) {
            const std::string folder = home + (archived ? "/archived_sessions" : "/sessions");
            for (auto& file : DirectoryWalker::collect({ folder }, accept, true)) {
                const std::string_view name = baseName(file.path);
                const int rank = (archived ? 2 : 0) + (name.ends_with(".zst") ? 1 : 0);
                auto [it, added] = byName.try_emplace(std::string(plainName(name)));
                if (added || rank < it->second.rank)
                    it->second = { rank, std::move(file.path), file.stamp };
            }
        }
    }
    std::vector<std::pair<std::string, Found*>> ordered;
    ordered.reserve(byName.size());
    for (auto& [name, found] : byName)
        ordered.emplace_back(name, &found);
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<std::string, FileStamp>> rollouts;
    rollouts.reserve(ordered.size());
    for (auto& [name, found] : ordered)
        rollouts.emplace_back(std::move(found->path), found->stamp);
    return rollouts;
}

RecordList CodexProvider::fetchRecords()
{
    const auto found = findRollouts();
    std::vector<std::string> files;
    std::vector<std::string> changed;
    std::vector<FileStamp> changedStamps;
    std::vector<std::shared_ptr<const CodexRollout>> earlier;
    files.reserve(found.size());
    for (const auto& [path, stamp] : found) {
        files.push_back(path);
        const auto cached = m_cache.find(path);
        if (cached == m_cache.end() || !(cached->second.stamp == stamp)) {
            changed.push_back(path);
            changedStamps.push_back(stamp);
            earlier.push_back(cached == m_cache.end() ? nullptr : cached->second.rollout);
        }
    }
    m_lastParsedFileCount = changed.size();
    m_lastAppendReadCount = 0;
    if (changed.empty() && files == m_lastFiles)
        return m_lastResult;

    std::vector<std::shared_ptr<const CodexRollout>> read(changed.size());
    m_lastAppendReadCount = readAll(changed, changedStamps, earlier, read);
    for (std::size_t i = 0; i < changed.size(); ++i) {
        // A file that could not be opened is tried again at the next refresh.
        if (!read[i]->opened) {
            m_cache.erase(changed[i]);
            continue;
        }
        m_cache[changed[i]] = { changedStamps[i], read[i], std::make_shared<const RecordBatch>(read[i]->records) };
    }
    const std::unordered_set<std::string_view> present(files.begin(), files.end());
    std::erase_if(m_cache, [&](const auto& entry) { return !present.contains(entry.first); });

    // A turn counts once: first the rollouts' own turns, by time, model and counts; then the turns a
    // fork copied as it started, against every turn of any rollout by model, counts and running total.
    std::unordered_set<std::uint64_t> keys, copyKeys;
    std::vector<const CacheEntry*> entries;
    for (const auto& path : files) {
        const auto it = m_cache.find(path);
        entries.push_back(it == m_cache.end() ? nullptr : &it->second);
    }
    std::vector<std::vector<bool>> keep(entries.size());
    for (std::size_t f = 0; f < entries.size(); ++f) {
        if (!entries[f])
            continue;
        const auto& turns = entries[f]->rollout->turns;
        keep[f].assign(turns.size(), false);
        for (std::size_t i = 0; i < turns.size(); ++i)
            if (!turns[i].replayed && keys.insert(turns[i].key).second) {
                keep[f][i] = true;
                copyKeys.insert(turns[i].copyKey);
            }
    }
    for (std::size_t f = 0; f < entries.size(); ++f) {
        if (!entries[f])
            continue;
        const auto& turns = entries[f]->rollout->turns;
        for (std::size_t i = 0; i < turns.size(); ++i)
            if (turns[i].replayed && !copyKeys.contains(turns[i].copyKey) && keys.insert(turns[i].key).second) {
                keep[f][i] = true;
                copyKeys.insert(turns[i].copyKey);
            }
    }

    RecordList result;
    std::optional<CodexRateLimits> newest;
    for (std::size_t f = 0; f < entries.size(); ++f) {
        if (!entries[f])
            continue;
        const auto& rollout = *entries[f]->rollout;
        if (rollout.rateLimits && (!newest || rollout.rateLimits->observedAt > newest->observedAt))
            newest = rollout.rateLimits;
        if (std::all_of(keep[f].begin(), keep[f].end(), [](bool k) { return k; })) {
            result.append(entries[f]->batch);
            continue;
        }
        std::vector<UsageRecord> kept;
        for (std::size_t i = 0; i < rollout.records.size(); ++i)
            if (keep[f][i])
                kept.push_back(rollout.records[i]);
        result.append(std::make_shared<const RecordBatch>(std::move(kept)));
    }
    {
        const std::lock_guard lock(m_limitsMutex);
        m_rateLimits = newest;
    }
    m_lastFiles = std::move(files);
    m_lastResult = result;
    return result;
}

std::vector<DirectoryWalker::File> CodexProvider::fileStamps() const
{
    return stampsOf(m_cache);
}

std::vector<SourceFileState> CodexProvider::fileStates() const
{
    std::vector<SourceFileState> states;
    states.reserve(m_cache.size());
    for (const auto& [path, entry] : m_cache) {
        const CodexRollout& rollout = *entry.rollout;
        BinaryWriter extra;
        for (const auto& turn : rollout.turns) {
            extra.put(turn.key);
            extra.put(turn.copyKey);
            extra.put(static_cast<quint8>(turn.replayed));
        }
        extra.put(static_cast<quint8>(rollout.rateLimits.has_value()));
        if (const auto& limits = rollout.rateLimits) {
            extra.put(static_cast<quint32>(limits->windows.size()));
            for (const auto& window : limits->windows) {
                extra.put(static_cast<qint32>(window.windowMinutes));
                extra.put(window.usedPercent);
                extra.put(static_cast<quint8>(window.resetsAt.has_value()));
                extra.put(static_cast<std::int64_t>(window.resetsAt.value_or(Instant {}).time_since_epoch().count()));
            }
            extra.put(std::string_view(limits->planType.toStdString()));
            extra.put(static_cast<quint8>(limits->credits.has_value()));
            const auto credits = limits->credits.value_or(CodexRateLimits::Credits {});
            extra.put(static_cast<quint8>(credits.hasCredits));
            extra.put(static_cast<quint8>(credits.unlimited));
            extra.put(std::string_view(credits.balance.toStdString()));
            extra.put(static_cast<std::int64_t>(limits->observedAt.time_since_epoch().count()));
        }
        states.push_back({ path, entry.stamp, rollout.records, extra.bytes.toStdString() });
    }
    return states;
}

bool CodexProvider::restoreFileStates(std::vector<SourceFileState> states)
{
    std::unordered_map<std::string, CacheEntry> restored;
    const auto instant = [](std::int64_t ms) { return Instant(std::chrono::milliseconds(ms)); };
    for (auto& state : states) {
        CodexRollout rollout;
        BinaryReader extra(state.extra);
        rollout.turns.resize(state.records.size());
        for (auto& turn : rollout.turns) {
            turn.key = extra.get<std::uint64_t>();
            turn.copyKey = extra.get<std::uint64_t>();
            turn.replayed = extra.get<quint8>() != 0;
        }
        if (extra.get<quint8>() != 0) {
            CodexRateLimits limits;
            limits.windows.resize(extra.count(4 + 8 + 1 + 8));
            for (auto& window : limits.windows) {
                window.windowMinutes = extra.get<qint32>();
                window.usedPercent = extra.get<double>();
                const bool resets = extra.get<quint8>() != 0;
                const auto at = extra.get<std::int64_t>();
                if (resets)
                    window.resetsAt = instant(at);
            }
            limits.planType = QString::fromStdString(std::string(extra.text()));
            const bool hasCredits = extra.get<quint8>() != 0;
            CodexRateLimits::Credits credits;
            credits.hasCredits = extra.get<quint8>() != 0;
            credits.unlimited = extra.get<quint8>() != 0;
            credits.balance = QString::fromStdString(std::string(extra.text()));
            if (hasCredits)
                limits.credits = credits;
            limits.observedAt = instant(extra.get<std::int64_t>());
            rollout.rateLimits = std::move(limits);
        }
        if (!extra.ok() || !extra.atEnd())
            return false;
        rollout.records = std::move(state.records);
        rollout.opened = true;
        rollout.device = state.stamp.device;
        rollout.inode = state.stamp.inode;
        auto shared = std::make_shared<const CodexRollout>(std::move(rollout));
        auto batch = std::make_shared<const RecordBatch>(shared->records);
        restored[std::move(state.path)] = { state.stamp, std::move(shared), std::move(batch) };
    }
    m_cache = std::move(restored);
    m_lastFiles.clear();
    m_lastResult = {};
    return true;
}

std::optional<CodexRateLimits> CodexProvider::rateLimits() const
{
    const std::lock_guard lock(m_limitsMutex);
    return m_rateLimits;
}

QString CodexProvider::displayName(const QString& model) const
{
    // "gpt-5.1-codex-max" → "GPT-5.1-Codex-Max"; a model Codex did not name stays "codex".
    if (model == QLatin1String("codex"))
        return QStringLiteral("Codex");
    QStringList parts = model.split(QLatin1Char('-'));
    for (QString& part : parts) {
        if (part.compare(QLatin1String("gpt"), Qt::CaseInsensitive) == 0)
            part = QStringLiteral("GPT");
        else if (!part.isEmpty() && part.front().isLetter())
            part.front() = part.front().toUpper();
    }
    return parts.join(QLatin1Char('-'));
}

}
