#pragma once

#include <functional>

#include <QSignalSpy>

#include "EventLoop.h"
#include "usage/UsageDataManager.h"

namespace pacemark {

// Runs what starts a refresh of the figures and waits until they are published and no refresh follows.
inline bool refreshedBy(UsageDataManager& usage, const std::function<void()>& start)
{
    QSignalSpy refreshed(&usage, &UsageDataManager::refreshed);
    start();
    return waitUntil([&] { return !refreshed.isEmpty() && !usage.isRefreshing(); });
}

}
