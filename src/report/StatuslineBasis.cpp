#include "report/StatuslineBasis.h"

#include <algorithm>
#include <cstring>

#include <QFile>
#include <QFileInfo>

#include "basics/BinaryReader.h"
#include "basics/BinaryWriter.h"
#include "basics/LocalCalendar.h"
#include "basics/OwnFile.h"
#include "ingest/Xxh3.h"
#include "usage/PriceTable.h"
#include "usage/UsageSnapshot.h"

namespace pacemark {

namespace {

// Names the format and its version; a file of another one is passed over and replaced.
constexpr char Magic[16] = { 'P', 'A', 'C', 'E', 'M', 'A', 'R', 'K', '-', 'B', 'A', 'S', 'I', 'S', '1', '\n' };

std::int64_t msOf(Instant instant)
{
    return instant.time_since_epoch().count();
}

Instant instantOf(std::int64_t ms)
{
    return Instant(std::chrono::milliseconds(ms));
}

QString stampText(const QString& path)
{
    const auto stamp = FileStamp::read(path.toStdString());
    return stamp ? QStringLiteral("%1.%2.%3").arg(stamp->modifiedNs).arg(stamp->size).arg(stamp->inode)
                 : QStringLiteral("-");
}

void putOptional(BinaryWriter& out, const std::optional<double>& value)
{
    out.put(static_cast<quint8>(value.has_value()));
    out.put(value.value_or(0));
}

std::optional<double> getOptional(BinaryReader& in)
{
    const bool has = in.get<quint8>() != 0;
    const double value = in.get<double>();
    return has ? std::optional(value) : std::nullopt;
}

}

QString StatuslineBasis::pathBeside(const QString& cachePath)
{
    return QFileInfo(cachePath).absolutePath() + QStringLiteral("/statusline.basis");
}

QString StatuslineBasis::conditions(const std::vector<std::shared_ptr<AIUsageProvider>>& providers, Instant now,
                                    const QTimeZone& zone)
{
    QStringList parts { QString::fromLatin1(zone.id()), QString::number(msOf(LocalCalendar::startOfDay(now, zone))) };
    for (const auto& provider : providers) {
        QStringList folders;
        for (const auto& folder : provider->folders())
            folders.append(QString::fromStdString(folder));
        parts.append(provider->id() + QLatin1Char('=') + folders.join(QLatin1Char(':')));
    }
    parts.append(stampText(PriceTable::downloadedListPath()));
    parts.append(stampText(PriceTable::userOverridePath()));
    parts.append(QStringLiteral(PACEMARK_VERSION));
    return parts.join(QLatin1Char('\n'));
}

StatuslineBasis StatuslineBasis::of(const UsageSnapshot& usage, const PriceTable& prices,
                                    const std::vector<std::shared_ptr<AIUsageProvider>>& providers,
                                    std::vector<DirectoryWalker::Folder> folders, Instant sweptAt, QString conditions)
{
    StatuslineBasis basis;
    basis.m_conditions = std::move(conditions);
    basis.m_sweptAt = sweptAt;
    basis.m_folders = std::move(folders);
    const auto recentSince
        = std::chrono::duration_cast<std::chrono::nanoseconds>((sweptAt - RecentLogAge).time_since_epoch()).count();
    for (const auto& provider : providers)
        for (auto& log : provider->fileStamps())
            if (log.stamp.modifiedNs >= recentSince)
                basis.m_recentLogs.push_back(std::move(log));

    basis.m_todayTokens = usage.today.totalTokens;
    basis.m_todayCostUsd = usage.todayCostUsd();
    basis.m_lastActivity = usage.lastActivity();
    for (const auto& record : usage.todayRecords)
        if (record.timestamp >= sweptAt - std::chrono::minutes(3))
            basis.m_recentTokens.emplace_back(record.timestamp,
                                              TokenMath::add(record.inputTokens, record.outputTokens));

    struct Totals
    {
        qint64 tokens = 0;
        UsdCost cost;
        Instant last {};
    };
    std::unordered_map<Symbol, Totals> sessions;
    std::unordered_map<Symbol, const ModelPrice*> priceOf;
    usage.allRecords.forEach([&](const UsageRecord& record) {
        auto& totals = sessions[record.sessionId];
        TokenMath::accumulate(totals.tokens, record.totalTokens());
        auto [at, added] = priceOf.try_emplace(record.model, nullptr);
        if (added)
            at->second = prices.find(record.model.view());
        totals.cost.add(at->second, record);
        totals.last = std::max(totals.last, record.timestamp);
    });
    for (const auto& [id, totals] : sessions)
        if (totals.last >= sweptAt - RecentLogAge && !id.view().empty())
            basis.m_sessions[QString::fromUtf8(id.view().data(), static_cast<qsizetype>(id.view().size()))]
                = { totals.tokens, UsageSnapshot::shownCost(totals.cost, totals.tokens) };
    return basis;
}

std::optional<StatuslineBasis> StatuslineBasis::load(const QString& path)
{
    const auto file = OwnFile::read(path, MaxBytes);
    if (!file.bytes || file.bytes->size() < qsizetype(sizeof Magic + 8)
        || std::memcmp(file.bytes->constData(), Magic, sizeof Magic) != 0)
        return std::nullopt;
    const char* payload = file.bytes->constData() + sizeof Magic + 8;
    const auto payloadBytes = static_cast<std::size_t>(file.bytes->size()) - sizeof Magic - 8;
    BinaryReader in(file.bytes->constData() + sizeof Magic, payload);
    if (in.get<std::uint64_t>() != XXH3_64bits(payload, payloadBytes))
        return std::nullopt;

    in = BinaryReader(payload, payload + payloadBytes);
    StatuslineBasis basis;
    const auto text = [&in] {
        const auto view = in.text();
        return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
    };
    basis.m_conditions = text();
    basis.m_sweptAt = instantOf(in.get<std::int64_t>());
    basis.m_folders.resize(in.count(4 + 8 + 8));
    for (auto& folder : basis.m_folders) {
        folder.path = std::string(in.text());
        folder.modifiedNs = in.get<std::int64_t>();
        folder.inode = in.get<std::uint64_t>();
    }
    basis.m_recentLogs.resize(in.count(4 + 4 * 8));
    for (auto& log : basis.m_recentLogs) {
        log.path = std::string(in.text());
        log.stamp.modifiedNs = in.get<std::int64_t>();
        log.stamp.size = in.get<std::int64_t>();
        log.stamp.device = in.get<std::uint64_t>();
        log.stamp.inode = in.get<std::uint64_t>();
    }
    basis.m_todayTokens = in.get<qint64>();
    basis.m_todayCostUsd = getOptional(in);
    if (in.get<quint8>() != 0)
        basis.m_lastActivity = instantOf(in.get<std::int64_t>());
    basis.m_recentTokens.resize(in.count(16));
    for (auto& [at, tokens] : basis.m_recentTokens) {
        at = instantOf(in.get<std::int64_t>());
        tokens = in.get<qint64>();
    }
    for (auto sessions = in.count(4 + 8 + 9); sessions > 0; --sessions) {
        const QString id = text();
        Session session;
        session.tokens = in.get<qint64>();
        session.costUsd = getOptional(in);
        basis.m_sessions[id] = session;
    }
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    return basis;
}

bool StatuslineBasis::save(const QString& path, QString* error) const
{
    if (m_recentLogs.size() > MaxRecentLogs) {
        QFile::remove(path);
        return true;
    }
    BinaryWriter out;
    const QByteArray conditions = m_conditions.toUtf8();
    out.put(std::string_view(conditions.constData(), static_cast<std::size_t>(conditions.size())));
    out.put(msOf(m_sweptAt));
    out.put(static_cast<quint32>(m_folders.size()));
    for (const auto& folder : m_folders) {
        out.put(std::string_view(folder.path));
        out.put(folder.modifiedNs);
        out.put(folder.inode);
    }
    out.put(static_cast<quint32>(m_recentLogs.size()));
    for (const auto& log : m_recentLogs) {
        out.put(std::string_view(log.path));
        out.put(log.stamp.modifiedNs);
        out.put(log.stamp.size);
        out.put(log.stamp.device);
        out.put(log.stamp.inode);
    }
    out.put(m_todayTokens);
    putOptional(out, m_todayCostUsd);
    out.put(static_cast<quint8>(m_lastActivity.has_value()));
    if (m_lastActivity)
        out.put(msOf(*m_lastActivity));
    out.put(static_cast<quint32>(m_recentTokens.size()));
    for (const auto& [at, tokens] : m_recentTokens) {
        out.put(msOf(at));
        out.put(tokens);
    }
    out.put(static_cast<quint32>(m_sessions.size()));
    for (const auto& [id, session] : m_sessions) {
        const QByteArray utf8 = id.toUtf8();
        out.put(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        out.put(session.tokens);
        putOptional(out, session.costUsd);
    }

    BinaryWriter file;
    file.bytes.append(Magic, sizeof Magic);
    file.put(
        static_cast<std::uint64_t>(XXH3_64bits(out.bytes.constData(), static_cast<std::size_t>(out.bytes.size()))));
    file.bytes.append(out.bytes);
    if (file.bytes.size() > MaxBytes) {
        *error = QStringLiteral("%1: more than %2 bytes").arg(path).arg(MaxBytes);
        return false;
    }
    return OwnFile::write(path, file.bytes, error);
}

bool StatuslineBasis::unchanged(const std::string& transcript) const
{
    for (const auto& folder : m_folders)
        if (DirectoryWalker::folder(folder.path) != folder)
            return false;
    // Only a log in one of the folders read is one of ours.
    const std::string_view parent = std::string_view(transcript).substr(0, transcript.rfind('/'));
    bool transcriptSeen = std::none_of(m_folders.begin(), m_folders.end(),
                                       [&](const DirectoryWalker::Folder& folder) { return folder.path == parent; });
    for (const auto& log : m_recentLogs) {
        if (FileStamp::read(log.path) != log.stamp)
            return false;
        transcriptSeen = transcriptSeen || log.path == transcript;
    }
    // The session's log, when it was not among the recent ones: written to since the day before the
    // sweep means written to after it.
    if (!transcriptSeen)
        if (const auto stamp = FileStamp::read(transcript))
            return std::chrono::nanoseconds(stamp->modifiedNs) < (m_sweptAt - RecentLogAge).time_since_epoch();
    return true;
}

std::optional<StatuslineFigures> StatuslineBasis::figures(const QString& sessionId, const std::string& transcript,
                                                          Instant now, const QString& conditions) const
{
    if (conditions != m_conditions || now < m_sweptAt || now - m_sweptAt >= SweepInterval)
        return std::nullopt;
    std::optional<Session> session;
    if (!sessionId.isEmpty()) {
        if (const auto known = m_sessions.find(sessionId); known != m_sessions.end())
            session = known->second;
        else if (!transcript.empty() && !FileStamp::read(transcript))
            session = Session { 0, UsageSnapshot::shownCost({}, 0) }; // no log yet: nothing spent
        else
            return std::nullopt; // its records may be older than the day the basis keeps
    }
    if (!unchanged(transcript))
        return std::nullopt;

    // The rate and pace by the rule the popover uses, from the records that can still count.
    UsageSnapshot recent;
    recent.today.lastActivityDate = m_lastActivity;
    for (const auto& [at, tokens] : m_recentTokens) {
        UsageRecord record;
        record.timestamp = at;
        record.inputTokens = tokens;
        recent.todayRecords.push_back(record);
    }
    StatuslineFigures figures;
    figures.tokensPerMinute = recent.tokensPerMinute(now);
    figures.pace = paceFor(recent.activityLevel(now), figures.tokensPerMinute);
    figures.todayTokens = m_todayTokens;
    figures.todayCostUsd = m_todayCostUsd;
    if (session) {
        figures.sessionTokens = session->tokens;
        figures.sessionCostUsd = session->costUsd;
    }
    return figures;
}

}
