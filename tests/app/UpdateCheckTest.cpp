#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "app/AppUpdater.h"
#include "app/Appcast.h"
#include "app/VersionComparator.h"

using namespace std::chrono_literals;
using Outcome = AppUpdater::CheckResult::Outcome;

namespace {

QByteArray readData(const char* name)
{
    QFile file(QStringLiteral(PACEMARK_TLS_TEST_DATA "/") + QString::fromLatin1(name));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray item(const QByteArray& shortVersion, const QByteArray& build)
{
    return "<item><title>Pacemark " + shortVersion
        + "</title>"
          "<sparkle:version>"
        + build
        + "</sparkle:version>"
          "<sparkle:shortVersionString>"
        + shortVersion
        + "</sparkle:shortVersionString>"
          "<sparkle:releaseNotesLink>https://example.org/notes/"
        + shortVersion
        + "</sparkle:releaseNotesLink>"
          "<description><![CDATA[<ul><li>Faster runner</li></ul>]]></description>"
          "<link>https://example.org/download/"
        + shortVersion
        + "</link>"
          "<enclosure url=\"https://example.org/pacemark_"
        + shortVersion
        + ".deb\" length=\"1\" "
          "type=\"application/vnd.debian.binary-package\"/></item>";
}

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Pacemark</title>"
        + items + "</channel></rss>";
}

class UpdateCheck : public testing::Test
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

    void configure(AppUpdater& updater)
    {
        updater.setCurrentVersion(QStringLiteral("2.9.1"));
        QSslConfiguration trustTestCa = QSslConfiguration::defaultConfiguration();
        trustTestCa.setCaCertificates({ QSslCertificate(readData("test-ca.pem")) });
        updater.setSslConfiguration(trustTestCa);
        updater.setTimeout(3s);
    }

    // Lets both ends of the last TLS connection finish closing, so nothing is left half torn down.
    void TearDown() override
    {
        spinFor(50ms);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    AppUpdater::CheckResult check(AppUpdater& updater)
    {
        std::optional<AppUpdater::CheckResult> result;
        QObject::connect(&updater, &AppUpdater::checkFinished, &updater,
            [&result](const AppUpdater::CheckResult& finished) { result = finished; });
        updater.checkForUpdates();
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(AppUpdater::CheckResult {});
    }

    LocalHttpServer m_server { serverTls() };
};

struct FeedCase
{
    const char* name;
    QByteArray items;
    Outcome outcome;
    const char* newest;
};

class UpdateFeed : public UpdateCheck, public testing::WithParamInterface<FeedCase>
{
};

TEST_P(UpdateFeed, ComparesTheNewestReleaseWithTheRunningVersion)
{
    m_server.respond(200, feed(GetParam().items), { { "Content-Type", "application/rss+xml" } });
    AppUpdater updater(m_server.url());
    configure(updater);

    const AppUpdater::CheckResult result = check(updater);

    EXPECT_EQ(result.outcome, GetParam().outcome) << result.error.toStdString();
    EXPECT_EQ(result.currentVersion, QStringLiteral("2.9.1"));
    ASSERT_TRUE(result.release.has_value());
    EXPECT_EQ(result.release->displayVersion(), QString::fromLatin1(GetParam().newest));
    EXPECT_EQ(m_server.requests().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Feeds, UpdateFeed,
    testing::Values(FeedCase { "Newer", item("2.10.0", "60"), Outcome::updateAvailable, "2.10.0" },
        FeedCase { "Same", item("2.9.1", "57"), Outcome::upToDate, "2.9.1" },
        FeedCase { "Older", item("2.9.0", "55"), Outcome::upToDate, "2.9.0" },
        FeedCase { "NewestOfSeveral", item("2.9.0", "55") + item("3.0.0", "70") + item("2.10.0", "60"),
            Outcome::updateAvailable, "3.0.0" }),
    [](const testing::TestParamInfo<FeedCase>& param) { return param.param.name; });

TEST_F(UpdateCheck, ANewerReleaseCarriesItsNotesAndDownloadPage)
{
    m_server.respond(200, feed(item("2.10.0", "60")));
    AppUpdater updater(m_server.url());
    configure(updater);

    const AppUpdater::CheckResult result = check(updater);

    ASSERT_EQ(result.outcome, Outcome::updateAvailable);
    EXPECT_EQ(result.release->version, QStringLiteral("60"));
    EXPECT_EQ(result.release->description, QStringLiteral("<ul><li>Faster runner</li></ul>"));
    EXPECT_EQ(result.release->releaseNotesLink, QUrl(QStringLiteral("https://example.org/notes/2.10.0")));
    EXPECT_EQ(result.release->downloadPage(), QUrl(QStringLiteral("https://example.org/download/2.10.0")));
}

TEST_F(UpdateCheck, MalformedFeedsAndServerErrorsFail)
{
    AppUpdater updater(m_server.url());
    configure(updater);
    for (const QByteArray& body : { QByteArray("<rss><channel><item><title>cut off"),
             QByteArray("{\"version\":\"3.0\"}"), QByteArray("<html><body>Not a feed</body></html>") }) {
        m_server.respond(200, body);
        const AppUpdater::CheckResult result = check(updater);
        EXPECT_EQ(result.outcome, Outcome::failed) << body.toStdString();
        EXPECT_FALSE(result.error.isEmpty());
    }
    m_server.respond(404, "missing");
    EXPECT_EQ(check(updater).outcome, Outcome::failed);
}

TEST_F(UpdateCheck, AnUnreachableServerFails)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    AppUpdater updater(QUrl(QStringLiteral("https://localhost:%1/appcast.xml").arg(port)));
    configure(updater);

    const AppUpdater::CheckResult result = check(updater);

    EXPECT_EQ(result.outcome, Outcome::failed);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(updater.canCheckForUpdates());
}

TEST_F(UpdateCheck, ASlowServerIsGivenUpAtTheDeadlineAndNoSecondCheckRunsMeanwhile)
{
    m_server.trickle(50ms);
    AppUpdater updater(m_server.url());
    configure(updater);
    updater.setTimeout(400ms);
    int finished = 0;
    QObject::connect(&updater, &AppUpdater::checkFinished, &updater, [&finished] { ++finished; });

    QElapsedTimer elapsed;
    elapsed.start();
    updater.checkForUpdates();
    EXPECT_FALSE(updater.canCheckForUpdates());
    updater.checkForUpdates();
    const AppUpdater::CheckResult result = check(updater);

    EXPECT_EQ(result.outcome, Outcome::failed);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(m_server.requests().size(), 1);
    EXPECT_TRUE(updater.canCheckForUpdates());
}

TEST_F(UpdateCheck, OnlyAnHttpsFeedCanBeChecked)
{
    EXPECT_FALSE(AppUpdater(QUrl()).canCheckForUpdates());
    EXPECT_FALSE(AppUpdater(QUrl(QStringLiteral("http://example.org/appcast.xml"))).canCheckForUpdates());
    EXPECT_TRUE(AppUpdater(QUrl(QStringLiteral("https://example.org/appcast.xml"))).canCheckForUpdates());

    AppUpdater unconfigured { QUrl() };
    EXPECT_EQ(check(unconfigured).outcome, Outcome::failed);
}

TEST(Appcast, ReadsVersionsFromTheEnclosureAndIgnoresPlainHttpLinks)
{
    const auto parsed = Appcast::parse(
        "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
        "<item><title>No version</title></item>"
        "<item><link>http://example.org/page</link><enclosure url=\"https://example.org/p.deb\" "
        "sparkle:version=\"80\" sparkle:shortVersionString=\"4.1\"/></item></channel></rss>");
    ASSERT_TRUE(std::holds_alternative<QList<Appcast::Item>>(parsed));
    const auto& items = std::get<QList<Appcast::Item>>(parsed);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].displayVersion(), QStringLiteral("4.1"));
    EXPECT_EQ(items[0].version, QStringLiteral("80"));
    EXPECT_EQ(items[0].downloadPage(), QUrl(QStringLiteral("https://example.org/p.deb")));
}

struct VersionCase
{
    const char* a;
    const char* b;
    int order;
};

class VersionOrder : public testing::TestWithParam<VersionCase>
{
};

TEST_P(VersionOrder, ComparesAsPeopleReadVersions)
{
    const QString a = QString::fromLatin1(GetParam().a);
    const QString b = QString::fromLatin1(GetParam().b);
    EXPECT_EQ(VersionComparator::compare(a, b), GetParam().order);
    EXPECT_EQ(VersionComparator::compare(b, a), -GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionOrder,
    testing::Values(VersionCase { "2.10.0", "2.9.1", 1 }, VersionCase { "1.2", "1.10", -1 },
        VersionCase { "1.0", "1.0.0", 0 }, VersionCase { "1.0.1", "1.0", 1 },
        VersionCase { "01.2", "1.2", 0 }, VersionCase { "1.0b2", "1.0", -1 },
        VersionCase { "1.0-rc1", "1.0", -1 }, VersionCase { "1.0.0b1", "1.0", -1 },
        VersionCase { "1.0b2", "1.0b10", -1 }, VersionCase { "1.0a", "1.0b", -1 },
        VersionCase { "1.0.1", "1.0rc1", 1 }, VersionCase { "99999999999999999999.0", "9.0", 1 },
        VersionCase { "57", "56", 1 }, VersionCase { "", "", 0 }));

struct InfoCase
{
    const char* name;
    std::optional<QVariantMap> info;
    const char* version;
};

class VersionRule : public testing::TestWithParam<InfoCase>
{
};

TEST_P(VersionRule, ShortVersionThenBuildNumberThenOneDotZero)
{
    EXPECT_EQ(AppUpdater::appVersion(GetParam().info), QString::fromLatin1(GetParam().version));
}

const QString ShortKey = QStringLiteral("CFBundleShortVersionString");
const QString BuildKey = QStringLiteral("CFBundleVersion");

INSTANTIATE_TEST_SUITE_P(Table, VersionRule,
    testing::Values(
        InfoCase { "Both",
            QVariantMap { { ShortKey, QStringLiteral("2.3.1") }, { BuildKey, QStringLiteral("57") } },
            "2.3.1" },
        InfoCase { "BuildOnly", QVariantMap { { BuildKey, QStringLiteral("57") } }, "57" },
        InfoCase { "Neither", QVariantMap {}, "1.0.0" }, InfoCase { "NoInformation", std::nullopt, "1.0.0" },
        InfoCase {
            "ShortIsNoString", QVariantMap { { ShortKey, 5 }, { BuildKey, QStringLiteral("57") } }, "57" },
        InfoCase { "BuildIsNoString", QVariantMap { { BuildKey, 57 } }, "1.0.0" }),
    [](const testing::TestParamInfo<InfoCase>& param) { return param.param.name; });

TEST(VersionRule, TheBuildRecordsTheProjectVersion)
{
    EXPECT_EQ(AppUpdater::appVersion(), QStringLiteral(PACEMARK_VERSION));
}

}
