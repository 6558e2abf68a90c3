#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include "quota/ClaudeQuota.h"
#include "quota/CredentialStore.h"

class QNetworkAccessManager;

namespace pacemark {

// Why a quota fetch failed. Two network errors are equal when their failures and texts are.
class OAuthError
{
public:
    enum class Case { network, noToken, denied, unauthorized, decode };
    // The network failures met most often, which the views word in the language shown; any other
    // carries its text as it came.
    enum class Failure { other, timedOut, refused, closed, hostNotFound, tls, offline };

    static OAuthError network(QString message) { return OAuthError(Case::network, std::move(message)); }
    static OAuthError network(Failure failure) { return OAuthError(Case::network, {}, failure); }
    static OAuthError noToken() { return OAuthError(Case::noToken, {}); }
    static OAuthError denied() { return OAuthError(Case::denied, {}); }
    static OAuthError unauthorized() { return OAuthError(Case::unauthorized, {}); }
    static OAuthError decode() { return OAuthError(Case::decode, {}); }

    Case errorCase() const { return m_case; }
    Failure failure() const { return m_failure; }
    // The text of a network failure that has no kind of its own ("HTTP 500"); empty otherwise.
    const QString& message() const { return m_message; }
    // The failure in the language shown: the message, or "요청 시간 초과", ….
    QString failureText() const;
    // "network", "noToken", "denied", "unauthorized" or "decode".
    QString caseName() const;

    bool operator==(const OAuthError&) const = default;

private:
    OAuthError(Case errorCase, QString message, Failure failure = Failure::other)
        : m_case(errorCase)
        , m_failure(failure)
        , m_message(std::move(message))
    { }

    Case m_case;
    Failure m_failure;
    QString m_message;
};

// Asks the Claude usage endpoint for the subscription quota with the OAuth token that Claude Code
// keeps. The token is read afresh for every fetch and is never kept, printed or put in an error text.
class ClaudeOAuthProvider : public QObject
{
    Q_OBJECT

public:
    using Stores = std::vector<std::shared_ptr<const CredentialStore>>;

    struct FetchResult
    {
        std::variant<ClaudeQuota, OAuthError> outcome;
        // After HTTP 429: the instant before which the endpoint wants no further request.
        std::optional<Instant> retryAt;
    };
    using FetchCallback = std::function<void(const FetchResult&)>;
    using TokenCallback = std::function<void(const std::optional<QString>&)>;

    static constexpr std::chrono::milliseconds RequestTimeout { 5000 };
    static constexpr qint64 MaxBodySize = 1 << 20;

    // The platform's credential stores and the configured API origin.
    explicit ClaudeOAuthProvider(QObject* parent = nullptr);
    ClaudeOAuthProvider(Stores stores, QUrl apiBase, QObject* parent = nullptr);
    ~ClaudeOAuthProvider() override;

    // $PACEMARK_API_BASE when set, otherwise https://api.anthropic.com.
    static QUrl configuredApiBase();
    // The access token in Claude Code's credential JSON: "claudeAiOauth"."accessToken", else
    // "access_token", else "token"; the first non-empty string of visible ASCII wins.
    static std::optional<QString> tokenFromCredential(const QByteArray& data);

    // Asks each store in turn; the first that holds a usable token wins. Blocks while a keyring
    // answers: the application asks through findAccessToken.
    std::optional<QString> readAccessToken(bool allowInteraction) const;
    std::optional<QString> readAccessTokenSilently() const { return readAccessToken(false); }
    // readAccessToken on a worker thread, one lookup at a time. done runs later on the main thread,
    // and not at all once context is gone.
    void findAccessToken(bool allowInteraction, QObject* context, TokenCallback done);

    // The TLS settings of every request, for example a private CA in tests.
    void setSslConfiguration(const QSslConfiguration& configuration);
    // The deadline of each exchange: RequestTimeout, or shorter where a test waits for it.
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    // One token lookup and at most one request. done runs later on the main thread, never before this
    // returns, and not at all once context is gone.
    void fetchQuota(bool allowInteraction, QObject* context, FetchCallback done);
    // The request alone, with a token just found.
    void fetchQuota(const QString& token, QObject* context, FetchCallback done);

private:
    Stores m_stores;
    // Declared after the stores its lookups read, so that it goes first and waits for them.
    QThreadPool m_lookups;
    QUrl m_apiBase;
    std::optional<QSslConfiguration> m_sslConfiguration;
    std::chrono::milliseconds m_requestTimeout = RequestTimeout;
    QNetworkAccessManager* m_network;
};

}
