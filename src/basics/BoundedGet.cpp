#include "basics/BoundedGet.h"

#include <memory>

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace pacemark {

void BoundedGet::start(QNetworkAccessManager* network, const QNetworkRequest& request,
                       std::chrono::milliseconds deadline, qint64 maxBodyBytes, QObject* context, Done done)
{
    QNetworkReply* reply = network->get(request);
    auto exchange = std::make_shared<Exchange>();

    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [reply, exchange] {
        exchange->timedOut = true;
        reply->abort();
    });
    timer->start(deadline);

    const auto collect = [reply, exchange, maxBodyBytes] {
        if (exchange->tooLarge || !reply->isOpen())
            return;
        exchange->body += reply->read(maxBodyBytes + 1 - exchange->body.size());
        if (exchange->body.size() > maxBodyBytes) {
            exchange->tooLarge = true;
            exchange->body.clear();
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, collect);
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, exchange, collect, done = std::move(done)] {
        collect();
        done(reply, *exchange);
    });
    // Without its context the answer has no one to go to. The context is already half destroyed when
    // it says so, so the reply is cut off from the callback before it is aborted.
    QObject::connect(context, &QObject::destroyed, reply, [reply] {
        reply->disconnect();
        reply->abort();
        reply->deleteLater();
    });
}

bool BoundedGet::isAllowed(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    if (url.scheme() != QLatin1String("http"))
        return false;
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(url.host());
    return !address.isNull() && address.isLoopback();
}

}
