#pragma once

// How the benchmarks time a refresh: asked for by hand (every log listed again), or started by the
// log watcher for a write below the watched folders, as the tray's refreshes start.

#include <chrono>
#include <functional>

#include <QEventLoop>
#include <QTimer>

#include "usage/UsageDataManager.h"

namespace pacemark {

inline double refreshMs(UsageDataManager& usage)
{
    QEventLoop loop;
    QObject::connect(&usage, &UsageDataManager::refreshed, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    usage.refresh();
    loop.exec();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// From the write to the first refresh whose figures satisfy done; then waits for the watcher to fall
// quiet and for the spacing between the refreshes it starts to pass, so that the next write starts
// afresh.
inline double watchedMs(UsageDataManager& usage, const std::function<void()>& write, const std::function<bool()>& done)
{
    QEventLoop loop;
    const auto connection = QObject::connect(&usage, &UsageDataManager::refreshed, &loop, [&] {
        if (done())
            loop.quit();
    });
    const auto start = std::chrono::steady_clock::now();
    write();
    loop.exec();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    QObject::disconnect(connection);
    do {
        QTimer::singleShot(1100, &loop, &QEventLoop::quit);
        loop.exec();
    } while (usage.isRefreshing());
    return ms;
}

// The first refresh, started with the watcher as the application starts it.
inline double startMs(UsageDataManager& usage)
{
    QEventLoop loop;
    QObject::connect(&usage, &UsageDataManager::refreshed, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    usage.startWatching();
    loop.exec();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}
