#pragma once

#include <QObject>

class QSocketNotifier;

namespace pacemark {

// Turns SIGINT and SIGTERM into a signal delivered on the main thread, where the stop sequence can
// run safely (nothing but a write to a pipe happens inside the signal handler itself).
class UnixSignalHandler : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalHandler(QObject* parent = nullptr);
    ~UnixSignalHandler() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

}
