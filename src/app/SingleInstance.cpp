#include "app/SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

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
    struct stat status { };
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0)
        return errnoText();
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("not a folder");
    if (status.st_uid != ::geteuid())
        return QStringLiteral("owned by another user");
    if ((status.st_mode & 077) != 0)
        return QStringLiteral("open to other users, mode %1")
            .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

// Says once why the service is off; the application itself starts as usual.
bool runAlone(const QString& path, const QString& reason)
{
    const QByteArray line
        = QStringLiteral("pacemark: refusing %1 (%2); starting without the single-instance socket\n")
              .arg(path, reason)
              .toLocal8Bit();
    std::fputs(line.constData(), stderr);
    return true;
}

}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) { }

bool SingleInstance::start()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        // Without the session's runtime folder: one of our own in the shared temporary folder, closed to
        // others from the start.
        folder = QDir::tempPath() + QStringLiteral("/pacemark-runtime-%1").arg(::geteuid());
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return runAlone(folder, errnoText());
    }
    if (const QString refusal = folderRefusal(folder); !refusal.isEmpty())
        return runAlone(folder, refusal);

    const QString path = folder + QStringLiteral("/pacemark.socket");
    struct stat status { };
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

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(ActivateMessage.trimmed()))
                Q_EMIT activationRequested();
        });
    }
}
