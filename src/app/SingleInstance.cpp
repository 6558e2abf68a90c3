#include "app/SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>

#include "basics/InstanceSocket.h"

namespace {

const QByteArray ActivateMessage = QByteArrayLiteral("activate\n");
constexpr int ConnectTimeoutMs = 1000;

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Why the socket cannot live in the folder, or empty. Anyone else who may write there could put a socket
// of theirs in place of ours, so it must be a real folder of this user's, closed to everybody else.
QString folderRefusal(const QString& folder)
{
    struct stat status
    { };
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0)
        return errnoText();
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("not a folder");
    if (status.st_uid != ::geteuid())
        return QStringLiteral("owned by another user");
    if ((status.st_mode & 077) != 0)
        return QStringLiteral("open to other users, mode %1").arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

// Says once why the service is off; the application itself starts as usual.
bool runAlone(const QString& path, const QString& reason)
{
    const QByteArray line = QStringLiteral("pacemark: refusing %1 (%2); starting without the single-instance socket\n")
                                .arg(path, reason)
                                .toLocal8Bit();
    std::fputs(line.constData(), stderr);
    return true;
}

}

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{ }

bool SingleInstance::start()
{
    const QString folder = InstanceSocket::folder();
    if (folder != qEnvironmentVariable("XDG_RUNTIME_DIR")) {
        // Without the session's runtime folder: one of our own in the shared temporary folder, closed to
        // others from the start.
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return runAlone(folder, errnoText());
    }
    if (const QString refusal = folderRefusal(folder); !refusal.isEmpty())
        return runAlone(folder, refusal);

    const QString path = InstanceSocket::path();
    struct stat status
    { };
    if (::lstat(QFile::encodeName(path).constData(), &status) == 0) {
        if (!S_ISSOCK(status.st_mode))
            return runAlone(path, QStringLiteral("not a socket"));
        if (status.st_uid != ::geteuid())
            return runAlone(path, QStringLiteral("owned by another user"));
        // Ask first: listening would replace the socket of a running instance rather than fail.
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(ConnectTimeoutMs)) {
            socket.write(ActivateMessage);
            socket.waitForBytesWritten(ConnectTimeoutMs);
            socket.disconnectFromServer();
            return false;
        }
        // Nobody answers; a socket file left by an instance that did not exit cleanly goes.
        QLocalServer::removeServer(path);
    } else if (errno != ENOENT) {
        return runAlone(path, errnoText());
    }
    return listen(path);
}

bool SingleInstance::listen(const QString& path)
{
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        const QString reason = server->errorString();
        delete server;
        return runAlone(path, reason);
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return true;
}

void SingleInstance::setRequestHandler(const QString& kind, RequestHandler handler)
{
    m_handlers.insert(kind, std::move(handler));
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLines(socket); });
    }
}

void SingleInstance::readLines(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(MaxLineBytes + 1).trimmed();
        if (line == ActivateMessage.trimmed()) {
            Q_EMIT activationRequested();
        } else if (line.startsWith('{')) {
            socket->write(QJsonDocument(answer(line)).toJson(QJsonDocument::Compact) + '\n');
            socket->flush();
        }
    }
    if (socket->bytesAvailable() > MaxLineBytes)
        socket->abort();
}

QJsonObject SingleInstance::answer(const QByteArray& line) const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (!document.isObject())
        return { { QStringLiteral("error"), QStringLiteral("not a JSON object: %1").arg(error.errorString()) } };
    const QString kind = document.object().value(QStringLiteral("request")).toString();
    const auto handler = m_handlers.constFind(kind);
    if (handler == m_handlers.constEnd())
        return { { QStringLiteral("error"), QStringLiteral("unknown request '%1'").arg(kind) } };
    return (*handler)(document.object());
}
