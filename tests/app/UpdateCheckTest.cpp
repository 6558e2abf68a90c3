#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TestTls.h"
#include "app/AppUpdater.h"
#include "app/UpdateFeed.h"
#include "app/VersionComparator.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;
using Outcome = AppUpdater::CheckResult::Outcome;

namespace {

QByteArray item(const QByteArray& shortVersion, const QByteArray& build)
{
    return QByteArray(
               "<item><title>Pacemark @</title><sparkle:version>#</sparkle:version><sparkle:shortVersionString>@"
               "</sparkle:shortVersionString><sparkle:releaseNotesLink>https://example.org/notes/@"
               "</sparkle:releaseNotesLink><description><![CDATA[<ul><li>Faster runner</li></ul>]]></description>"
               "<link>https://example.org/download/@</link><enclosure url=\"https://example.org/pacemark_@.deb\" "
               "length=\"1\" type=\"application/vnd.debian.binary-package\"/></item>")
        .replace('#', build)
        .replace('@', shortVersion);
}

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><title>Pacemark</title>"
        + items + "</channel></rss>";
}

class UpdateCheck : public testing::Test
{
protected:
    void SetUp() override
    {
        m_updater.emplace(m_server.url());
        m_updater->setCurrentVersion(u"2.9.1"_s);
        m_updater->setSslConfiguration(TestTls::trustingTestCa());
        m_updater->setTimeout(3s);
    }

    // Lets both ends of the last TLS connection finish closing, so nothing is left half torn down.
    void TearDown() override
    {
        m_updater.reset();
        EXPECT_TRUE(waitUntil([this] { return m_server.findChildren<QTcpSocket*>().isEmpty(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static AppUpdater::CheckResult check(AppUpdater& updater)
    {
        std::optional<AppUpdater::CheckResult> result;
        QObject::connect(&updater, &AppUpdater::checkFinished, &updater,
                         [&result](const AppUpdater::CheckResult& finished) { result = finished; });
        updater.checkForUpdates();
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(AppUpdater::CheckResult {});
    }

    LocalHttpServer m_server { TestTls::serverConfiguration() };
    std::optional<AppUpdater> m_updater;
};

// The newest release against the running version; malformed feeds and server errors fail.
TEST_F(UpdateCheck, ComparesTheNewestReleaseWithTheRunningVersion)
{
    const std::tuple<int, QByteArray, Outcome, const char*> feeds[] {
        { 200, feed(item("2.9.1", "57")), Outcome::upToDate, "2.9.1" },
        { 200, feed(item("2.9.0", "55")), Outcome::upToDate, "2.9.0" },
        { 200, "<rss><channel><item><title>cut off", Outcome::failed, nullptr },
        { 200, "{\"version\":\"3.0\"}", Outcome::failed, nullptr },
        { 200, "<html><body>Not a feed</body></html>", Outcome::failed, nullptr },
        // Every transport failure takes the same way as this one.
        { 404, "missing", Outcome::failed, nullptr },
        { 200, feed(item("2.9.0", "55") + item("3.0.0", "70") + item("2.10.0", "60")), Outcome::updateAvailable,
          "3.0.0" },
    };
    AppUpdater::CheckResult result;
    for (const auto& [code, body, outcome, newest] : feeds) {
        SCOPED_TRACE(body.toStdString());
        m_server.respond(code, body, { { "Content-Type", "application/rss+xml" } });
        result = check(*m_updater);
        EXPECT_EQ(result.outcome, outcome) << result.error.toStdString();
        EXPECT_EQ(result.error.isEmpty(), newest != nullptr);
        ASSERT_EQ(result.release.has_value(), newest != nullptr);
        EXPECT_TRUE(!newest || result.release->displayVersion() == QString::fromLatin1(newest));
    }

    const UpdateFeed::Item& release = *result.release;
    EXPECT_EQ(std::tuple(release.version, release.description, release.releaseNotesLink, release.downloadPage()),
              std::tuple(u"70"_s, u"<ul><li>Faster runner</li></ul>"_s, QUrl(u"https://example.org/notes/3.0.0"_s),
                         QUrl(u"https://example.org/download/3.0.0"_s)));

    // Only an https feed can be checked.
    EXPECT_FALSE(AppUpdater(QUrl(u"http://example.org/appcast.xml"_s)).canCheckForUpdates());
    AppUpdater unconfigured { QUrl() };
    EXPECT_TRUE(!unconfigured.canCheckForUpdates() && check(unconfigured).outcome == Outcome::failed);
}

TEST_F(UpdateCheck, ASlowServerIsGivenUpAtTheDeadlineAndNoSecondCheckRunsMeanwhile)
{
    m_server.trickle(50ms);
    m_updater->setTimeout(400ms);
    int finished = 0;
    QObject::connect(&*m_updater, &AppUpdater::checkFinished, &*m_updater, [&finished] { ++finished; });

    QElapsedTimer elapsed;
    elapsed.start();
    m_updater->checkForUpdates();
    EXPECT_FALSE(m_updater->canCheckForUpdates());
    m_updater->checkForUpdates();
    EXPECT_EQ(check(*m_updater).outcome, Outcome::failed);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_TRUE(finished == 1 && m_server.requests().size() == 1 && m_updater->canCheckForUpdates());
}

// Versions are read from the enclosure too, plain http links are ignored, and versions compare as
// people read them; the running version is the short version first.
TEST(Versions, ReadFromTheFeedComparedAsPeopleReadThemAndShortVersionFirst)
{
    const auto parsed
        = UpdateFeed::parse("<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
                            "<item><title>No version</title></item>"
                            "<item><link>http://example.org/page</link><enclosure url=\"https://example.org/p.deb\" "
                            "sparkle:version=\"80\" sparkle:shortVersionString=\"4.1\"/></item></channel></rss>");
    ASSERT_TRUE(std::holds_alternative<QList<UpdateFeed::Item>>(parsed));
    const auto& items = std::get<QList<UpdateFeed::Item>>(parsed);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(std::tuple(items[0].displayVersion(), items[0].version, items[0].downloadPage()),
              std::tuple(u"4.1"_s, u"80"_s, QUrl(u"https://example.org/p.deb"_s)));

    for (const char* order :
         { "2.10.0 > 2.9.1", "1.2 < 1.10", "1.0 = 1.0.0", "01.2 = 1.2", "1.0b2 < 1.0", "1.0-rc1 < 1.0", "1.0.0b1 < 1.0",
           "1.0b2 < 1.0b10", "1.0a < 1.0b", "1.0.1 > 1.0rc1", "99999999999999999999.0 > 9.0", " = " }) {
        const QStringList parts = QString::fromLatin1(order).split(u' ');
        const int expected = parts[1] == u"<" ? -1 : parts[1] == u">" ? 1 : 0;
        EXPECT_EQ(VersionComparator::compare(parts[0], parts[2]), expected) << order;
        EXPECT_EQ(VersionComparator::compare(parts[2], parts[0]), -expected) << order;
    }

    // The short version, then the build number, then "1.0.0"; a value that is no string counts as missing.
    const QString shortKey = u"CFBundleShortVersionString"_s, buildKey = u"CFBundleVersion"_s;
    EXPECT_EQ(AppUpdater::appVersion(QVariantMap { { shortKey, u"2.3.1"_s }, { buildKey, u"57"_s } }), u"2.3.1"_s);
    EXPECT_EQ(AppUpdater::appVersion(QVariantMap { { shortKey, 5 }, { buildKey, u"57"_s } }), u"57"_s);
    EXPECT_EQ(AppUpdater::appVersion(QVariantMap { { buildKey, 57 } }), u"1.0.0"_s);
    EXPECT_EQ(AppUpdater::appVersion(std::nullopt), u"1.0.0"_s);
    EXPECT_EQ(AppUpdater::appVersion(), QStringLiteral(PACEMARK_VERSION));
}

}
