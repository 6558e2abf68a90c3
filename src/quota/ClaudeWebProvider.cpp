#include "quota/ClaudeWebProvider.h"

#include <algorithm>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include "basics/BoundedGet.h"
#include "basics/Clock.h"
#include "quota/RetryAfter.h"

namespace pacemark {

namespace {

const QString DefaultApiBase = QStringLiteral("https://api.anthropic.com");
const QString UsagePath = QStringLiteral("/api/oauth/usage");

std::optional<QString> refusedOrigin(const QUrl& base)
{
    if (!base.isValid() || base.host().isEmpty() || !base.userInfo().isEmpty() || base.hasQuery() || base.hasFragment())
        return QStringLiteral("invalid API origin \"%1\"").arg(base.toDisplayString());
    if (BoundedGet::isAllowed(base))
        return std::nullopt;
    return QStringLiteral("refusing to send the credential to %1: only https, or http to a loopback address, "
                          "is allowed")
        .arg(base.toDisplayString(QUrl::RemovePath));
}

QUrl usageUrl(const QUrl& base)
{
    QUrl url = base;
    QString path = base.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + UsagePath);
    return url;
}

// Transport texts come from Qt and the server; none may echo the token.
QString redacted(QString text, const QString& token)
{
    if (!token.isEmpty())
        text.replace(token, QStringLiteral("[redacted]"));
    return text;
}

// The token goes into a header line: a line break or other control character in it would let the
// credential file write headers of its own.
bool isUsableToken(const QString& token)
{
    return !token.isEmpty()
        && std::all_of(token.begin(), token.end(), [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; });
}

bool isTransportError(QNetworkReply::NetworkError error)
{
    return error >= QNetworkReply::ConnectionRefusedError && error <= QNetworkReply::UnknownNetworkError;
}

bool isProtocolError(QNetworkReply::NetworkError error)
{
    return error >= QNetworkReply::ProtocolUnknownError && error <= QNetworkReply::ProtocolFailure;
}

std::optional<OAuthError::Failure> failureOf(QNetworkReply::NetworkError error)
{
    using Failure = OAuthError::Failure;
    switch (error) {
    case QNetworkReply::TimeoutError:
        return Failure::timedOut;
    case QNetworkReply::ConnectionRefusedError:
        return Failure::refused;
    case QNetworkReply::RemoteHostClosedError:
        return Failure::closed;
    case QNetworkReply::HostNotFoundError:
        return Failure::hostNotFound;
    case QNetworkReply::SslHandshakeFailedError:
        return Failure::tls;
    // Without a network, Qt reports an unreachable network as an unknown network error.
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        return Failure::offline;
    default:
        return std::nullopt;
    }
}

ClaudeOAuthProvider::FetchResult outcomeOf(QNetworkReply* reply, const BoundedGet::Exchange& exchange,
                                           const QString& token)
{
    if (exchange.tooLarge)
        return { OAuthError::decode(), std::nullopt };
    if (exchange.timedOut)
        return { OAuthError::network(OAuthError::Failure::timedOut), std::nullopt };

    const QNetworkReply::NetworkError error = reply->error();
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportError(error)) {
        if (const auto failure = failureOf(error))
            return { OAuthError::network(*failure), std::nullopt };
        return { OAuthError::network(redacted(reply->errorString(), token)), std::nullopt };
    }
    if (!statusAttribute.isValid()) {
        if (error == QNetworkReply::NoError || isProtocolError(error))
            return { OAuthError::network(QStringLiteral("invalid response")), std::nullopt };
        return { OAuthError::network(redacted(reply->errorString(), token)), std::nullopt };
    }

    const int status = statusAttribute.toInt();
    if (status >= 200 && status <= 299) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(exchange.body, &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isObject())
            return { OAuthError::decode(), std::nullopt };
        return { ClaudeQuota::fromJson(document.object()), std::nullopt };
    }
    if (status == 401 || status == 403)
        return { OAuthError::unauthorized(), std::nullopt };
    ClaudeOAuthProvider::FetchResult result { OAuthError::network(QStringLiteral("HTTP %1").arg(status)),
                                              std::nullopt };
    if (status == 429)
        result.retryAt = RetryAfter::retryAt(reply->rawHeader("Retry-After"), Clock::now());
    return result;
}

}

QString OAuthError::caseName() const
{
    switch (m_case) {
    case Case::network:
        return QStringLiteral("network");
    case Case::noToken:
        return QStringLiteral("noToken");
    case Case::denied:
        return QStringLiteral("denied");
    case Case::unauthorized:
        return QStringLiteral("unauthorized");
    case Case::decode:
        return QStringLiteral("decode");
    }
    return {};
}

QString OAuthError::failureText() const
{
    switch (m_failure) {
    case Failure::other:
        return m_message;
    case Failure::timedOut:
        return QCoreApplication::translate("OAuthError", "요청 시간 초과");
    case Failure::refused:
        return QCoreApplication::translate("OAuthError", "연결 거부됨");
    case Failure::closed:
        return QCoreApplication::translate("OAuthError", "서버가 연결을 끊음");
    case Failure::hostNotFound:
        return QCoreApplication::translate("OAuthError", "서버를 찾을 수 없음");
    case Failure::tls:
        return QCoreApplication::translate("OAuthError", "TLS 연결 실패");
    case Failure::offline:
        return QCoreApplication::translate("OAuthError", "오프라인");
    }
    return m_message;
}

ClaudeOAuthProvider::ClaudeOAuthProvider(QObject* parent)
    : ClaudeOAuthProvider(CredentialStore::platformStores(), configuredApiBase(), parent)
{ }

ClaudeOAuthProvider::ClaudeOAuthProvider(Stores stores, QUrl apiBase, QObject* parent)
    : QObject(parent)
    , m_stores(std::move(stores))
    , m_apiBase(std::move(apiBase))
    , m_network(new QNetworkAccessManager(this))
{
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    // One lookup at a time: a keyring that is slow to answer is asked once, not once per caller.
    m_lookups.setMaxThreadCount(1);
}

// A lookup may wait on an unlock prompt for minutes: it is given up rather than waited for.
ClaudeOAuthProvider::~ClaudeOAuthProvider()
{
    m_lookups.clear();
    for (const auto& store : m_stores)
        store->abandonReads();
    m_lookups.waitForDone();
}

QUrl ClaudeOAuthProvider::configuredApiBase()
{
    const QString configured = qEnvironmentVariable("PACEMARK_API_BASE").trimmed();
    return QUrl(configured.isEmpty() ? DefaultApiBase : configured, QUrl::StrictMode);
}

std::optional<QString> ClaudeOAuthProvider::tokenFromCredential(const QByteArray& data)
{
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject credential = document.object();
    const QJsonValue candidates[] = {
        credential.value(QLatin1StringView("claudeAiOauth")).toObject().value(QLatin1StringView("accessToken")),
        credential.value(QLatin1StringView("access_token")),
        credential.value(QLatin1StringView("token")),
    };
    for (const QJsonValue& candidate : candidates) {
        if (candidate.isString() && isUsableToken(candidate.toString()))
            return candidate.toString();
    }
    return std::nullopt;
}

std::optional<QString> ClaudeOAuthProvider::readAccessToken(bool allowInteraction) const
{
    for (const auto& store : m_stores) {
        if (const auto data = store->read(allowInteraction)) {
            if (auto token = tokenFromCredential(*data))
                return token;
        }
    }
    return std::nullopt;
}

void ClaudeOAuthProvider::setSslConfiguration(const QSslConfiguration& configuration)
{
    m_sslConfiguration = configuration;
}

void ClaudeOAuthProvider::findAccessToken(bool allowInteraction, QObject* context, TokenCallback done)
{
    // The pool's destructor waits for the lookup, so the provider outlives it; the context may not.
    m_lookups.start([this, allowInteraction, guard = QPointer<QObject>(context), done = std::move(done)] {
        const auto token = readAccessToken(allowInteraction);
        QMetaObject::invokeMethod(
            this,
            [guard, done, token] {
                if (guard)
                    done(token);
            },
            Qt::QueuedConnection);
    });
}

void ClaudeOAuthProvider::fetchQuota(bool allowInteraction, QObject* context, FetchCallback done)
{
    findAccessToken(allowInteraction, context, [this, context, done](const std::optional<QString>& token) {
        if (token)
            fetchQuota(*token, context, done);
        else
            done({ OAuthError::noToken(), std::nullopt });
    });
}

void ClaudeOAuthProvider::fetchQuota(const QString& token, QObject* context, FetchCallback done)
{
    if (const auto refusal = refusedOrigin(m_apiBase)) {
        QMetaObject::invokeMethod(
            context, [done, result = FetchResult { OAuthError::network(*refusal), std::nullopt }] { done(result); },
            Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(usageUrl(m_apiBase));
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    request.setRawHeader("anthropic-beta", "oauth-2025-04-20");
    request.setRawHeader("Accept", "application/json");
    if (m_sslConfiguration)
        request.setSslConfiguration(*m_sslConfiguration);

    BoundedGet::start(m_network, request, m_requestTimeout, MaxBodySize, context,
                      [done, secret = token](QNetworkReply* reply, const BoundedGet::Exchange& exchange) {
                          done(outcomeOf(reply, exchange, secret));
                      });
}

}
