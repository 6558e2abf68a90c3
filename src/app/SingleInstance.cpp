#include "app/SingleInstance.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include "basics/InstanceSocket.h"

namespace pacemark {

namespace {

const QByteArray ActivateMessage = QByteArrayLiteral("activate\n");
constexpr int ConnectTimeoutMs = 1000;
// Accepted in one turn of the event loop at most, so that a flood of connections cannot starve the runner.
constexpr int AcceptsPerTurn = 64;
// After this many connections, memory is given back once the last one has closed.
constexpr int TrimAfterAccepts = 256;

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

SingleInstance::~SingleInstance()
{
    if (m_listener < 0)
        return;
    delete m_notifier;
    ::close(m_listener);
    ::close(m_spare);
    // Only our own socket goes: a later instance may have put its own there in the meantime.
    struct stat status
    { };
    const QByteArray path = QFile::encodeName(m_path);
    if (::lstat(path.constData(), &status) == 0 && S_ISSOCK(status.st_mode) && status.st_ino == m_inode)
        ::unlink(path.constData());
}

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
        ::unlink(QFile::encodeName(path).constData());
    } else if (errno != ENOENT) {
        return runAlone(path, errnoText());
    }
    return listen(path);
}

bool SingleInstance::listen(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address {};
    if (name.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return runAlone(path, QStringLiteral("the path is too long for a socket"));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    struct stat status
    { };
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::chmod(name.constData(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0
        || ::lstat(name.constData(), &status) != 0) {
        const QString reason = errnoText();
        if (fd >= 0)
            ::close(fd);
        return runAlone(path, reason);
    }
    m_listener = fd;
    m_path = path;
    m_inode = status.st_ino;
    m_spare = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptPending);
    return true;
}

void SingleInstance::setRequestHandler(const QString& kind, RequestHandler handler)
{
    m_handlers.insert(kind, std::move(handler));
}

void SingleInstance::acceptPending()
{
    for (int turn = 0; turn < AcceptsPerTurn; ++turn) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            takeClient(fd);
            continue;
        }
        int error = errno;
        if (error == EINTR)
            continue;
        if ((error == EMFILE || error == ENFILE) && m_spare >= 0) {
            // Out of descriptors: the spare one makes room to take the connection and close it.
            ::close(m_spare);
            const int refused = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            error = errno;
            if (refused >= 0)
                ::close(refused);
            m_spare = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (refused >= 0)
                continue;
        }
        if (error != EAGAIN && error != EWOULDBLOCK) {
            // Not even that: wait a moment rather than spin on a connection that cannot be taken.
            m_notifier->setEnabled(false);
            QTimer::singleShot(100, m_notifier, [notifier = m_notifier] { notifier->setEnabled(true); });
        }
        return;
    }
}

void SingleInstance::takeClient(int fd)
{
    if (m_clients >= MaxClients) {
        ::close(fd);
        return;
    }
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
        ::close(fd);
        delete socket;
        return;
    }
    ++m_clients;
    ++m_acceptedSinceTrim;
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLines(socket); });
    connect(socket, &QObject::destroyed, this, [this] {
        // A burst leaves the allocator holding what its sockets used; it is given back once they are gone.
        if (--m_clients == 0 && m_acceptedSinceTrim >= TrimAfterAccepts) {
            m_acceptedSinceTrim = 0;
            ::malloc_trim(0);
        }
    });
    QTimer::singleShot(ClientTimeoutMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
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

}
