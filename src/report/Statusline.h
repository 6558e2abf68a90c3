#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "report/StatuslineFigures.h"

namespace pacemark {

class UsageDataManager;

// Claude Code's status line: it runs a command with a JSON object about the session on standard input
// and shows the first line the command prints. The running application answers over its socket; with
// none, the logs are read through a cache on disk. Whatever the input, a line is printed.
class Statusline
{
public:
    // Reads Claude Code's input, asks the running application, else reads the logs (making a
    // QCoreApplication for that), prints the line and returns 0. Past the deadline it prints the last
    // figures read from the logs and exits 0 at once.
    static int run(int argc, char** argv);
    static constexpr std::chrono::milliseconds Deadline { 2000 };

    // The request kind on the application's socket.
    static constexpr QLatin1StringView RequestKind { "statusline" };

    // Standard input up to its end, at most `wait` long and 1 MiB; nothing from a terminal.
    static QByteArray readInput(int fd, std::chrono::milliseconds wait);

    // The socket request for Claude Code's input: its session id, else the name of its transcript.
    // Input that is not a JSON object gives a request without a session.
    static QJsonObject request(const QByteArray& input);
    static QString sessionId(const QJsonObject& request);

    // The running application's answer, or nothing when no one listens on the socket or no answer
    // came within the timeout.
    static std::optional<StatuslineFigures> askInstance(const QString& socketPath, const QJsonObject& request,
                                                        std::chrono::milliseconds timeout);

    // The application's answer to a request: the figures of its last refresh and its last quota.
    static QJsonObject answer(const UsageDataManager& usage, const std::optional<ClaudeQuota>& quota,
                              const QJsonObject& request);

    // One refresh of the logs as the application does it, starting from the cache and leaving it
    // up to date; needs an application object for its event loop. The quota is not known here.
    // The figures it found are kept beside the cache, for a later call that runs out of time.
    // It also leaves the basis for the calls after it.
    static StatuslineFigures fromLogs(const QString& sessionId, const QString& cachePath);
    // The figures from the basis the last read of the logs left, when nothing it was made of changed.
    // transcript is the session's own log as Claude Code names it, or empty.
    static std::optional<StatuslineFigures> fromBasis(const QString& sessionId, const std::string& transcript,
                                                      const QString& cachePath);
    // The line of the figures kept by the last read of the logs that wrote the cache, or a line that says
    // the logs are being read.
    static QString lastFigures(const QString& cachePath, const QString& sessionId);

private:
    static void print(const QString& text);
    static QString lastFiguresPath(const QString& cachePath);
};

}
