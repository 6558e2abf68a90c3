#pragma once

#include <chrono>
#include <functional>

#include <QByteArray>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QObject;

namespace pacemark {

// One HTTP GET whose whole exchange has a deadline and whose answer has a size cap: Qt's transfer
// timeout restarts with every byte, so a server that trickles would never hit it, and a body read
// without a cap could take any amount of memory.
class BoundedGet
{
public:
    struct Exchange
    {
        QByteArray body; // empty when too large
        bool tooLarge = false;
        bool timedOut = false;
    };
    // Called once, with the finished reply (deleted afterwards) and what was read of it.
    using Done = std::function<void(QNetworkReply* reply, const Exchange& exchange)>;

    // done runs in context's thread; when context goes first, the request is aborted and done never runs.
    static void start(QNetworkAccessManager* network, const QNetworkRequest& request,
                      std::chrono::milliseconds deadline, qint64 maxBodyBytes, QObject* context, Done done);

    // Only over TLS across the network; in the clear only to this machine (for local test servers). Also
    // false for an address without a host or with a user in it.
    static bool isAllowed(const QUrl& url);
};

}
