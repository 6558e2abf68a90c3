#include "report/Statusline.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include "basics/AppSettings.h"
#include "basics/ClaudePaths.h"
#include "basics/Clock.h"
#include "basics/Descriptor.h"
#include "basics/InstanceSocket.h"
#include "basics/OwnFile.h"
#include "basics/SystemTimeZone.h"
#include "basics/Translation.h"
#include "ingest/ProviderManager.h"
#include "report/LogCache.h"
#include "report/StatuslineBasis.h"
#include "usage/PriceTable.h"
#include "usage/UsageCalculator.h"
#include "usage/UsageDataManager.h"

namespace pacemark {

using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr qsizetype MaxInputBytes = 1 << 20;
// Claude Code waits for the line; a tray that does not answer at once is passed over.
constexpr std::chrono::milliseconds InputWait { 200 };
constexpr std::chrono::milliseconds SocketWait { 300 };
constexpr qsizetype MaxAnswerBytes = 64 * 1024;

const QString SessionIdKey = QStringLiteral("session_id");
const QString TranscriptKey = QStringLiteral("transcript_path");

int msLeft(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the descriptor until the deadline; false when it passed or polling failed.
bool waitFor(int fd, short events, SteadyClock::time_point deadline)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        const int ready = ::poll(&p, 1, msLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// The sources the application reads, as the settings switch them on.
struct Sources
{
    ProviderManager manager { ClaudePaths::projectsPaths() };
    AppSettings settings;
    std::vector<std::shared_ptr<AIUsageProvider>> enabled;

    Sources()
    {
        manager.registerOtherAgents();
        manager.useSettings(&settings);
        enabled = manager.enabledProviders();
    }
};

std::string transcriptPath(const QByteArray& input)
{
    return QJsonDocument::fromJson(input).object().value(TranscriptKey).toString().toStdString();
}

}

int Statusline::run(int argc, char** argv)
{
    const auto deadline = SteadyClock::now() + Deadline;
    const QByteArray input = readInput(STDIN_FILENO, InputWait);
    const QJsonObject request = Statusline::request(input);
    // The line is in the language of the application's settings. A translator needs the application
    // object, which the usual answer from the running application does without in Korean.
    QCoreApplication::setApplicationName(QStringLiteral("pacemark"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pacemark"));
    std::optional<QCoreApplication> app;
    if (const auto language = Translation::resolve(AppSettings().language());
        language != Translation::Language::korean) {
        app.emplace(argc, argv);
        Translation::shared().show(language);
    }
    std::optional<StatuslineFigures> figures = askInstance(InstanceSocket::path(), request, SocketWait);
    if (!figures) {
        if (!app)
            app.emplace(argc, argv);
        const QString cache = LogCache::defaultPath();
        // Claude Code waits for the line. Past the deadline the last figures read from the logs stand in,
        // and the read still under way is left: no file has been written by it yet.
        static std::atomic<bool> printed = false;
        std::thread([deadline, fallback = lastFigures(cache, sessionId(request))] {
            std::this_thread::sleep_until(deadline);
            if (!printed.exchange(true)) {
                print(fallback);
                std::_Exit(0);
            }
        }).detach();
        figures = fromBasis(sessionId(request), transcriptPath(input), cache);
        if (!figures)
            figures = fromLogs(sessionId(request), cache);
        // Past the deadline the line is the watchdog's, which ends the process.
        if (printed.exchange(true))
            for (;;)
                ::pause();
    }
    print(figures->toLine(Clock::now()));
    return 0;
}

void Statusline::print(const QString& text)
{
    const QByteArray line = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

QString Statusline::lastFigures(const QString& cachePath, const QString& sessionId)
{
    const auto saved = OwnFile::read(lastFiguresPath(cachePath), MaxAnswerBytes);
    const QJsonObject object = saved.bytes ? QJsonDocument::fromJson(*saved.bytes).object() : QJsonObject();
    std::optional<StatuslineFigures> figures = StatuslineFigures::fromJson(object);
    if (!figures)
        return QStringLiteral("\u23F3 ") + QCoreApplication::translate("Statusline", "로그를 읽는 중");
    // The session part belongs to the session the figures were read for.
    if (object.value(SessionIdKey).toString() != sessionId) {
        figures->sessionTokens.reset();
        figures->sessionCostUsd.reset();
    }
    return figures->toLine(Clock::now());
}

QString Statusline::lastFiguresPath(const QString& cachePath)
{
    return QFileInfo(cachePath).absolutePath() + QStringLiteral("/statusline.json");
}

QByteArray Statusline::readInput(int fd, std::chrono::milliseconds wait)
{
    QByteArray input;
    if (::isatty(fd))
        return input;
    const auto deadline = SteadyClock::now() + wait;
    char buffer[16384];
    while (input.size() < MaxInputBytes && waitFor(fd, POLLIN, deadline)) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            break;
        input.append(buffer, n);
    }
    return input;
}

QJsonObject Statusline::request(const QByteArray& input)
{
    QJsonObject request { { QStringLiteral("request"), QString(RequestKind) } };
    const QJsonObject object = QJsonDocument::fromJson(input).object();
    QString session = object.value(SessionIdKey).toString();
    if (session.isEmpty()) {
        const QString transcript = object.value(TranscriptKey).toString();
        if (transcript.endsWith(QLatin1String(".jsonl")))
            session = QFileInfo(transcript).completeBaseName();
    }
    if (!session.isEmpty())
        request.insert(SessionIdKey, session);
    return request;
}

QString Statusline::sessionId(const QJsonObject& request)
{
    return request.value(SessionIdKey).toString();
}

std::optional<StatuslineFigures> Statusline::askInstance(const QString& socketPath, const QJsonObject& request,
                                                         std::chrono::milliseconds timeout)
{
    const auto deadline = SteadyClock::now() + timeout;
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address {};
    struct stat status
    { };
    // Only a socket of this user's is asked: another user's could answer anything.
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path) || ::lstat(path.constData(), &status) != 0
        || !S_ISSOCK(status.st_mode) || status.st_uid != ::geteuid())
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));

    const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.get() < 0)
        return std::nullopt;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN)
            return std::nullopt;
        int failure = 0;
        socklen_t size = sizeof failure;
        if (!waitFor(socket.get(), POLLOUT, deadline)
            || ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &failure, &size) != 0 || failure != 0)
            return std::nullopt;
    }

    const QByteArray message = QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
    for (qsizetype sent = 0; sent < message.size();) {
        const ssize_t n = ::send(socket.get(), message.constData() + sent,
                                 static_cast<std::size_t>(message.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if (n < 0 && errno != EINTR && (errno != EAGAIN || !waitFor(socket.get(), POLLOUT, deadline)))
            return std::nullopt;
    }

    QByteArray answer;
    char buffer[4096];
    while (!answer.contains('\n')) {
        if (answer.size() > MaxAnswerBytes || !waitFor(socket.get(), POLLIN, deadline))
            return std::nullopt;
        const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return std::nullopt;
        if (n > 0)
            answer.append(buffer, n);
    }
    return StatuslineFigures::fromJson(QJsonDocument::fromJson(answer.left(answer.indexOf('\n'))).object());
}

QJsonObject Statusline::answer(const UsageDataManager& usage, const std::optional<ClaudeQuota>& quota,
                               const QJsonObject& request)
{
    return StatuslineFigures::of(*usage.snapshot(), sessionId(request), quota, *PriceTable::current()).toJson();
}

std::optional<StatuslineFigures> Statusline::fromBasis(const QString& sessionId, const std::string& transcript,
                                                       const QString& cachePath)
{
    const auto basis = StatuslineBasis::load(StatuslineBasis::pathBeside(cachePath));
    if (!basis)
        return std::nullopt;
    const Sources sources;
    const Instant now = Clock::now();
    return basis->figures(sessionId, transcript, now,
                          StatuslineBasis::conditions(sources.enabled, now, SystemTimeZone::current()));
}

StatuslineFigures Statusline::fromLogs(const QString& sessionId, const QString& cachePath)
{
    const Sources sources;
    const auto& providers = sources.enabled;
    const Instant sweptAt = Clock::now();
    const QTimeZone zone = SystemTimeZone::current();
    // Before the logs are listed, so that one added meanwhile changes a folder's stamp.
    std::vector<std::string> roots;
    for (const auto& provider : providers)
        for (auto& folder : provider->watchDirectories())
            roots.push_back(std::move(folder));
    auto folders = DirectoryWalker::folders(roots);

    std::size_t cachedFiles = 0;
    if (auto sections = LogCache::load(cachePath))
        cachedFiles = LogCache::restore(std::move(*sections), providers);
    UsageCalculator calculator;
    const auto prices = PriceTable::current();
    const UsageSnapshot usage = calculator.compute(UsageCalculator::read(providers), providers, sweptAt, zone, prices);
    const StatuslineFigures figures = StatuslineFigures::of(usage, sessionId, std::nullopt, *prices);

    QString error;
    const auto basis = StatuslineBasis::of(usage, *prices, providers, std::move(folders), sweptAt,
                                           StatuslineBasis::conditions(providers, sweptAt, zone));
    if (!basis.save(StatuslineBasis::pathBeside(cachePath), &error))
        std::fprintf(stderr, "pacemark: the status line's basis was not written: %s\n",
                     error.toLocal8Bit().constData());
    // The cache only when a log was read or one went away: most calls find little or nothing new.
    std::size_t read = 0, files = 0;
    for (const auto& provider : providers) {
        read += provider->lastParsedFileCount();
        files += provider->cachedFileCount();
    }
    if (read > 0 || files != cachedFiles) {
        QJsonObject last = figures.toJson();
        last.insert(SessionIdKey, sessionId);
        if (!LogCache::save(cachePath, LogCache::of(providers), &error)
            || !OwnFile::write(lastFiguresPath(cachePath), QJsonDocument(last).toJson(QJsonDocument::Compact), &error))
            std::fprintf(stderr, "pacemark: the log cache was not written: %s\n", error.toLocal8Bit().constData());
    }
    return figures;
}

}
