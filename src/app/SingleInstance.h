#pragma once

#include <functional>

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>

class QLocalSocket;
class QSocketNotifier;

namespace pacemark {

// One application per user session: the first instance listens on a local socket in the user's runtime
// folder; a later one asks it to show its popover and then exits. A socket or folder that another user
// could have put there is never trusted: the instance then runs without the service.
//
// A message is one line. "activate" (all an earlier release sends) shows the popover; a JSON object
// is a request, answered with one line of JSON by the handler of its "request" kind, or with an
// "error" member when there is none.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // False when a running instance has been asked to activate and this process should exit; true
    // otherwise, whether this process now listens as the primary or runs without the service.
    bool start();

    using RequestHandler = std::function<QJsonObject(const QJsonObject& request)>;
    // Answers the requests whose "request" member is kind.
    void setRequestHandler(const QString& kind, RequestHandler handler);

    // A longer line closes the connection unanswered.
    static constexpr qsizetype MaxLineBytes = 64 * 1024;
    // Connections past this many at once are closed at once; one that says nothing for ClientTimeoutMs
    // is closed, so that nobody can hold every place.
    static constexpr int MaxClients = 32;
    static constexpr int ClientTimeoutMs = 10'000;

Q_SIGNALS:
    void activationRequested();

private:
    bool listen(const QString& path);
    void acceptPending();
    void takeClient(int fd);
    void readLines(QLocalSocket* socket);
    QJsonObject answer(const QByteArray& line) const;

    // The socket is ours to the end: no failure to accept (out of descriptors, above all) closes it.
    int m_listener = -1;
    QSocketNotifier* m_notifier = nullptr;
    QString m_path;
    quint64 m_inode = 0;
    // Held so that, out of descriptors, one can be freed to accept and close a connection rather than
    // leave it to wake the loop again and again.
    int m_spare = -1;
    int m_clients = 0;
    int m_acceptedSinceTrim = 0;
    QHash<QString, RequestHandler> m_handlers;
};

}
