#include <gtest/gtest.h>

#include <atomic>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "basics/AppSettings.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/FileCredentialStore.h"
#include "quota/SecretServiceCredentialStore.h"
#include "runner/RunCharacter.h"
#include "views/QuotaCardModel.h"

using namespace pacemark;

using namespace std::chrono_literals;

namespace {

// A Secret Service that finds nothing, and says so only after a delay: a keyring busy or slow to
// unlock. It answers from a thread and a bus connection of its own, so a main thread blocked on the
// keyring cannot hold up the answer it waits for.
class SlowSecretService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Secret.Service")

public:
    explicit SlowSecretService(QDBusConnection connection)
        : m_connection(std::move(connection))
    { }

    std::atomic<int> searches = 0;
    std::atomic<int> delayMs = 0;

public Q_SLOTS:
    // Spelled out rather than aliased: QtDBus finds the argument's type by the name moc records.
    void SearchItems(const QMap<QString, QString>&, const QDBusMessage& message)
    {
        ++searches;
        message.setDelayedReply(true);
        const QDBusMessage reply = message.createReply(
            { QVariant::fromValue(QList<QDBusObjectPath> {}), QVariant::fromValue(QList<QDBusObjectPath> {}) });
        QTimer::singleShot(delayMs.load(), this, [this, reply] { m_connection.send(reply); });
    }

private:
    QDBusConnection m_connection;
};

// Runs on a private session bus (dbus-run-session), where it can take the Secret Service's name. The
// service stays for the whole suite: libsecret keeps its proxy of the service for the process.
class SlowKeyringTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        QDBusConnection connection
            = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("slow-keyring"));
        if (!connection.isConnected() || !connection.registerService(QStringLiteral("org.freedesktop.secrets")))
            return;
        s_thread = new QThread;
        s_service = new SlowSecretService(connection);
        s_service->moveToThread(s_thread);
        QObject::connect(s_thread, &QThread::finished, s_service, &QObject::deleteLater);
        s_thread->start();
        connection.registerObject(QStringLiteral("/org/freedesktop/secrets"), s_service,
                                  QDBusConnection::ExportAllSlots);
    }

    static void TearDownTestSuite()
    {
        if (!s_thread)
            return;
        s_thread->quit();
        s_thread->wait();
        delete s_thread;
        QDBusConnection::disconnectFromBus(QStringLiteral("slow-keyring"));
    }

    void SetUp() override
    {
        if (!s_service)
            GTEST_SKIP() << "no private session bus to take the Secret Service's name on: run through "
                            "dbus-run-session";
        s_service->searches = 0;
        m_home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-slow"}})");
        m_server.respond(200, R"({"five_hour": {"utilization": 37.0}})");
    }

    static SlowSecretService* serve(std::chrono::milliseconds delay)
    {
        s_service->delayMs = static_cast<int>(delay.count());
        return s_service;
    }

    // The stores in the application's order.
    ClaudeOAuthProvider::Stores stores(std::chrono::milliseconds keyringDeadline) const
    {
        return { std::make_shared<SecretServiceCredentialStore>(QStringLiteral("Claude Code-credentials"),
                                                                keyringDeadline),
                 std::make_shared<FileCredentialStore>(QString::fromStdString(m_home.path(".credentials.json"))) };
    }

    static inline QThread* s_thread = nullptr;
    static inline SlowSecretService* s_service = nullptr;
    TempDir m_home;
    LocalHttpServer m_server;
};

// The runner keeps stepping while the keyring takes two seconds over one refresh, which asks it once;
// the dashboard's card, rebuilt meanwhile, does not ask it at all.
TEST_F(SlowKeyringTest, ASlowKeyringDelaysNoFrame)
{
    SlowSecretService* service = serve(2s);
    ClaudeOAuthProvider provider(stores(SecretServiceCredentialStore::SilentDeadline), m_server.url());
    ClaudeQuotaManager manager(&provider);
    QuotaCardModel card(&manager);

    AppSettings defaults(QString::fromStdString(m_home.path("settings.ini")));
    RunCharacter runner(&defaults);
    runner.start();
    runner.setDebugSpeedOverride(AnimationSpeed::Sprinting);
    QSignalSpy frames(&runner, &RunCharacter::currentFrameChanged);
    ASSERT_TRUE(waitUntil([&] { return frames.count() > 2; }));

    QSignalSpy refreshed(&manager, &ClaudeQuotaManager::refreshFinished);
    frames.clear();
    manager.refreshQuota();
    ASSERT_TRUE(waitUntil([&] { return service->searches == 1; }));
    card.rebuild();
    ASSERT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));
    // Two seconds of a sprinting runner are some fifty frames; a main thread that waited saw one.
    EXPECT_GT(frames.count(), 10);
    EXPECT_TRUE(manager.quota() && card.showCard());

    card.rebuild();
    EXPECT_EQ(service->searches, 1);
    EXPECT_EQ(m_server.requests().size(), 1);
}

// A keyring that misses its deadline counts as holding nothing: the credential file still serves.
TEST_F(SlowKeyringTest, AKeyringPastItsDeadlineLeavesTheFile)
{
    SlowSecretService* service = serve(10s);
    ClaudeOAuthProvider provider(stores(200ms), m_server.url());
    ClaudeQuotaManager manager(&provider);
    QSignalSpy refreshed(&manager, &ClaudeQuotaManager::refreshFinished);
    manager.refreshQuota();
    ASSERT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));
    EXPECT_TRUE(service->searches == 1 && manager.quota() && manager.credentialFound());
}

// A lookup that may wait minutes on an unlock prompt does not hold up the provider's end.
TEST_F(SlowKeyringTest, AProviderGoingAwayGivesUpItsLookup)
{
    SlowSecretService* service = serve(10s);
    QElapsedTimer ending;
    {
        ClaudeOAuthProvider provider(stores(SecretServiceCredentialStore::SilentDeadline), m_server.url());
        bool answered = false;
        provider.findAccessToken(true, &provider, [&](const std::optional<QString>&) { answered = true; });
        ASSERT_TRUE(waitUntil([&] { return service->searches == 1; }));
        EXPECT_FALSE(answered);
        ending.start();
    }
    EXPECT_LT(ending.elapsed(), 5000);
}

}

#include "SlowKeyringTest.moc"
