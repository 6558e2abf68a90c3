#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

// Runs the event loop until the object emits the signal; false after the timeout.
template <typename Object, typename Signal>
bool waitForSignal(Object* object, Signal signal, int timeoutMs = 10000)
{
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(object, signal, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    loop.exec();
    return timeout.isActive();
}
