#include <gtest/gtest.h>

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "ingest/TimestampParser.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/FileCredentialStore.h"
#include "usage/ManualClock.h"

namespace {

const QString Token = QStringLiteral("sk-ant-oat01-secret-token");

const char* const RealAnswer = R"({
    "five_hour": {"utilization": 37.0, "resets_at": "2026-01-02T19:59:59.600956+00:00"},
    "seven_day": {"utilization": 12.0, "resets_at": "2026-01-08T04:59:59.600972+00:00"},
    "seven_day_oauth_apps": null, "seven_day_opus": {"utilization": 0.0, "resets_at": null},
    "iguana_necktie": null,
    "extra_usage": {"is_enabled": true, "monthly_limit": 5000, "used_credits": 1287.0, "utilization": 25.74}
})";

QByteArray readData(const char* name)
{
    QFile file(QStringLiteral(PACEMARK_QUOTA_TEST_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

class ClaudeOAuthProviderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clock::install(&m_clock);
        writeCredential(QStringLiteral(R"({"claudeAiOauth": {"accessToken": "%1"}})").arg(Token));
    }
    void TearDown() override { Clock::install(nullptr); }

    void writeCredential(const QString& json) { m_home.write(".credentials.json", json.toStdString()); }

    ClaudeOAuthProvider::Stores stores() const
    {
        return { std::make_shared<FileCredentialStore>(
            QString::fromStdString(m_home.path(".credentials.json"))) };
    }

    ClaudeOAuthProvider::FetchResult fetch(ClaudeOAuthProvider& provider)
    {
        std::optional<ClaudeOAuthProvider::FetchResult> result;
        QObject context;
        provider.fetchQuota(false, &context, [&](const ClaudeOAuthProvider::FetchResult& r) { result = r; });
        EXPECT_FALSE(result) << "the answer must come later, not within fetchQuota";
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, std::chrono::seconds(15)));
        return result.value_or(ClaudeOAuthProvider::FetchResult { OAuthError::denied(), std::nullopt });
    }

    OAuthError fetchError(ClaudeOAuthProvider& provider)
    {
        const auto result = fetch(provider);
        const auto* error = std::get_if<OAuthError>(&result.outcome);
        EXPECT_TRUE(error) << "expected a failure";
        return error ? *error : OAuthError::denied();
    }

    ManualClock m_clock { *TimestampParser::parse("2026-01-02T15:00:00Z") };
    TempDir m_home;
    LocalHttpServer m_server;
};

TEST_F(ClaudeOAuthProviderTest, SendsTheBearerTokenAndDecodesTheAnswer)
{
    m_server.respond(200, RealAnswer, { { "Content-Type", "application/json" } });
    ClaudeOAuthProvider provider(stores(), m_server.url());

    const auto result = fetch(provider);
    const auto* quota = std::get_if<ClaudeQuota>(&result.outcome);
    ASSERT_TRUE(quota);
    EXPECT_EQ(quota->fiveHour->utilizationPct, 37.0);
    EXPECT_EQ(quota->sevenDayOpus, (ClaudeQuota::Window { 0.0, std::nullopt }));
    EXPECT_EQ(quota->extraUsage->usedCreditsCents, 1287);
    EXPECT_EQ(quota->fetchedAt, Clock::now());
    EXPECT_FALSE(result.retryAt);

    ASSERT_EQ(m_server.requests().size(), 1);
    const auto& request = m_server.requests().constFirst();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/api/oauth/usage");
    EXPECT_EQ(request.headers.value("authorization"), "Bearer " + Token.toUtf8());
    EXPECT_EQ(request.headers.value("anthropic-beta"), "oauth-2025-04-20");
    EXPECT_EQ(request.headers.value("accept"), "application/json");
}

TEST_F(ClaudeOAuthProviderTest, KeepsAPathPrefixOfTheOrigin)
{
    m_server.respond(200, "{}");
    QUrl base = m_server.url();
    base.setPath(QStringLiteral("/relay/"));
    ClaudeOAuthProvider provider(stores(), base);
    EXPECT_TRUE(std::holds_alternative<ClaudeQuota>(fetch(provider).outcome));
    EXPECT_EQ(m_server.requests().value(0).target, "/relay/api/oauth/usage");
}

struct StatusCase
{
    int status;
    QByteArray body;
    OAuthError expected;
};

void PrintTo(const StatusCase& c, std::ostream* os)
{
    *os << c.status << " body '" << c.body.left(20).toStdString() << "'";
}

class ProviderStatusTest : public ClaudeOAuthProviderTest, public ::testing::WithParamInterface<StatusCase>
{
};

TEST_P(ProviderStatusTest, MapsEveryAnswerToOneOutcome)
{
    m_server.respond(GetParam().status, GetParam().body,
        { { "Location", m_server.url().toString().toUtf8() + "/elsewhere" } });
    ClaudeOAuthProvider provider(stores(), m_server.url());
    const OAuthError error = fetchError(provider);
    EXPECT_EQ(error, GetParam().expected) << error.message().toStdString();
    // Redirects are not followed: the token is never sent anywhere else.
    EXPECT_EQ(m_server.requests().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Statuses, ProviderStatusTest,
    ::testing::Values(StatusCase { 204, "", OAuthError::decode() },
        StatusCase { 200, "", OAuthError::decode() }, StatusCase { 200, "[1, 2]", OAuthError::decode() },
        StatusCase { 200, "{\"five_hour\": ", OAuthError::decode() },
        StatusCase { 200, "\"text\"", OAuthError::decode() },
        StatusCase { 401, "{}", OAuthError::unauthorized() },
        StatusCase { 403, "{\"error\": \"forbidden\"}", OAuthError::unauthorized() },
        StatusCase { 402, "{}", OAuthError::network(QStringLiteral("HTTP 402")) },
        StatusCase { 404, "", OAuthError::network(QStringLiteral("HTTP 404")) },
        StatusCase { 429, "{}", OAuthError::network(QStringLiteral("HTTP 429")) },
        StatusCase { 500, "oops", OAuthError::network(QStringLiteral("HTTP 500")) },
        StatusCase { 503, "", OAuthError::network(QStringLiteral("HTTP 503")) },
        StatusCase { 301, "", OAuthError::network(QStringLiteral("HTTP 301")) },
        StatusCase { 302, "", OAuthError::network(QStringLiteral("HTTP 302")) }));

TEST_F(ClaudeOAuthProviderTest, ReportsWhenToRetryAfterTooManyRequests)
{
    ClaudeOAuthProvider provider(stores(), m_server.url());

    m_server.respond(429, "{}", { { "Retry-After", "120" } });
    EXPECT_EQ(fetch(provider).retryAt, Clock::now() + std::chrono::seconds(120));

    m_server.respond(429, "{}");
    EXPECT_EQ(fetch(provider).retryAt, Clock::now() + std::chrono::minutes(5));

    m_server.respond(503, "{}", { { "Retry-After", "120" } });
    EXPECT_EQ(fetch(provider).retryAt, std::nullopt);
}

TEST_F(ClaudeOAuthProviderTest, WithoutATokenNothingIsSent)
{
    writeCredential(QStringLiteral("[\"not an object\"]"));
    m_server.respond(200, "{}");
    ClaudeOAuthProvider provider(stores(), m_server.url());
    EXPECT_EQ(fetchError(provider), OAuthError::noToken());
    spinFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(m_server.requests().isEmpty());
}

TEST_F(ClaudeOAuthProviderTest, ABodyOverOneMebibyteIsCutOff)
{
    ClaudeOAuthProvider provider(stores(), m_server.url());

    QByteArray atLimit = "{\"five_hour\": {\"utilization\": 1}}";
    atLimit += QByteArray(ClaudeOAuthProvider::MaxBodySize - atLimit.size(), ' ');
    m_server.respond(200, atLimit);
    EXPECT_TRUE(std::holds_alternative<ClaudeQuota>(fetch(provider).outcome));

    m_server.respond(200, atLimit + ' ');
    EXPECT_EQ(fetchError(provider), OAuthError::decode());
}

TEST_F(ClaudeOAuthProviderTest, AClosedConnectionIsATransportFailure)
{
    m_server.closeWithoutAnswer();
    ClaudeOAuthProvider provider(stores(), m_server.url());
    const OAuthError error = fetchError(provider);
    EXPECT_EQ(error.errorCase(), OAuthError::Case::network);
    EXPECT_FALSE(error.message().isEmpty());
    EXPECT_FALSE(error.message().startsWith(QStringLiteral("HTTP")));
    EXPECT_FALSE(error.message().contains(Token));
}

TEST_F(ClaudeOAuthProviderTest, ANameThatResolvesNowhereIsATransportFailure)
{
    const quint16 unusedPort = m_server.url().port();
    ClaudeOAuthProvider provider(stores(), QUrl(QStringLiteral("http://127.0.0.1:%1").arg(unusedPort + 1)));
    const OAuthError error = fetchError(provider);
    EXPECT_EQ(error.errorCase(), OAuthError::Case::network);
    EXPECT_FALSE(error.message().contains(Token));
}

// The two five-second cases, one for silence and one for a trickle that would defeat a per-read timeout.
class ProviderTimeoutTest : public ClaudeOAuthProviderTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(ProviderTimeoutTest, EndsAfterFiveSeconds)
{
    if (GetParam())
        m_server.trickle(std::chrono::milliseconds(200));
    else
        m_server.neverAnswer();
    ClaudeOAuthProvider provider(stores(), m_server.url());
    EXPECT_EQ(fetchError(provider), OAuthError::network(QStringLiteral("The request timed out")));
}

INSTANTIATE_TEST_SUITE_P(Servers, ProviderTimeoutTest, ::testing::Values(false, true),
    [](const auto& param) { return param.param ? "Trickling" : "Silent"; });

class ProviderOriginTest : public ClaudeOAuthProviderTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(ProviderOriginTest, RefusesToSendTheTokenInTheClearOffThisMachine)
{
    ClaudeOAuthProvider provider(stores(), QUrl(QString::fromLatin1(GetParam())));
    const OAuthError error = fetchError(provider);
    EXPECT_EQ(error.errorCase(), OAuthError::Case::network);
    EXPECT_FALSE(error.message().contains(Token));
    EXPECT_FALSE(error.message().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Origins, ProviderOriginTest,
    ::testing::Values("http://example.com", "http://10.0.0.1:8080", "http://192.168.1.1",
        "http://127.0.0.1.example.com", "http://[::ffff:10.0.0.1]", "ftp://127.0.0.1",
        "http://user:pw@127.0.0.1", "127.0.0.1:8080", "http://127.0.0.1:8080?x=1", ""));

TEST_F(ClaudeOAuthProviderTest, PlainHttpGoesToEveryLoopbackName)
{
    m_server.respond(200, "{}");
    for (const QString& host : { QStringLiteral("127.0.0.1"), QStringLiteral("localhost") }) {
        QUrl base = m_server.url();
        base.setHost(host);
        ClaudeOAuthProvider provider(stores(), base);
        EXPECT_TRUE(std::holds_alternative<ClaudeQuota>(fetch(provider).outcome)) << host.toStdString();
    }
    EXPECT_EQ(m_server.requests().size(), 2);
}

TEST(ClaudeOAuthProviderOrigin, ComesFromTheEnvironment)
{
    const QByteArray saved = qgetenv("PACEMARK_API_BASE");
    qunsetenv("PACEMARK_API_BASE");
    EXPECT_EQ(ClaudeOAuthProvider::configuredApiBase(), QUrl(QStringLiteral("https://api.anthropic.com")));
    qputenv("PACEMARK_API_BASE", "http://127.0.0.1:8080");
    EXPECT_EQ(ClaudeOAuthProvider::configuredApiBase(), QUrl(QStringLiteral("http://127.0.0.1:8080")));
    qputenv("PACEMARK_API_BASE", saved);
}

// data/ holds a test-only CA and the certificate it signed for localhost and 127.0.0.1, both valid until
// 2126; the CA's key was thrown away after signing.
class ProviderTlsTest : public ClaudeOAuthProviderTest
{
protected:
    static QSslConfiguration serverTls()
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(readData("server.pem")));
        tls.setPrivateKey(QSslKey(readData("server.key"), QSsl::Rsa));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        return tls;
    }

    LocalHttpServer m_tlsServer { serverTls() };
};

TEST_F(ProviderTlsTest, FetchesOverRealTlsFromATrustedServer)
{
    m_tlsServer.respond(200, RealAnswer);
    ClaudeOAuthProvider provider(stores(), m_tlsServer.url());
    QSslConfiguration trustTestCa = QSslConfiguration::defaultConfiguration();
    trustTestCa.setCaCertificates({ QSslCertificate(readData("test-ca.pem")) });
    provider.setSslConfiguration(trustTestCa);

    const auto result = fetch(provider);
    ASSERT_TRUE(std::holds_alternative<ClaudeQuota>(result.outcome))
        << std::get<OAuthError>(result.outcome).message().toStdString();
    ASSERT_EQ(m_tlsServer.requests().size(), 1);
    EXPECT_EQ(m_tlsServer.requests().constFirst().headers.value("authorization"), "Bearer " + Token.toUtf8());
}

TEST_F(ProviderTlsTest, AnUntrustedCertificateSendsNoToken)
{
    m_tlsServer.respond(200, RealAnswer);
    ClaudeOAuthProvider provider(stores(), m_tlsServer.url());
    const OAuthError error = fetchError(provider);
    EXPECT_EQ(error.errorCase(), OAuthError::Case::network);
    EXPECT_FALSE(error.message().contains(Token));
    EXPECT_TRUE(m_tlsServer.requests().isEmpty());
}

}
