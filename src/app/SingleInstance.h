#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One application per user session: the first instance listens on a local socket; a later one
// asks it to show its popover and then exits.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);

    // True when this process is now the primary instance. Otherwise the running primary has been
    // asked to activate and this process should exit.
    bool start();

    static QString defaultName();

Q_SIGNALS:
    void activationRequested();

private:
    bool listen();
    void onNewConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
