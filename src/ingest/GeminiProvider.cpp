#include "ingest/GeminiProvider.h"

#include <dirent.h>

#include <algorithm>
#include <unordered_set>

#include <QStringList>

#include "basics/ClaudePaths.h"
#include "ingest/DirectoryWalker.h"
#include "ingest/GeminiChat.h"

namespace pacemark {

namespace {

// The chats folder of every project under tmp/, existing or not.
std::vector<std::string> chatFolders(const std::string& home)
{
    std::vector<std::string> folders;
    const std::string tmp = home + "/tmp";
    DIR* dir = ::opendir(tmp.c_str());
    if (!dir)
        return folders;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            folders.push_back(tmp + "/" + std::string(name) + "/chats");
    }
    ::closedir(dir);
    std::sort(folders.begin(), folders.end());
    return ClaudePaths::existingDirectories(folders);
}

// The <project> of …/tmp/<project>/chats/….
std::string_view projectOf(std::string_view path)
{
    const auto chats = path.rfind("/chats/");
    if (chats == std::string_view::npos)
        return {};
    const std::string_view before = path.substr(0, chats);
    return before.substr(before.rfind('/') + 1);
}

}

GeminiProvider::GeminiProvider(std::string home)
    : m_home(std::move(home))
{ }

QString GeminiProvider::id() const
{
    return QStringLiteral("gemini");
}

QString GeminiProvider::name() const
{
    return QStringLiteral("Gemini CLI");
}

QString GeminiProvider::icon() const
{
    return QStringLiteral("\u2728");
}

bool GeminiProvider::isAvailable() const
{
    return !watchDirectories().empty();
}

// Asked anew at each poll, so a project's chats folder that appears later is watched from then on.
std::vector<std::string> GeminiProvider::watchDirectories() const
{
    return chatFolders(m_home);
}

RecordList GeminiProvider::fetchRecords()
{
    const auto accept = [](std::string_view name) { return name.ends_with(".json") || name.ends_with(".jsonl"); };
    std::vector<DirectoryWalker::File> found;
    for (const auto& folder : chatFolders(m_home))
        for (auto& file : DirectoryWalker::collect({ folder }, accept, true)) {
            // Directly in chats/ only the session files; below it, every chat of a sub-agent.
            const std::string_view rest = std::string_view(file.path).substr(folder.size() + 1);
            if (rest.find('/') != std::string_view::npos || rest.starts_with("session-"))
                found.push_back(std::move(file));
        }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.path < b.path; });

    std::vector<std::string> files;
    GeminiChat chat;
    m_lastParsedFileCount = 0;
    for (const auto& file : found) {
        files.push_back(file.path);
        const auto cached = m_cache.find(file.path);
        if (cached != m_cache.end() && cached->second.stamp == file.stamp)
            continue;
        ++m_lastParsedFileCount;
        auto result = chat.read(file.path, projectOf(file.path));
        if (!result.opened) {
            m_cache.erase(file.path);
            continue;
        }
        m_cache[file.path] = { file.stamp, std::make_shared<const RecordBatch>(std::move(result.records)) };
    }
    if (m_lastParsedFileCount == 0 && files == m_lastFiles)
        return m_lastResult;
    const std::unordered_set<std::string_view> present(files.begin(), files.end());
    std::erase_if(m_cache, [&](const auto& entry) { return !present.contains(entry.first); });

    RecordList result;
    std::unordered_set<std::string_view> ids;
    for (const auto& path : files) {
        const auto it = m_cache.find(path);
        if (it == m_cache.end())
            continue;
        const auto& batch = it->second.batch;
        std::vector<UsageRecord> kept;
        for (const auto& r : batch->records)
            if (ids.insert(r.messageId.view()).second)
                kept.push_back(r);
        if (kept.size() == batch->records.size())
            result.append(batch);
        else
            result.append(std::make_shared<const RecordBatch>(std::move(kept)));
    }
    m_lastFiles = std::move(files);
    m_lastResult = result;
    return result;
}

std::vector<DirectoryWalker::File> GeminiProvider::fileStamps() const
{
    return stampsOf(m_cache);
}

std::vector<SourceFileState> GeminiProvider::fileStates() const
{
    std::vector<SourceFileState> states;
    states.reserve(m_cache.size());
    for (const auto& [path, entry] : m_cache)
        states.push_back({ path, entry.stamp, entry.batch->records, {} });
    return states;
}

bool GeminiProvider::restoreFileStates(std::vector<SourceFileState> states)
{
    if (std::any_of(states.begin(), states.end(), [](const auto& state) { return !state.extra.empty(); }))
        return false;
    m_cache.clear();
    for (auto& state : states)
        m_cache[std::move(state.path)] = { state.stamp, std::make_shared<const RecordBatch>(std::move(state.records)) };
    m_lastFiles.clear();
    m_lastResult = {};
    return true;
}

QString GeminiProvider::displayName(const QString& model) const
{
    // "gemini-2.5-pro" → "Gemini 2.5 Pro".
    QStringList parts = model.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    for (QString& part : parts)
        if (!part.isEmpty() && part.front().isLetter())
            part.front() = part.front().toUpper();
    return parts.isEmpty() ? model : parts.join(QLatin1Char(' '));
}

}
