#include "usage/PriceListUpdater.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include "basics/AppSettings.h"
#include "basics/BoundedGet.h"
#include "basics/Clock.h"
#include "basics/OwnFile.h"
#include "usage/ModelPrice.h"
#include "usage/PriceTable.h"
#include "usage/UsageLog.h"

namespace pacemark {

using namespace std::chrono_literals;

namespace {

const QString DefaultUrl
    = QStringLiteral("https://raw.githubusercontent.com/BerriAI/litellm/main/model_prices_and_context_window.json");

const char* const PriceKeys[] = {
    "input_cost_per_token",
    "output_cost_per_token",
    "cache_creation_input_token_cost",
    "cache_creation_input_token_cost_above_1hr",
    "cache_read_input_token_cost",
    "input_cost_per_token_above_200k_tokens",
    "output_cost_per_token_above_200k_tokens",
    "cache_creation_input_token_cost_above_200k_tokens",
    "cache_creation_input_token_cost_above_1hr_above_200k_tokens",
    "cache_read_input_token_cost_above_200k_tokens",
};

// The names a model of Claude Code, Codex CLI or Gemini CLI can be priced under (see PriceTable::find).
bool isKeptName(const QString& name)
{
    static const QRegularExpression agentModel(QStringLiteral("^(gpt-|o[0-9]|codex-|gemini-)"));
    return name.startsWith(QLatin1String("claude")) || name.startsWith(QLatin1String("anthropic/claude"))
        || name.startsWith(QLatin1String("anthropic.claude")) || agentModel.match(name).hasMatch();
}

}

PriceListUpdater::PriceListUpdater(AppSettings* defaults, QUrl url, QString listPath, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_url(std::move(url))
    , m_listPath(std::move(listPath))
    , m_network(new QNetworkAccessManager(this))
{
    m_timer.setInterval(1h);
    connect(&m_timer, &QTimer::timeout, this, &PriceListUpdater::checkDue);
    connect(m_defaults, &AppSettings::priceListAutoUpdateChanged, this, &PriceListUpdater::checkDue);
}

PriceListUpdater::~PriceListUpdater() = default;

QUrl PriceListUpdater::configuredUrl()
{
    const QString configured = qEnvironmentVariable("PACEMARK_PRICES_URL").trimmed();
    return QUrl(configured.isEmpty() ? DefaultUrl : configured, QUrl::StrictMode);
}

std::optional<QByteArray> PriceListUpdater::keptEntries(const QByteArray& list)
{
    const QJsonDocument document = QJsonDocument::fromJson(list);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject all = document.object();
    QJsonObject kept;
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (!isKeptName(it.key()) || !it.value().isObject() || !ModelPrice::fromJson(it.value().toObject()))
            continue;
        const QJsonObject entry = it.value().toObject();
        QJsonObject prices;
        for (const char* key : PriceKeys)
            if (entry.value(QLatin1String(key)).isDouble())
                prices.insert(QLatin1String(key), entry.value(QLatin1String(key)));
        kept.insert(it.key(), prices);
    }
    if (kept.isEmpty())
        return std::nullopt;
    return QJsonDocument(kept).toJson(QJsonDocument::Indented);
}

void PriceListUpdater::start()
{
    m_timer.start();
    checkDue();
}

void PriceListUpdater::checkDue()
{
    if (m_busy || !m_defaults->priceListAutoUpdate())
        return;
    const Instant now = Clock::now();
    const auto last = m_defaults->priceListLastAttempt();
    if (last && *last <= now && now - *last < Interval)
        return;
    // Noted before asking, so that a crash or a quit during the exchange still counts as the day's try.
    m_defaults->setPriceListLastAttempt(now);
    m_defaults->sync();
    fetch();
}

void PriceListUpdater::fetch()
{
    if (!BoundedGet::isAllowed(m_url)) {
        qCWarning(lcUsage).noquote() << "the price list is not fetched from" << m_url.toDisplayString()
                                     << ": only https, or http to a loopback address, is allowed";
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT attemptFinished(false); }, Qt::QueuedConnection);
        return;
    }
    m_busy = true;
    QNetworkRequest request(m_url);
    request.setRawHeader("Accept", "application/json");
    if (m_sslConfiguration)
        request.setSslConfiguration(*m_sslConfiguration);
    BoundedGet::start(m_network, request, m_requestTimeout, MaxBodySize, this,
                      [this](QNetworkReply* reply, const BoundedGet::Exchange& exchange) {
                          m_busy = false;
                          const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                          QString failure;
                          if (exchange.timedOut)
                              failure = QStringLiteral("no answer within %1 s").arg(m_requestTimeout.count() / 1000.0);
                          else if (exchange.tooLarge)
                              failure = QStringLiteral("the answer is larger than %1 MiB").arg(MaxBodySize >> 20);
                          else if (reply->error() != QNetworkReply::NoError)
                              failure = reply->errorString();
                          else if (status != 200)
                              failure = QStringLiteral("HTTP %1").arg(status);
                          else if (!store(exchange.body))
                              failure = QStringLiteral("no usable Claude prices in it, or they cannot be kept");
                          if (!failure.isEmpty())
                              qCInfo(lcUsage).noquote()
                                  << "the price list was not updated from" << m_url.toDisplayString() << ":" << failure;
                          Q_EMIT attemptFinished(failure.isEmpty());
                      });
}

bool PriceListUpdater::store(const QByteArray& body)
{
    const auto entries = keptEntries(body);
    if (!entries)
        return false;
    QString error;
    if (!OwnFile::write(m_listPath, *entries, &error)) {
        qCWarning(lcUsage).noquote() << "the price list cannot be kept:" << error;
        return false;
    }
    if (PriceTable::reloadCurrent())
        Q_EMIT pricesChanged();
    return true;
}

}
