#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslConfiguration>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

namespace pacemark {

// A real HTTP/1.1 server on the loopback interface, plain or over TLS, that answers every request with
// the behaviour set last: a canned response, silence, a dropped connection or a trickle of bytes.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray target;
        // Names in lower case.
        QHash<QByteArray, QByteArray> headers;
    };

    struct Response
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    // Plain HTTP on 127.0.0.1.
    LocalHttpServer();
    // HTTPS on 127.0.0.1 with the certificate and key of the configuration.
    explicit LocalHttpServer(const QSslConfiguration& tls);

    // http://127.0.0.1:port, or https://localhost:port to match the test certificate.
    QUrl url() const;

    void respond(int status, QByteArray body = {}, QList<QPair<QByteArray, QByteArray>> headers = {})
    {
        m_mode = Mode::respond;
        m_response = Response { status, std::move(body), std::move(headers) };
    }
    // Reads the request and then says nothing.
    void neverAnswer() { m_mode = Mode::neverAnswer; }
    // Closes the connection as soon as the request has arrived.
    void closeWithoutAnswer() { m_mode = Mode::close; }
    // Sends the status line and headers of a large body, then one byte every interval, without end.
    void trickle(std::chrono::milliseconds interval)
    {
        m_mode = Mode::trickle;
        m_trickleInterval = interval;
    }

    const QList<Request>& requests() const { return m_requests; }

private:
    enum class Mode { respond, neverAnswer, close, trickle };

    void listen();
    void accept();
    void serve(QTcpSocket* socket);
    void handle(QTcpSocket* socket, const QByteArray& head);

    QTcpServer* m_server;
    bool m_tls;
    Mode m_mode = Mode::respond;
    Response m_response;
    std::chrono::milliseconds m_trickleInterval { 100 };
    QList<Request> m_requests;
};

}
