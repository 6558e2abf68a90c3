#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One application per user session: the first instance listens on a local socket in the user's runtime
// folder; a later one asks it to show its popover and then exits. A socket or folder that another user
// could have put there is never trusted: the instance then runs without the service.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);

    // False when a running instance has been asked to activate and this process should exit; true
    // otherwise, whether this process now listens as the primary or runs without the service.
    bool start();

Q_SIGNALS:
    void activationRequested();

private:
    bool listen(const QString& path);
    void onNewConnection();

    QLocalServer* m_server = nullptr;
};
