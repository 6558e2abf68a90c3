#include <gtest/gtest.h>

#include <atomic>

#include <QSignalSpy>
#include <QTimer>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "basics/ManualClock.h"
#include "basics/TimestampParser.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/FileCredentialStore.h"

using namespace pacemark;

namespace {

using Status = ClaudeQuotaManager::Status;
using namespace std::chrono_literals;

const char* const Answer = R"({"five_hour": {"utilization": 37.0, "resets_at": "2026-01-02T19:59:59.600956+00:00"}})";

// Counts the reads of the credential file.
class ScriptedStore final : public CredentialStore
{
public:
    explicit ScriptedStore(std::string path)
        : m_file(QString::fromStdString(path))
    { }

    std::optional<QByteArray> read(bool allowInteraction) const override
    {
        ++m_reads;
        return m_file.read(allowInteraction);
    }

    FileCredentialStore m_file;
    // Read on the provider's lookup thread.
    mutable std::atomic<int> m_reads = 0;
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
    }
    void TearDown() override { Clock::install(nullptr); }

    void login() { m_home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-q"}})"); }
    void logout() { std::remove(m_home.path(".credentials.json").c_str()); }

    void refresh()
    {
        const int before = m_refreshes.count();
        m_manager.refreshQuota();
        EXPECT_EQ(m_refreshes.count(), before) << "refreshQuota must finish later";
        EXPECT_TRUE(waitUntil([&] { return m_refreshes.count() > before; }));
    }

    void connectNow()
    {
        const int before = m_connects.count();
        m_manager.connectAccount();
        EXPECT_TRUE(waitUntil([&] { return m_connects.count() > before; }));
    }

    qsizetype requests() const { return m_server.requests().size(); }
    QTimer* pollTimer() const { return m_manager.findChild<QTimer*>(QStringLiteral("pollTimer")); }

    ManualClock m_clock { *TimestampParser::parse("2026-01-02T15:00:00Z") };
    TempDir m_home;
    LocalHttpServer m_server;
    std::shared_ptr<ScriptedStore> m_store = std::make_shared<ScriptedStore>(m_home.path(".credentials.json"));
    ClaudeOAuthProvider m_provider { { m_store }, m_server.url() };
    ClaudeQuotaManager m_manager { &m_provider };
    std::vector<Status> m_statuses;
    QSignalSpy m_quotaChanges { &m_manager, &ClaudeQuotaManager::quotaChanged };
    QSignalSpy m_refreshes { &m_manager, &ClaudeQuotaManager::refreshFinished };
    QSignalSpy m_connects { &m_manager, &ClaudeQuotaManager::connectAccountFinished };
};

TEST_F(ClaudeQuotaManagerTest, FailuresKeepTheSnapshotRetryAfterHoldsAndEachRefreshLooksOnce)
{
    refresh();
    login();
    m_server.respond(200, Answer);
    refresh();
    EXPECT_EQ(m_statuses, (std::vector { Status::loading(), Status::loaded() }));
    ASSERT_TRUE(m_manager.quota());

    // Within a minute of a success only a connect asks again.
    m_clock.advance(59s);
    refresh();
    EXPECT_EQ(requests(), 1);
    connectNow();
    EXPECT_EQ(requests(), 2);
    const ClaudeQuota first = *m_manager.quota();

    // With a snapshot on show the status does not pass through loading.
    m_statuses.clear();
    m_clock.advance(60s);
    m_server.respond(500, "{}");
    refresh();
    EXPECT_EQ(m_statuses, (std::vector { Status::error(OAuthError::network(QStringLiteral("HTTP 500"))) }));
    m_server.respond(401, "{}");
    refresh();
    EXPECT_TRUE(m_manager.status() == Status::error(OAuthError::unauthorized()) && m_manager.quota() == first);

    // Too many requests: every fetch, a connect's too, waits until the Retry-After.
    m_server.respond(429, "{}", { { "Retry-After", "120" } });
    refresh();
    EXPECT_EQ(m_manager.status(), Status::error(OAuthError::network(QStringLiteral("HTTP 429"))));
    m_statuses.clear();
    m_server.respond(200, Answer);
    m_clock.advance(119s);
    refresh();
    connectNow();
    EXPECT_TRUE(requests() == 5 && m_statuses.empty());

    // The same answer again is a new snapshot: its time differs.
    m_clock.advance(1s);
    refresh();
    EXPECT_EQ(m_manager.quota()->fetchedAt, Clock::now());

    // A logout shows at the next refresh, within the spacing too, without asking the server.
    logout();
    m_clock.advance(1s);
    refresh();
    EXPECT_TRUE(requests() == 6 && m_manager.status() == Status::notConfigured() && !m_manager.quota());
    EXPECT_EQ(m_quotaChanges.count(), 4);

    // Logging in again is picked up by the next refresh.
    login();
    refresh();
    EXPECT_TRUE(m_manager.status() == Status::loaded() && requests() == 7);

    // Each refresh asks the stores once, and the request carries what that lookup found.
    m_clock.advance(61s);
    const int reads = m_store->m_reads;
    refresh();
    EXPECT_TRUE(m_store->m_reads == reads + 1 && requests() == 8);

    // A popover refresh finding no credential at all leaves denied.
    m_manager.disconnectAccount();
    logout();
    m_clock.advance(61s);
    refresh();
    EXPECT_EQ(m_manager.status(), Status::notConfigured());
}

TEST_F(ClaudeQuotaManagerTest, PollingLooksForACredentialUntilConnectIsDenied)
{
    m_manager.setPollInterval(0.01);
    m_manager.startPolling();
    EXPECT_TRUE(waitUntil([&] { return m_store->m_reads >= 3; }));

    m_server.respond(200, Answer);
    connectNow();
    EXPECT_EQ(m_manager.status(), Status::denied());
    const int readsBefore = m_store->m_reads;
    login();
    QSignalSpy turns(pollTimer(), &QTimer::timeout);
    EXPECT_TRUE(waitUntil([&] { return turns.count() >= 3; }));
    EXPECT_TRUE(m_manager.status() == Status::denied() && requests() == 0);
    EXPECT_EQ(m_store->m_reads, readsBefore) << "a denied loop must not even look for the credential";

    connectNow();
    EXPECT_TRUE(m_manager.status() == Status::loaded() && requests() == 1);
    // The loop refreshes again from its next turn.
    m_clock.advance(61s);
    EXPECT_TRUE(waitUntil([&] { return requests() == 2; }));
    m_manager.stopPolling();
}

TEST_F(ClaudeQuotaManagerTest, StoppingEndsTheLoopDuringARefreshOrTheSleep)
{
    login();
    m_server.respond(200, Answer);
    QSignalSpy pollingChanges(&m_manager, &ClaudeQuotaManager::pollingChanged);
    m_manager.setPollInterval(0.05);
    m_manager.startPolling();
    m_manager.startPolling();
    m_manager.stopPolling();
    EXPECT_EQ(pollingChanges.count(), 2);
    ASSERT_TRUE(waitUntil([&] { return m_refreshes.count() == 1; }));
    EXPECT_EQ(m_manager.status(), Status::loaded());
    EXPECT_FALSE(pollTimer()->isActive()) << "stopped during the refresh, yet the loop goes on";

    m_clock.advance(10min);
    m_manager.startPolling();
    ASSERT_TRUE(waitUntil([&] { return m_refreshes.count() == 2; }));
    EXPECT_TRUE(pollTimer()->isActive());
    m_manager.stopPolling();
    EXPECT_FALSE(pollTimer()->isActive()) << "stopped during the sleep, yet the loop goes on";
    EXPECT_EQ(requests(), 2);
}

// A refresh in flight skips the next but not a connect, and the last to finish wins. A fetch whose manager is
// gone or whose account was disconnected comes to nothing.
TEST_F(ClaudeQuotaManagerTest, FetchesInFlightSkipRefreshesTheLastWinsAndDroppedOnesComeToNothing)
{
    login();
    m_provider.setRequestTimeout(2s);
    m_server.neverAnswer();
    m_manager.refreshQuota();
    m_manager.refreshQuota();
    ASSERT_TRUE(waitUntil([&] { return requests() == 1 && m_refreshes.count() == 1; }));

    m_server.respond(200, Answer);
    connectNow();
    EXPECT_TRUE(m_manager.status() == Status::loaded() && requests() == 2);

    // The silent server's time-out lands last and wins, beside the snapshot.
    EXPECT_TRUE(waitUntil([&] { return m_refreshes.count() == 2; }, 10s) && m_manager.quota());
    const Status timedOut = Status::error(OAuthError::network(OAuthError::Failure::timedOut));
    EXPECT_EQ(m_statuses, (std::vector { Status::loading(), Status::loaded(), timedOut }));

    {
        ClaudeQuotaManager shortLived(&m_provider);
        shortLived.refreshQuota();
        ASSERT_TRUE(waitUntil([&] { return requests() == 3; }));
    }
    // Its answer arrives before the one to this manager's own fetch.
    m_clock.advance(61s);
    refresh();
    EXPECT_TRUE(m_manager.status() == Status::loaded() && requests() == 4);

    m_clock.advance(120s);
    m_manager.refreshQuota();
    m_manager.disconnectAccount();
    EXPECT_TRUE(waitUntil([&] { return m_refreshes.count() == 4; }));
    EXPECT_TRUE(m_manager.status() == Status::denied() && !m_manager.quota());
}

}
