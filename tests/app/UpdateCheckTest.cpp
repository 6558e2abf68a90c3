#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TestTls.h"
#include "app/AppUpdater.h"
#include "app/Appcast.h"
#include "app/VersionComparator.h"

using namespace std::chrono_literals;
using Outcome = AppUpdater::CheckResult::Outcome;

namespace {

QByteArray item(const QByteArray& shortVersion, const QByteArray& build)
{
    return QByteArray("<item><title>Pacemark @</title><sparkle:version>#</sparkle:version>"
                      "<sparkle:shortVersionString>@</sparkle:shortVersionString>"
                      "<sparkle:releaseNotesLink>https://example.org/notes/@</sparkle:releaseNotesLink>"
                      "<description><![CDATA[<ul><li>Faster runner</li></ul>]]></description>"
                      "<link>https://example.org/download/@</link>"
                      "<enclosure url=\"https://example.org/pacemark_@.deb\" length=\"1\" "
                      "type=\"application/vnd.debian.binary-package\"/></item>")
        .replace('#', build)
        .replace('@', shortVersion);
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
    void configure(AppUpdater& updater)
    {
        updater.setCurrentVersion(QStringLiteral("2.9.1"));
        updater.setSslConfiguration(TestTls::trustingTestCa());
        updater.setTimeout(3s);
    }

    // Lets both ends of the last TLS connection finish closing, so nothing is left half torn down.
    void TearDown() override
    {
        EXPECT_TRUE(waitUntil([this] { return m_server.findChildren<QTcpSocket*>().isEmpty(); }));
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

    LocalHttpServer m_server { TestTls::serverConfiguration() };
};

TEST_F(UpdateCheck, ComparesTheNewestReleaseWithTheRunningVersion)
{
    AppUpdater updater(m_server.url());
    configure(updater);
    const std::tuple<QByteArray, Outcome, const char*> feeds[] {
        { item("2.9.1", "57"), Outcome::upToDate, "2.9.1" },
        { item("2.9.0", "55"), Outcome::upToDate, "2.9.0" },
        { item("2.9.0", "55") + item("3.0.0", "70") + item("2.10.0", "60"), Outcome::updateAvailable, "3.0.0" },
    };
    AppUpdater::CheckResult result;
    for (const auto& [items, outcome, newest] : feeds) {
        m_server.respond(200, feed(items), { { "Content-Type", "application/rss+xml" } });
        result = check(updater);
        EXPECT_EQ(result.outcome, outcome) << newest << result.error.toStdString();
        EXPECT_EQ(result.currentVersion, QStringLiteral("2.9.1"));
        ASSERT_TRUE(result.release.has_value());
        EXPECT_EQ(result.release->displayVersion(), QString::fromLatin1(newest));
    }
    EXPECT_EQ(m_server.requests().size(), 3);

    const Appcast::Item& release = *result.release;
    EXPECT_EQ(release.version, QStringLiteral("70"));
    EXPECT_EQ(release.description, QStringLiteral("<ul><li>Faster runner</li></ul>"));
    EXPECT_EQ(release.releaseNotesLink, QUrl(QStringLiteral("https://example.org/notes/3.0.0")));
    EXPECT_EQ(release.downloadPage(), QUrl(QStringLiteral("https://example.org/download/3.0.0")));
}

TEST_F(UpdateCheck, MalformedFeedsAndServerErrorsFail)
{
    AppUpdater updater(m_server.url());
    configure(updater);
    for (const QByteArray& body :
         { QByteArray("<rss><channel><item><title>cut off"), QByteArray("{\"version\":\"3.0\"}"),
           QByteArray("<html><body>Not a feed</body></html>") }) {
        m_server.respond(200, body);
        const AppUpdater::CheckResult result = check(updater);
        EXPECT_EQ(result.outcome, Outcome::failed) << body.toStdString();
        EXPECT_FALSE(result.error.isEmpty());
    }
    // Every transport failure takes the same way as this one.
    m_server.respond(404, "missing");
    EXPECT_EQ(check(updater).outcome, Outcome::failed);
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
    const auto parsed
        = Appcast::parse("<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
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

TEST(VersionOrder, ComparesAsPeopleReadVersions)
{
    const std::tuple<const char*, const char*, int> cases[] { { "2.10.0", "2.9.1", 1 },
                                                              { "1.2", "1.10", -1 },
                                                              { "1.0", "1.0.0", 0 },
                                                              { "01.2", "1.2", 0 },
                                                              { "1.0b2", "1.0", -1 },
                                                              { "1.0-rc1", "1.0", -1 },
                                                              { "1.0.0b1", "1.0", -1 },
                                                              { "1.0b2", "1.0b10", -1 },
                                                              { "1.0a", "1.0b", -1 },
                                                              { "1.0.1", "1.0rc1", 1 },
                                                              { "99999999999999999999.0", "9.0", 1 },
                                                              { "", "", 0 } };
    for (const auto& [a, b, order] : cases) {
        EXPECT_EQ(VersionComparator::compare(QString::fromLatin1(a), QString::fromLatin1(b)), order) << a << " " << b;
        EXPECT_EQ(VersionComparator::compare(QString::fromLatin1(b), QString::fromLatin1(a)), -order) << a << " " << b;
    }
}

// The short version, then the build number, then "1.0.0"; a value that is no string counts as missing.
TEST(VersionRule, ShortVersionThenBuildNumberThenOneDotZero)
{
    const QString shortKey = QStringLiteral("CFBundleShortVersionString");
    const QString buildKey = QStringLiteral("CFBundleVersion");
    const QString build = QStringLiteral("57");
    EXPECT_EQ(AppUpdater::appVersion(QVariantMap { { shortKey, QStringLiteral("2.3.1") }, { buildKey, build } }),
              QStringLiteral("2.3.1"));
    EXPECT_EQ(AppUpdater::appVersion(QVariantMap { { shortKey, 5 }, { buildKey, build } }), build);
    EXPECT_EQ(AppUpdater::appVersion(QVariantMap { { buildKey, 57 } }), QStringLiteral("1.0.0"));
    EXPECT_EQ(AppUpdater::appVersion(std::nullopt), QStringLiteral("1.0.0"));
    EXPECT_EQ(AppUpdater::appVersion(), QStringLiteral(PACEMARK_VERSION));
}

}
