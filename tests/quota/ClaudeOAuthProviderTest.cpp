#include <gtest/gtest.h>

#include <QRegularExpression>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "TestTls.h"
#include "UsageAnswers.h"
#include "basics/ManualClock.h"
#include "basics/TimestampParser.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/FileCredentialStore.h"

using namespace pacemark;

namespace {

using namespace std::chrono_literals;

const QString Token = QStringLiteral("sk-ant-oat01-secret-token");
const char* const Answer = R"({"five_hour": {"utilization": 37.0, "resets_at": null}, "iguana_necktie": null})";

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

    std::shared_ptr<CredentialStore> store() const
    {
        return std::make_shared<FileCredentialStore>(QString::fromStdString(m_home.path(".credentials.json")));
    }

    ClaudeOAuthProvider::FetchResult fetch(const QUrl& base, const QSslConfiguration* tls = nullptr)
    {
        ClaudeOAuthProvider client({ store() }, base);
        if (tls)
            client.setSslConfiguration(*tls);
        client.setRequestTimeout(m_timeout);
        std::optional<ClaudeOAuthProvider::FetchResult> result;
        QObject context;
        client.fetchQuota(false, &context, [&](const ClaudeOAuthProvider::FetchResult& r) { result = r; });
        EXPECT_FALSE(result) << "the answer must come later, not within fetchQuota";
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, 15s));
        // Whatever failed, the message never carries the token.
        const auto* error = result ? std::get_if<OAuthError>(&result->outcome) : nullptr;
        EXPECT_FALSE(error && error->message().contains(Token));
        return result.value_or(ClaudeOAuthProvider::FetchResult { OAuthError::denied(), std::nullopt });
    }

    OAuthError fetchError(const QUrl& base) { return std::get<OAuthError>(fetch(base).outcome); }

    bool fetchesQuota(const QUrl& base, const QSslConfiguration* tls = nullptr)
    {
        return std::holds_alternative<ClaudeQuota>(fetch(base, tls).outcome);
    }

    ManualClock m_clock { *TimestampParser::parse("2026-01-02T15:00:00Z") };
    TempDir m_home;
    LocalHttpServer m_server;
    std::chrono::milliseconds m_timeout = ClaudeOAuthProvider::RequestTimeout;
};

// The token goes to every loopback name, keeping a path prefix, and over TLS to a trusted server; never in the
// clear off this machine. Without a token nothing is sent.
TEST_F(ClaudeOAuthProviderTest, SendsTheTokenOnlyToLoopbackOrATrustedServer)
{
    m_server.respond(200, Answer, { { "Content-Type", "application/json" } });
    QUrl base = m_server.url();
    const auto result = fetch(base);
    EXPECT_TRUE(std::holds_alternative<ClaudeQuota>(result.outcome) && !result.retryAt);
    base.setHost(QStringLiteral("localhost"));
    base.setPath(QStringLiteral("/relay/"));
    EXPECT_TRUE(fetchesQuota(base));

    const QRegularExpression refused(QStringLiteral("^(invalid API origin|refusing to send)"));
    for (const char* origin :
         { "http://example.com", "http://10.0.0.1:8080", "http://127.0.0.1.example.com", "http://[::ffff:10.0.0.1]",
           "ftp://127.0.0.1", "http://user:pw@127.0.0.1", "127.0.0.1:8080", "http://127.0.0.1:8080?x=1", "" }) {
        const OAuthError error = fetchError(QUrl(QString::fromLatin1(origin)));
        EXPECT_TRUE(error.errorCase() == OAuthError::Case::network && error.message().contains(refused)) << origin;
    }

    LocalHttpServer tls { TestTls::serverConfiguration() };
    tls.respond(200, Answer);
    EXPECT_EQ(fetchError(tls.url()), OAuthError::network(OAuthError::Failure::tls));
    EXPECT_TRUE(tls.requests().isEmpty());
    const QSslConfiguration trustTestCa = TestTls::trustingTestCa();
    EXPECT_TRUE(fetchesQuota(tls.url(), &trustTestCa));
    EXPECT_EQ(tls.requests().value(0).headers.value("authorization"), "Bearer " + Token.toUtf8());

    writeCredential(QStringLiteral("[\"not an object\"]"));
    EXPECT_EQ(fetchError(m_server.url()), OAuthError::noToken());

    ASSERT_EQ(m_server.requests().size(), 2);
    const auto& request = m_server.requests().constFirst();
    EXPECT_EQ(request.method + ' ' + request.target, "GET /api/oauth/usage");
    EXPECT_EQ(request.headers.value("authorization"), "Bearer " + Token.toUtf8());
    EXPECT_EQ(request.headers.value("anthropic-beta") + ' ' + request.headers.value("accept"),
              "oauth-2025-04-20 application/json");
    EXPECT_EQ(m_server.requests().at(1).target, "/relay/api/oauth/usage");
}

// The published answers, old and new shapes, as a person reads them: every limit once, the binding one
// marked, and the credits as the answer states them.
TEST_F(ClaudeOAuthProviderTest, ReadsEveryPublishedAnswer)
{
    const std::pair<const char*, const char*> cases[] = {
        { UsageAnswers::LegacySonnet,
          "5시간 37 2026-03-10T04:59:59.000Z * | 주간 26 2026-03-15T14:59:59.771Z | Sonnet 1 "
          "2026-03-16T20:59:59.771Z" },
        { UsageAnswers::Legacy,
          "5시간 33 2026-04-11T07:00:00.528Z * | 주간 13 2026-04-17T00:59:59.951Z | Sonnet 1 "
          "2026-04-16T03:00:00.951Z" },
        { UsageAnswers::MinimalLimits, "5시간 8 2026-07-02T02:10:00.621Z * | 주간 2 2026-07-02T13:00:00.621Z" },
        { UsageAnswers::ScopedCap,
          "5시간 26 2026-07-06T04:00:00.013Z normal * | 주간 3 2026-07-07T07:00:00.013Z normal"
          " | Fable 5 2026-07-07T07:00:00.013Z normal" },
        { UsageAnswers::BindingScopedCap,
          "5시간 8 2026-08-14T22:29:59.777Z normal | 주간 56 2026-08-19T05:59:59.777Z normal"
          " | Fable 74 2026-08-19T05:59:59.777Z normal *" },
    };
    for (const auto& [file, limits] : cases) {
        m_server.respond(200, UsageAnswers::read(file), { { "Content-Type", "application/json" } });
        const auto result = fetch(m_server.url());
        ASSERT_TRUE(std::holds_alternative<ClaudeQuota>(result.outcome)) << file;
        const auto& quota = std::get<ClaudeQuota>(result.outcome);
        EXPECT_EQ(UsageAnswers::describe(quota.limits), QString::fromUtf8(limits)) << file;
        // Only the last states credits; their figures are read in the report's quota test.
        EXPECT_EQ(quota.extraUsage.has_value(), file == UsageAnswers::BindingScopedCap) << file;
        EXPECT_EQ(quota.sevenDay, quota.limits.at(1).window()) << file;
    }
}

// Redirects are not followed: the token is never sent anywhere else. A body over one mebibyte is cut off.
// Only a 429 says when to ask again, five minutes on when it gives no Retry-After.
TEST_F(ClaudeOAuthProviderTest, MapsEveryAnswerToOneOutcome)
{
    QByteArray atLimit = "{\"five_hour\": {\"utilization\": 1}}";
    atLimit += QByteArray(ClaudeOAuthProvider::MaxBodySize - atLimit.size(), ' ');
    const std::tuple<int, QByteArray, OAuthError> cases[]
        = { { 204, "", OAuthError::decode() },
            { 200, "[1, 2]", OAuthError::decode() },
            { 200, "{\"five_hour\": ", OAuthError::decode() },
            { 200, atLimit + ' ', OAuthError::decode() },
            { 401, "{}", OAuthError::unauthorized() },
            { 403, "{\"error\": 1}", OAuthError::unauthorized() },
            { 404, "", OAuthError::network(QStringLiteral("HTTP 404")) },
            { 500, "oops", OAuthError::network(QStringLiteral("HTTP 500")) },
            { 503, "{}", OAuthError::network(QStringLiteral("HTTP 503")) },
            { 429, "{}", OAuthError::network(QStringLiteral("HTTP 429")) },
            { 302, "", OAuthError::network(QStringLiteral("HTTP 302")) } };
    for (const auto& [status, body, expected] : cases) {
        m_server.respond(
            status, body,
            { { "Location", m_server.url().toString().toUtf8() + "/elsewhere" }, { "Retry-After", "120" } });
        const auto result = fetch(m_server.url());
        EXPECT_EQ(std::get<OAuthError>(result.outcome), expected) << status << ' ' << body.left(40).toStdString();
        EXPECT_EQ(result.retryAt, status == 429 ? std::optional(Clock::now() + 120s) : std::nullopt) << status;
    }
    EXPECT_EQ(m_server.requests().size(), std::ssize(cases));
    m_server.respond(429, "{}");
    EXPECT_EQ(fetch(m_server.url()).retryAt, Clock::now() + 5min);
    m_server.respond(200, atLimit);
    EXPECT_TRUE(fetchesQuota(m_server.url()));
}

// The transport failures met most often come back by kind, for the views to word. Silence, and a trickle that would
// defeat a per-read timeout, end at the deadline, shortened from its five seconds so as not to wait that long.
// A caller gone before the answer hears nothing: the exchange is cut off from it, then aborted.
TEST_F(ClaudeOAuthProviderTest, TransportFailuresByKindAndACallerGoneIsNeverCalledBack)
{
    m_server.closeWithoutAnswer();
    EXPECT_EQ(fetchError(m_server.url()), OAuthError::network(OAuthError::Failure::closed));

    QUrl nobody = m_server.url();
    nobody.setPort(nobody.port() + 1);
    EXPECT_EQ(fetchError(nobody), OAuthError::network(OAuthError::Failure::refused));

    EXPECT_EQ(fetchError(QUrl(QStringLiteral("https://pacemark-test.invalid"))),
              OAuthError::network(OAuthError::Failure::hostNotFound));

    m_timeout = 600ms;
    m_server.neverAnswer();
    EXPECT_EQ(fetchError(m_server.url()), OAuthError::network(OAuthError::Failure::timedOut));
    m_server.trickle(100ms);
    EXPECT_EQ(fetchError(m_server.url()), OAuthError::network(OAuthError::Failure::timedOut));

    m_server.neverAnswer();
    const qsizetype before = m_server.requests().size();
    ClaudeOAuthProvider client({ store() }, m_server.url());
    int calls = 0;
    auto context = std::make_unique<QObject>();
    client.fetchQuota(false, context.get(), [&](const ClaudeOAuthProvider::FetchResult&) { ++calls; });
    ASSERT_TRUE(waitUntil([&] { return m_server.requests().size() > before; }));
    context.reset();
    EXPECT_EQ(calls, 0);
}

}
