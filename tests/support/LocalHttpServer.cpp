#include "LocalHttpServer.h"

#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

namespace pacemark {

LocalHttpServer::LocalHttpServer()
    : m_server(new QTcpServer(this))
    , m_tls(false)
{
    listen();
}

LocalHttpServer::LocalHttpServer(const QSslConfiguration& tls)
    : m_server(new QSslServer(this))
    , m_tls(true)
{
    static_cast<QSslServer*>(m_server)->setSslConfiguration(tls);
    listen();
}

void LocalHttpServer::listen()
{
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &LocalHttpServer::accept);
    EXPECT_TRUE(m_server->listen(QHostAddress::LocalHost)) << m_server->errorString().toStdString();
}

QUrl LocalHttpServer::url() const
{
    return QUrl(
        QString::fromLatin1(m_tls ? "https://localhost:%1" : "http://127.0.0.1:%1").arg(m_server->serverPort()));
}

void LocalHttpServer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        serve(socket);
    }
}

void LocalHttpServer::serve(QTcpSocket* socket)
{
    auto* buffer = new QByteArray;
    connect(socket, &QObject::destroyed, socket, [buffer] { delete buffer; });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        *buffer += socket->readAll();
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = buffer->left(end);
        buffer->remove(0, end + 4);
        handle(socket, head);
    });
}

void LocalHttpServer::handle(QTcpSocket* socket, const QByteArray& head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request { requestLine.value(0), requestLine.value(1), {} };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    m_requests.append(request);

    switch (m_mode) {
    case Mode::neverAnswer:
        return;
    case Mode::close:
        socket->disconnectFromHost();
        return;
    case Mode::trickle: {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000\r\n\r\n{");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        timer->start(m_trickleInterval);
        return;
    }
    case Mode::respond:
        break;
    }

    // Clients ignore the reason phrase, so one serves every status.
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(m_response.status)
        + " Status\r\nContent-Length: " + QByteArray::number(m_response.body.size()) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : m_response.headers)
        answer += name + ": " + value + "\r\n";
    answer += "\r\n" + m_response.body;
    socket->write(answer);
    socket->disconnectFromHost();
}

}
