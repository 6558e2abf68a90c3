#include <gtest/gtest.h>

#include <deque>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "ingest/TimestampParser.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/FileCredentialStore.h"
#include "usage/ManualClock.h"

namespace {

using Status = ClaudeQuotaManager::Status;
using namespace std::chrono_literals;

const char* const Answer
    = R"({"five_hour": {"utilization": 37.0, "resets_at": "2026-01-02T19:59:59.600956+00:00"}})";
const char* const Credential = R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-manager"}})";

// Counts the reads of the credential file and can be told to lose it after a number of reads, as when
// the user logs out while a fetch is being prepared.
class ScriptedStore final : public CredentialStore
{
public:
    explicit ScriptedStore(std::string path)
        : m_file(QString::fromStdString(path))
    {
    }

    std::optional<QByteArray> read(bool allowInteraction) const override
    {
        ++m_reads;
        if (m_readsLeft && (*m_readsLeft)-- <= 0)
            return std::nullopt;
        return m_file.read(allowInteraction);
    }

    int reads() const { return m_reads; }
    void vanishAfter(int reads) { m_readsLeft = reads; }

private:
    FileCredentialStore m_file;
    mutable int m_reads = 0;
    mutable std::optional<int> m_readsLeft;
};

class ClaudeQuotaManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clock::install(&m_clock);
        QObject::connect(&m_manager, &ClaudeQuotaManager::statusChanged, [this] {
            EXPECT_NE(m_statuses.empty() ? Status::notConfigured() : m_statuses.back(), m_manager.status())
                << "statusChanged without a change";
            m_statuses.push_back(m_manager.status());
        });
        QObject::connect(&m_manager, &ClaudeQuotaManager::quotaChanged, [this] { ++m_quotaChanges; });
        QObject::connect(&m_manager, &ClaudeQuotaManager::refreshFinished, [this] { ++m_refreshes; });
        QObject::connect(&m_manager, &ClaudeQuotaManager::connectFinished, [this] { ++m_connects; });
    }
    void TearDown() override { Clock::install(nullptr); }

    void login() { m_home.write(".credentials.json", Credential); }
    void logout() { std::remove(m_home.path(".credentials.json").c_str()); }

    void refresh()
    {
        const int before = m_refreshes;
        m_manager.refreshQuota();
        EXPECT_EQ(m_refreshes, before) << "refreshQuota must finish later";
        EXPECT_TRUE(waitUntil([&] { return m_refreshes > before; }));
    }

    void connectNow()
    {
        const int before = m_connects;
        m_manager.connect();
        EXPECT_TRUE(waitUntil([&] { return m_connects > before; }));
    }

    qsizetype requests() const { return m_server.requests().size(); }

    ManualClock m_clock { *TimestampParser::parse("2026-01-02T15:00:00Z") };
    TempDir m_home;
    LocalHttpServer m_server;
    std::shared_ptr<ScriptedStore> m_store
        = std::make_shared<ScriptedStore>(m_home.path(".credentials.json"));
    ClaudeOAuthProvider m_provider { { m_store }, m_server.url() };
    ClaudeQuotaManager m_manager { &m_provider };
    std::vector<Status> m_statuses;
    int m_quotaChanges = 0;
    int m_refreshes = 0;
    int m_connects = 0;
};

TEST_F(ClaudeQuotaManagerTest, WithoutACredentialStaysNotConfiguredAndSendsNothing)
{
    EXPECT_EQ(m_manager.status(), Status::notConfigured());
    refresh();
    EXPECT_EQ(m_manager.status(), Status::notConfigured());
    EXPECT_FALSE(m_manager.quota());
    EXPECT_TRUE(m_statuses.empty());
    EXPECT_EQ(requests(), 0);
}

TEST_F(ClaudeQuotaManagerTest, AFirstFetchLoadsThenFailuresKeepTheSnapshot)
{
    login();
    m_server.respond(200, Answer);
    refresh();
    EXPECT_EQ(m_statuses, (std::vector { Status::loading(), Status::loaded() }));
    ASSERT_TRUE(m_manager.quota());
    EXPECT_EQ(m_manager.quota()->fiveHour->utilizationPct, 37.0);
    const ClaudeQuota first = *m_manager.quota();

    // With a snapshot on show the status does not pass through loading.
    m_statuses.clear();
    m_clock.advance(61s);
    m_server.respond(500, "{}");
    refresh();
    EXPECT_EQ(m_statuses, (std::vector { Status::error(OAuthError::network(QStringLiteral("HTTP 500"))) }));
    EXPECT_EQ(m_manager.quota(), first);

    m_server.respond(401, "{}");
    refresh();
    EXPECT_EQ(m_manager.status(), Status::error(OAuthError::unauthorized()));
    EXPECT_EQ(m_manager.quota(), first);

    m_server.respond(200, Answer);
    refresh();
    EXPECT_EQ(m_manager.status(), Status::loaded());
    EXPECT_EQ(m_manager.quota()->fetchedAt, Clock::now());
    EXPECT_EQ(m_quotaChanges, 2);
    EXPECT_EQ(requests(), 4);
}

TEST_F(ClaudeQuotaManagerTest, LoggingOutDropsTheSnapshot)
{
    login();
    m_server.respond(200, Answer);
    refresh();
    logout();
    m_clock.advance(61s);
    refresh();
    EXPECT_EQ(m_manager.status(), Status::notConfigured());
    EXPECT_FALSE(m_manager.quota());
    EXPECT_EQ(m_quotaChanges, 2);

    // Logging in again is picked up at once, without waiting out the spacing of the old session.
    login();
    refresh();
    EXPECT_EQ(m_manager.status(), Status::loaded());
    EXPECT_EQ(requests(), 2);
}

TEST_F(ClaudeQuotaManagerTest, ACredentialLostDuringTheFetchFollowsTheTable)
{
    login();
    m_server.respond(200, Answer);
    refresh();

    // loaded: the vanished token is an error beside the snapshot.
    m_clock.advance(61s);
    m_store->vanishAfter(1);
    refresh();
    EXPECT_EQ(m_manager.status(), Status::error(OAuthError::noToken()));
    EXPECT_TRUE(m_manager.quota());

    // Any other status becomes denied, and denied stays.
    m_store->vanishAfter(1);
    refresh();
    EXPECT_EQ(m_manager.status(), Status::denied());
    m_store->vanishAfter(1);
    refresh();
    EXPECT_EQ(m_manager.status(), Status::denied());
    EXPECT_EQ(requests(), 1);
}

TEST_F(ClaudeQuotaManagerTest, ConnectWithoutACredentialIsDeniedAndPollingWaits)
{
    m_server.respond(200, Answer);
    connectNow();
    EXPECT_EQ(m_statuses, (std::vector { Status::loading(), Status::denied() }));

    m_manager.setPollInterval(0.01);
    m_manager.startPolling();
    const int readsBefore = m_store->reads();
    login();
    spinFor(150ms);
    EXPECT_EQ(m_manager.status(), Status::denied());
    EXPECT_EQ(m_store->reads(), readsBefore) << "a denied loop must not even look for the credential";
    EXPECT_EQ(requests(), 0);

    connectNow();
    EXPECT_EQ(m_manager.status(), Status::loaded());
    EXPECT_EQ(requests(), 1);

    // The loop refreshes again from its next turn.
    m_clock.advance(61s);
    EXPECT_TRUE(waitUntil([&] { return requests() == 2; }));
    m_manager.stopPolling();
}

TEST_F(ClaudeQuotaManagerTest, APopoverRefreshLeavesDenied)
{
    connectNow();
    ASSERT_EQ(m_manager.status(), Status::denied());
    refresh();
    EXPECT_EQ(m_manager.status(), Status::notConfigured());

    connectNow();
    login();
    m_server.respond(200, Answer);
    refresh();
    EXPECT_EQ(m_manager.status(), Status::loaded());
}

TEST_F(ClaudeQuotaManagerTest, ASecondRefreshWhileOneIsInFlightIsSkipped)
{
    login();
    m_server.respond(200, Answer);
    m_manager.refreshQuota();
    m_manager.refreshQuota();
    EXPECT_TRUE(waitUntil([&] { return m_refreshes == 2; }));
    EXPECT_TRUE(waitUntil([&] { return m_manager.status() == Status::loaded(); }));
    spinFor(50ms);
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(m_statuses, (std::vector { Status::loading(), Status::loaded() }));
}

TEST_F(ClaudeQuotaManagerTest, ConnectIsNotSkippedAndTheLastToFinishWins)
{
    login();
    m_server.neverAnswer();
    m_manager.refreshQuota();
    ASSERT_TRUE(waitUntil([&] { return requests() == 1; }));
    m_server.respond(200, Answer);
    connectNow();
    EXPECT_EQ(m_manager.status(), Status::loaded());
    EXPECT_EQ(requests(), 2);

    // The silent server's time-out lands last and wins, beside the snapshot.
    EXPECT_TRUE(waitUntil([&] { return m_refreshes == 1; }, 10s));
    EXPECT_EQ(
        m_manager.status(), Status::error(OAuthError::network(QStringLiteral("The request timed out"))));
    EXPECT_TRUE(m_manager.quota());
}

TEST_F(ClaudeQuotaManagerTest, RefreshesWithinAMinuteOfASuccessAreSkipped)
{
    login();
    m_server.respond(200, Answer);
    refresh();
    m_clock.advance(59s);
    refresh();
    EXPECT_EQ(requests(), 1);

    connectNow();
    EXPECT_EQ(requests(), 2);

    m_clock.advance(60s);
    refresh();
    EXPECT_EQ(requests(), 3);
}

TEST_F(ClaudeQuotaManagerTest, TooManyRequestsHoldsEveryFetchUntilRetryAfter)
{
    login();
    m_server.respond(200, Answer);
    refresh();
    const auto snapshot = m_manager.quota();
    m_statuses.clear();

    const Status limited = Status::error(OAuthError::network(QStringLiteral("HTTP 429")));
    m_clock.advance(61s);
    m_server.respond(429, "{}", { { "Retry-After", "120" } });
    refresh();
    EXPECT_EQ(m_manager.status(), limited);
    EXPECT_EQ(requests(), 2);

    m_server.respond(200, Answer);
    m_clock.advance(119s);
    refresh();
    connectNow();
    EXPECT_EQ(requests(), 2);
    EXPECT_EQ(m_manager.status(), limited);
    EXPECT_EQ(m_manager.quota(), snapshot);
    EXPECT_EQ(m_statuses, (std::vector { limited }));

    m_clock.advance(1s);
    refresh();
    EXPECT_EQ(requests(), 3);
    EXPECT_EQ(m_manager.status(), Status::loaded());
}

TEST_F(ClaudeQuotaManagerTest, TooManyRequestsWithoutRetryAfterWaitsFiveMinutes)
{
    login();
    m_server.respond(429, "");
    refresh();
    EXPECT_EQ(m_manager.status(), Status::error(OAuthError::network(QStringLiteral("HTTP 429"))));
    m_server.respond(200, Answer);
    m_clock.advance(299s);
    refresh();
    EXPECT_EQ(requests(), 1);
    m_clock.advance(1s);
    refresh();
    EXPECT_EQ(requests(), 2);
    EXPECT_EQ(m_manager.status(), Status::loaded());
}

TEST_F(ClaudeQuotaManagerTest, PollingRefreshesAtOnceThenAfterEachInterval)
{
    m_manager.setPollInterval(0.02);
    m_manager.startPolling();
    EXPECT_TRUE(m_manager.isPolling());
    // No credential: each turn looks again and sends nothing.
    EXPECT_TRUE(waitUntil([&] { return m_store->reads() >= 3; }));
    EXPECT_EQ(requests(), 0);

    login();
    m_server.respond(200, Answer);
    EXPECT_TRUE(waitUntil([&] { return m_manager.status() == Status::loaded(); }));
    EXPECT_EQ(requests(), 1);
    m_clock.advance(61s);
    EXPECT_TRUE(waitUntil([&] { return requests() == 2; }));

    m_manager.startPolling();
    m_manager.stopPolling();
    EXPECT_FALSE(m_manager.isPolling());
}

TEST_F(ClaudeQuotaManagerTest, CancellingDuringTheSleepEndsTheLoop)
{
    login();
    m_server.respond(200, Answer);
    int pollingChanges = 0;
    QObject::connect(&m_manager, &ClaudeQuotaManager::pollingChanged, [&] { ++pollingChanges; });
    m_manager.setPollInterval(0.1);
    m_manager.startPolling();
    ASSERT_TRUE(waitUntil([&] { return m_refreshes == 1; }));
    m_manager.stopPolling();
    EXPECT_EQ(pollingChanges, 2);

    m_clock.advance(10min);
    spinFor(300ms);
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(m_refreshes, 1);
}

TEST_F(ClaudeQuotaManagerTest, CancellingDuringARefreshEndsTheLoopAfterIt)
{
    login();
    m_server.respond(200, Answer);
    m_manager.setPollInterval(0.01);
    m_manager.startPolling();
    m_manager.stopPolling();
    ASSERT_TRUE(waitUntil([&] { return m_refreshes == 1; }));
    EXPECT_EQ(m_manager.status(), Status::loaded());

    m_clock.advance(10min);
    spinFor(100ms);
    EXPECT_EQ(requests(), 1);
}

TEST_F(ClaudeQuotaManagerTest, AGoneManagerIgnoresTheAnswer)
{
    login();
    m_server.respond(200, Answer);
    {
        ClaudeQuotaManager shortLived(&m_provider);
        shortLived.refreshQuota();
        ASSERT_TRUE(waitUntil([&] { return requests() == 1; }));
    }
    spinFor(50ms);
}

}

TEST_F(ClaudeQuotaManagerTest, DisconnectingDropsTheSnapshotAndAFetchAlreadySent)
{
    login();
    m_server.respond(200, Answer);
    connectNow();
    ASSERT_EQ(m_manager.status(), Status::loaded());

    m_clock.advance(120s);
    m_manager.refreshQuota();
    m_manager.disconnectAccount();
    EXPECT_EQ(m_manager.status(), Status::denied());
    EXPECT_FALSE(m_manager.quota());
    EXPECT_TRUE(waitUntil([&] { return m_refreshes > 0; }));
    EXPECT_EQ(m_manager.status(), Status::denied());
    EXPECT_FALSE(m_manager.quota());

    connectNow();
    EXPECT_EQ(m_manager.status(), Status::loaded());
    EXPECT_TRUE(m_manager.quota());
}
