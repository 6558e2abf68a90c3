#include <clocale>
#include <cstdio>

#include <gtest/gtest.h>

#include <QProcess>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "basics/AppSettings.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/FileCredentialStore.h"
#include "views/Autostart.h"
#include "views/QuotaCardModel.h"
#include "views/QuotaSettingsModel.h"
#include "views/SettingsModel.h"
#include "views/UpdateChecker.h"

using namespace pacemark;

Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

using namespace Qt::StringLiterals;
using Status = ClaudeQuotaManager::Status;

namespace {

// Stands in for the platform's login-item service.
struct FakeAutostart : Autostart
{
    bool isLaunchAtLoginEnabled() const override { return enabled; }
    void setLaunchAtLogin(bool value) override
    {
        enabled = value;
        ++changes;
    }
    bool enabled = false;
    int changes = 0;
};

struct FakeUpdater : UpdateChecker
{
    QString currentVersion() const override { return u"2.3.1"_s; }
    bool canCheckForUpdates() const override { return canCheck; }
    void checkForUpdates() override { ++checks; }
    bool canCheck = true;
    int checks = 0;
};

class SettingsForm : public testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void open(QuotaSettingsModel* quota = nullptr)
    {
        m_view.engine()->addImportPath(u"qrc:/qt/qml"_s);
        m_view.setInitialProperties({
            { u"quota"_s, QVariant::fromValue(quota ? quota : &m_quota) },
            { u"defaults"_s, QVariant::fromValue(&m_defaults) },
            { u"loginItem"_s, QVariant::fromValue<Autostart*>(&m_loginItem) },
            { u"appUpdater"_s, QVariant::fromValue<UpdateChecker*>(&m_updater) },
            { u"settingsWindow"_s, QVariant::fromValue(&m_window) },
        });
        m_view.setSource(QUrl(u"qrc:/qt/qml/Pacemark/Views/SettingsView.qml"_s));
        ASSERT_EQ(m_view.status(), QQuickView::Ready) << m_view.errors().value(0).toString().toStdString();
        m_view.resize(480, 540);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        Q_EMIT m_window.shown();
    }

    QQuickItem* find(const char* name)
    {
        auto* item = m_view.rootObject()->findChild<QQuickItem*>(QString::fromLatin1(name));
        EXPECT_NE(item, nullptr) << name;
        return item;
    }

    bool shown(const char* name) { return find(name) && find(name)->isVisible(); }

    void click(const char* name)
    {
        QQuickItem* item = find(name);
        ASSERT_TRUE(shown(name)) << name;
        // The form is taller than the window: scroll the row into view first.
        QQuickItem* scroller = find("scroller");
        const QPointF inForm = item->mapToItem(scroller->property("contentItem").value<QQuickItem*>(), QPointF());
        scroller->setProperty("contentY", std::max(0.0, inForm.y() - 40.0));
        const QPointF centre = item->mapToScene(QPointF(item->width() - 8, item->height() / 2));
        QTest::mouseClick(&m_view, Qt::LeftButton, {}, centre.toPoint());
    }

    QVariant property(const char* name, const char* key) { return find(name)->property(key); }
    bool checked(const char* name) { return property(name, "checked").toBool(); }
    QString text(const char* name) { return property(name, "text").toString(); }

    TempDir m_home;
    AppSettings m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    QuotaSettingsModel m_quota;
    FakeAutostart m_loginItem;
    FakeUpdater m_updater;
    SettingsModel m_window;
    QQuickView m_view;
};

// The defaults on a first opening; the switches write their settings and follow changes made elsewhere;
// the size choice matches only its three heights and leaves any other stored height alone; the battery's
// limit is chosen while the battery shows. Each showing
// rereads the login item; the update button follows the updater; each quota status shows its text, colour
// and actions; quit ends the application.
TEST_F(SettingsForm, EveryControlWritesAndFollowsItsSettingAndEachQuotaStatusShows)
{
    m_loginItem.enabled = true;
    open();
    EXPECT_TRUE(checked("launchAtLoginSwitch"));
    EXPECT_EQ(text("versionText"), u"2.3.1"_s);
    using Read = bool (AppSettings::*)() const;
    using Write = void (AppSettings::*)(bool);
    const std::tuple<const char*, Read, Write> switches[] {
        { "speedInvertedSwitch", &AppSettings::speedInverted, &AppSettings::setSpeedInverted },
        { "horizontalFlipSwitch", &AppSettings::horizontalFlip, &AppSettings::setHorizontalFlip },
        { "runnerPausedSwitch", &AppSettings::runnerPaused, &AppSettings::setRunnerPaused },
        { "quotaBatterySwitch", &AppSettings::showMenuBarQuotaBattery, &AppSettings::setShowMenuBarQuotaBattery },
    };
    for (const auto& [name, read, write] : switches) {
        EXPECT_FALSE(checked(name)) << name;
        click(name);
        EXPECT_TRUE((m_defaults.*read)() && checked(name)) << name;
        (m_defaults.*write)(false);
        EXPECT_FALSE(checked(name)) << name;
    }

    // The alert section: on at 80 % and 95 % by default, the thresholds written and followed both ways.
    EXPECT_TRUE(checked("quotaAlertsSwitch"));
    QQuickItem* lower = find("quotaAlertLowerThreshold");
    QQuickItem* upper = find("quotaAlertUpperThreshold");
    EXPECT_EQ(upper->property("value").toInt(), 95);
    EXPECT_EQ(lower->property("displayText").toString(), u"80%"_s);

    upper->setProperty("value", 70);
    QMetaObject::invokeMethod(upper, "valueModified");
    EXPECT_EQ(m_defaults.quotaAlertUpperThreshold(), 70);
    EXPECT_EQ(lower->property("value").toInt(), 69);

    m_defaults.setQuotaAlertsEnabled(false);
    EXPECT_FALSE(checked("quotaAlertsSwitch") || lower->isEnabled());

    // The price list updates itself unless turned off.
    EXPECT_TRUE(checked("priceListAutoUpdateSwitch"));
    click("priceListAutoUpdateSwitch");
    EXPECT_FALSE(m_defaults.priceListAutoUpdate());

    // The language: Korean until another is chosen.
    EXPECT_EQ(property("languageChoice", "displayText").toString(), u"한국어"_s);
    QMetaObject::invokeMethod(find("languageChoice"), "activated", Q_ARG(int, 2));
    EXPECT_EQ(m_defaults.language(), u"system"_s);
    m_defaults.setLanguage(u"en"_s);
    EXPECT_EQ(property("languageChoice", "displayText").toString(), u"English"_s);

    EXPECT_EQ(property("characterHeightChoice", "displayText").toString(), u"보통 (20pt)"_s);
    m_defaults.setCharacterHeight(18.0);
    EXPECT_EQ(property("characterHeightChoice", "currentIndex").toInt(), -1);
    EXPECT_EQ(m_defaults.characterHeight(), 18.0);
    QMetaObject::invokeMethod(find("characterHeightChoice"), "activated", Q_ARG(int, 2));
    EXPECT_EQ(m_defaults.characterHeight(), 24.0);
    m_defaults.setCharacterHeight(16.0);
    EXPECT_EQ(property("characterHeightChoice", "displayText").toString(), u"작게 (16pt)"_s);

    // The battery's limit: the five-hour one unless the binding one is chosen, only with the battery on.
    EXPECT_EQ(property("batteryLimitChoice", "displayText").toString(), u"5시간"_s);
    EXPECT_FALSE(find("batteryLimitChoice")->isEnabled());
    m_defaults.setShowMenuBarQuotaBattery(true);
    EXPECT_TRUE(find("batteryLimitChoice")->isEnabled());
    QMetaObject::invokeMethod(find("batteryLimitChoice"), "activated", Q_ARG(int, 1));
    EXPECT_TRUE(m_defaults.batteryShowsBindingLimit());
    m_defaults.setBatteryShowsBindingLimit(false);
    EXPECT_EQ(property("batteryLimitChoice", "displayText").toString(), u"5시간"_s);

    click("launchAtLoginSwitch");
    EXPECT_FALSE(m_loginItem.enabled);
    // The user added the entry again elsewhere.
    m_loginItem.enabled = true;
    Q_EMIT m_window.shown();
    EXPECT_TRUE(checked("launchAtLoginSwitch") && m_loginItem.changes == 1);

    click("checkForUpdatesButton");
    EXPECT_EQ(m_updater.checks, 1);
    m_updater.canCheck = false;
    Q_EMIT m_updater.canCheckForUpdatesChanged();
    EXPECT_FALSE(find("checkForUpdatesButton")->isEnabled());

    using Tone = QuotaSettingsModel::Tone;
    const QString longError
        = u"Host unreachable\nwhile resolving a very long host name that does not fit into the row at all"_s;
    // Text, tone, spinner, connect offered; a long text is cut at the row's end.
    const std::tuple<Status, const char*, Tone, bool, bool> statuses[] {
        { Status::error(OAuthError::noToken()), "Claude Code 미로그인", Tone::Secondary, false, false },
        { Status::error(OAuthError::denied()), "연결 해제됨", Tone::Secondary, false, false },
        { Status::error(OAuthError::decode()), "응답 형식 오류", Tone::Red, false, false },
        { Status::error(OAuthError::network(longError)),
          "네트워크 오류: Host unreachable while resolving a very long host name that does not fit into the row at all",
          Tone::Red, false, false },
        { Status::notConfigured(), "Claude Code 미로그인", Tone::Secondary, false, true },
        { Status::loading(), "로딩 중…", Tone::Secondary, true, false },
        { Status::loaded(), "연결됨", Tone::Green, false, false },
        { Status::denied(), "연결 해제됨", Tone::Secondary, false, true },
    };
    for (const auto& [status, statusText, tone, spinner, offersConnect] : statuses) {
        SCOPED_TRACE(statusText);
        m_quota.setStatus(status);
        const QString expected = QString::fromUtf8(statusText);
        EXPECT_EQ(text("quotaStatus"), expected);
        EXPECT_EQ(m_quota.statusTone(), tone);
        EXPECT_EQ(std::tuple(shown("quotaSpinner"), shown("connectButton"), shown("refreshButton")),
                  std::tuple(spinner, offersConnect, !offersConnect));
        EXPECT_EQ(
            std::pair(property("quotaStatus", "lineCount").toInt(), property("quotaStatus", "truncated").toBool()),
            std::pair(1, expected.size() > 60));
    }

    QSignalSpy quit(m_view.engine(), &QQmlEngine::quit);
    click("quitButton");
    EXPECT_EQ(quit.size(), 1);
}

TEST(QuotaPreview, WritesTheCreditsAsPrintfDoesWithAPointInAnyLocale)
{
    ClaudeQuota quota;
    quota.fiveHour = ClaudeQuota::Window { 12.6, std::nullopt };
    quota.extraUsage = ClaudeQuota::ExtraUsage { true, 50000, 1234, 7.25, u"USD"_s, 2, {} };
    QuotaSettingsModel model;

    // Numbers written with a comma for the decimal point by C's formatting functions, as a German
    // desktop session has them. A fresh system has no German locale, so it is compiled into a
    // temporary folder when missing (localedef reads the sources of Debian's locales package).
    TempDir locales;
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::shared_ptr<void> restore(nullptr, [&](void*) {
        qunsetenv("LOCPATH");
        std::setlocale(LC_NUMERIC, previous.c_str());
    });
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        QProcess::execute(
            u"localedef"_s,
            { u"-c"_s, u"-i"_s, u"de_DE"_s, u"-f"_s, u"UTF-8"_s, QString::fromStdString(locales.path("de_DE.UTF-8")) });
        qputenv("LOCPATH", QByteArray::fromStdString(locales.path()));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ASSERT_EQ(std::localeconv()->decimal_point, std::string_view(",")) << "no German locale could be had";
    model.setQuota(quota);
    EXPECT_EQ(model.creditsText(), u"크레딧 7.2% ($12.34/$500.00)"_s);

    // Both windows or neither.
    EXPECT_EQ(model.windowsText(), QString());
}

// The actions against a real quota manager whose endpoint is a local server, which the popover's card
// follows too.
class QuotaActions : public SettingsForm
{
protected:
    LocalHttpServer m_server;
    ClaudeOAuthProvider m_provider { { std::make_shared<FileCredentialStore>(
                                         QString::fromStdString(m_home.path(".credentials.json"))) },
                                     m_server.url() };
    ClaudeQuotaManager m_manager { &m_provider };
    QuotaSettingsModel m_managed { &m_manager };
    QuotaCardModel m_card { &m_manager };
};

TEST_F(QuotaActions, ConnectRefreshAndDisconnect)
{
    // The card shows once the manager has found a credential or a quota.
    EXPECT_FALSE(m_card.showCard());
    m_home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-form"}})");
    m_server.respond(200, R"({"five_hour": {"utilization": 12.6}, "seven_day": {"utilization": 40.0}})");
    m_manager.disconnectAccount();
    open(&m_managed);
    ASSERT_EQ(text("quotaStatus"), u"연결 해제됨"_s);

    click("connectButton");
    EXPECT_EQ(text("quotaStatus"), u"로딩 중…"_s);
    ASSERT_TRUE(waitUntil([&] { return m_manager.status() == Status::loaded(); }));
    EXPECT_EQ(text("quotaWindows"), u"5시간 13%  ·  주간 40%"_s);
    EXPECT_TRUE(!shown("quotaCredits") && m_card.rows().size() == 2 && m_card.showCard());

    m_server.respond(401, "{}");
    click("refreshButton");
    ASSERT_TRUE(waitUntil([&] { return m_server.requests().size() == 2 && m_manager.status() != Status::loading(); }));
    EXPECT_EQ(m_managed.statusTone(), QuotaSettingsModel::Tone::Red);
    // The last good snapshot stays on show.
    EXPECT_TRUE(shown("quotaUpdated"));
    EXPECT_EQ(m_card.badgeText(), u"토큰 만료"_s);

    click("disconnectButton");
    EXPECT_TRUE(!m_manager.quota() && text("quotaStatus") == u"연결 해제됨"_s);
    for (const char* gone : { "quotaUpdated", "quotaWindows", "refreshButton" })
        EXPECT_FALSE(shown(gone)) << gone;
    EXPECT_EQ(m_server.requests().size(), 2);
    std::remove(m_home.path(".credentials.json").c_str());
    m_manager.refreshQuota();
    ASSERT_TRUE(waitUntil([&] { return !m_card.showCard(); }));
    EXPECT_EQ(m_server.requests().size(), 2);
}

}
