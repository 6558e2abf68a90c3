#pragma once

#include <chrono>
#include <optional>

#include <QByteArray>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;

namespace pacemark {

class AppSettings;

// Keeps the downloaded price list current: asks LiteLLM for its model price list at most once a day
// (the time of the last attempt is kept in the settings, so restarts do not ask again), checks it
// entry by entry and keeps the Claude models' prices in PriceTable::downloadedListPath(), replaced
// whole. A download that fails, is cut short or holds nothing usable leaves everything as it was.
class PriceListUpdater : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::hours Interval { 24 };
    static constexpr std::chrono::milliseconds RequestTimeout { 10000 };
    // LiteLLM's list of every model it knows is a few MiB; far larger is not that list.
    static constexpr qint64 MaxBodySize = 32 << 20;

    // The list from url, kept at listPath; turned on and off by the settings' priceListAutoUpdate.
    PriceListUpdater(AppSettings* defaults, QUrl url, QString listPath, QObject* parent = nullptr);
    ~PriceListUpdater() override;

    // $PACEMARK_PRICES_URL when set, otherwise LiteLLM's published list on GitHub.
    static QUrl configuredUrl();
    // The entries of a LiteLLM list for the models the agents' logs name (Claude, OpenAI's GPT and
    // o-series, Gemini), each checked on its own and kept with only the price keys, as the JSON the
    // downloaded list is kept in; empty when the text is no JSON object or holds no usable entry.
    static std::optional<QByteArray> keptEntries(const QByteArray& list);

    void setSslConfiguration(const QSslConfiguration& configuration) { m_sslConfiguration = configuration; }
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    // Asks now when due, then looks again every hour.
    void start();
    // Asks when turned on and the last attempt is a day old or more, or lies in the future (a clock
    // set back); at most one request at a time.
    void checkDue();

Q_SIGNALS:
    // The downloaded list changed the process's prices (PriceTable::current()).
    void pricesChanged();
    // An attempt ended, with whether it brought a usable list.
    void attemptFinished(bool succeeded);

private:
    void fetch();
    bool store(const QByteArray& body);

    AppSettings* m_defaults;
    QUrl m_url;
    QString m_listPath;
    std::optional<QSslConfiguration> m_sslConfiguration;
    std::chrono::milliseconds m_requestTimeout = RequestTimeout;
    QNetworkAccessManager* m_network;
    QTimer m_timer;
    bool m_busy = false;
};

}
