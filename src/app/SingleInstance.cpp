#include "app/SingleInstance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

namespace {

const QByteArray ActivateMessage = QByteArrayLiteral("activate\n");
constexpr int ConnectTimeoutMs = 1000;

}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) { }

QString SingleInstance::defaultName()
{
    return QStringLiteral("pacemark-%1").arg(::getuid());
}

bool SingleInstance::start()
{
    // Ask first: listening would replace the socket of a running instance rather than fail.
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(ConnectTimeoutMs)) {
        socket.write(ActivateMessage);
        socket.waitForBytesWritten(ConnectTimeoutMs);
        socket.disconnectFromServer();
        return false;
    }
    // Nobody answers; a socket file left by an instance that did not exit cleanly goes.
    QLocalServer::removeServer(m_name);
    return listen();
}

bool SingleInstance::listen()
{
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_name)) {
        delete server;
        return false;
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
