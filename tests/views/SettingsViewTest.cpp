#include <clocale>

#include <gtest/gtest.h>

#include <QFile>
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
#include "basics/UserDefaults.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/FileCredentialStore.h"
#include "views/LoginItem.h"
#include "views/QuotaSettingsModel.h"
#include "views/SettingsModel.h"
#include "views/UpdateChecker.h"

Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

using namespace std::chrono_literals;
using Status = ClaudeQuotaManager::Status;

namespace {

// Stands in for the platform's login-item service.
class FakeLoginItem : public LoginItem
{
public:
    bool isLaunchAtLoginEnabled() const override { return enabled; }
    void setLaunchAtLogin(bool value) override
    {
        enabled = value;
        ++changes;
    }

    bool enabled = false;
    int changes = 0;
};

class FakeUpdater : public UpdateChecker
{
public:
    QString currentVersion() const override { return QStringLiteral("2.3.1"); }
    bool canCheckForUpdates() const override { return canCheck; }
    void checkForUpdates() override { ++checks; }

    bool canCheck = true;
    int checks = 0;
};

QQuickItem* find(const QQuickView& view, const char* name)
{
    auto* item = view.rootObject()->findChild<QQuickItem*>(QString::fromLatin1(name));
    EXPECT_NE(item, nullptr) << name;
    return item;
}

bool shown(const QQuickItem* item)
{
    for (const QQuickItem* at = item; at; at = at->parentItem()) {
        if (!at->isVisible())
            return false;
    }
    return true;
}

class SettingsForm : public testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void open(QuotaSettingsModel* quota = nullptr)
    {
        m_view.engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
        m_view.setInitialProperties({
            { QStringLiteral("quota"), QVariant::fromValue(quota ? quota : &m_quota) },
            { QStringLiteral("defaults"), QVariant::fromValue(&m_defaults) },
            { QStringLiteral("loginItem"), QVariant::fromValue<LoginItem*>(&m_loginItem) },
            { QStringLiteral("appUpdater"), QVariant::fromValue<UpdateChecker*>(&m_updater) },
            { QStringLiteral("settingsWindow"), QVariant::fromValue(&m_window) },
        });
        m_view.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Pacemark/Views/SettingsView.qml")));
        ASSERT_EQ(m_view.status(), QQuickView::Ready) << m_view.errors().value(0).toString().toStdString();
        m_view.resize(480, 540);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        Q_EMIT m_window.shown();
    }

    void click(const char* name)
    {
        QQuickItem* item = find(m_view, name);
        ASSERT_TRUE(shown(item)) << name;
        // The form is taller than the window: scroll the row into view first.
        QQuickItem* scroller = find(m_view, "scroller");
        const QPointF inForm = item->mapToItem(scroller->property("contentItem").value<QQuickItem*>(), QPointF());
        scroller->setProperty("contentY", std::max(0.0, inForm.y() - 40.0));
        const QPointF centre = item->mapToScene(QPointF(item->width() - 8, item->height() / 2));
        QTest::mouseClick(&m_view, Qt::LeftButton, {}, centre.toPoint());
    }

    bool checked(const char* name) { return find(m_view, name)->property("checked").toBool(); }
    QString text(const char* name) { return find(m_view, name)->property("text").toString(); }

    TempDir m_home;
    UserDefaults m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    QuotaSettingsModel m_quota;
    FakeLoginItem m_loginItem;
    FakeUpdater m_updater;
    SettingsModel m_window;
    QQuickView m_view;
};

TEST_F(SettingsForm, AFirstOpeningShowsTheDefaults)
{
    m_loginItem.enabled = true;
    open();
    for (const char* name :
         { "speedInvertedSwitch", "horizontalFlipSwitch", "runnerPausedSwitch", "quotaBatterySwitch" })
        EXPECT_FALSE(checked(name)) << name;
    EXPECT_EQ(find(m_view, "characterHeightChoice")->property("displayText").toString(), QStringLiteral("보통 (20pt)"));
    EXPECT_TRUE(checked("launchAtLoginSwitch"));
    EXPECT_EQ(text("versionText"), QStringLiteral("2.3.1"));
}

TEST_F(SettingsForm, SwitchesWriteTheSettingsAndFollowChangesMadeElsewhere)
{
    open();
    using Read = bool (UserDefaults::*)() const;
    using Write = void (UserDefaults::*)(bool);
    const std::tuple<const char*, Read, Write> switches[] {
        { "speedInvertedSwitch", &UserDefaults::speedInverted, &UserDefaults::setSpeedInverted },
        { "horizontalFlipSwitch", &UserDefaults::horizontalFlip, &UserDefaults::setHorizontalFlip },
        { "runnerPausedSwitch", &UserDefaults::runnerPaused, &UserDefaults::setRunnerPaused },
        { "quotaBatterySwitch", &UserDefaults::showMenuBarQuotaBattery, &UserDefaults::setShowMenuBarQuotaBattery },
    };
    for (const auto& [name, read, write] : switches) {
        click(name);
        EXPECT_TRUE((m_defaults.*read)()) << name;
        (m_defaults.*write)(false);
        EXPECT_FALSE(checked(name)) << name;
        (m_defaults.*write)(true);
        EXPECT_TRUE(checked(name)) << name;
        click(name);
        EXPECT_FALSE((m_defaults.*read)()) << name;
    }
}

// The alert section: on at 80 % and 95 % by default, the thresholds written and followed both ways.
TEST_F(SettingsForm, TheAlertSectionShowsAndWritesTheThresholds)
{
    open();
    EXPECT_TRUE(checked("quotaAlertsSwitch"));
    QQuickItem* lower = find(m_view, "quotaAlertLowerThreshold");
    QQuickItem* upper = find(m_view, "quotaAlertUpperThreshold");
    EXPECT_EQ(lower->property("value").toInt(), 80);
    EXPECT_EQ(upper->property("value").toInt(), 95);
    EXPECT_EQ(lower->property("displayText").toString(), QStringLiteral("80%"));

    upper->setProperty("value", 70);
    QMetaObject::invokeMethod(upper, "valueModified");
    EXPECT_EQ(m_defaults.quotaAlertUpperThreshold(), 70);
    EXPECT_EQ(lower->property("value").toInt(), 69);

    m_defaults.setQuotaAlertsEnabled(false);
    EXPECT_FALSE(checked("quotaAlertsSwitch"));
    EXPECT_FALSE(lower->isEnabled());
}

TEST_F(SettingsForm, TheSizeChoiceMatchesOnlyItsThreeHeights)
{
    m_defaults.setCharacterHeight(18.0);
    open();
    QQuickItem* choice = find(m_view, "characterHeightChoice");
    EXPECT_EQ(choice->property("currentIndex").toInt(), -1);
    EXPECT_EQ(m_defaults.characterHeight(), 18.0);

    QMetaObject::invokeMethod(choice, "activated", Q_ARG(int, 2));
    EXPECT_EQ(m_defaults.characterHeight(), 24.0);

    m_defaults.setCharacterHeight(16.0);
    EXPECT_EQ(choice->property("displayText").toString(), QStringLiteral("작게 (16pt)"));
}

TEST_F(SettingsForm, EachShowingRereadsTheLoginItem)
{
    open();
    click("launchAtLoginSwitch");
    EXPECT_TRUE(m_loginItem.enabled);

    // The system refused or the user removed the entry elsewhere.
    m_loginItem.enabled = false;
    Q_EMIT m_window.shown();
    EXPECT_FALSE(checked("launchAtLoginSwitch"));
    EXPECT_EQ(m_loginItem.changes, 1);
}

TEST_F(SettingsForm, TheUpdateButtonFollowsTheUpdaterAndQuitEndsTheApplication)
{
    open();
    click("checkForUpdatesButton");
    EXPECT_EQ(m_updater.checks, 1);
    m_updater.canCheck = false;
    Q_EMIT m_updater.canCheckForUpdatesChanged();
    EXPECT_FALSE(find(m_view, "checkForUpdatesButton")->isEnabled());

    QSignalSpy quit(m_view.engine(), &QQmlEngine::quit);
    click("quitButton");
    EXPECT_EQ(quit.size(), 1);
}

TEST_F(SettingsForm, EachQuotaStatusShowsItsTextColourAndActions)
{
    using Tone = QuotaSettingsModel::Tone;
    const QString longError = QStringLiteral(
        "Host unreachable\nwhile resolving a very long host name that does not fit into the row at all");
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
    open();
    for (const auto& [status, statusText, tone, spinner, offersConnect] : statuses) {
        m_quota.setStatus(status);
        const QString expected = QString::fromUtf8(statusText);
        EXPECT_EQ(text("quotaStatus"), expected);
        EXPECT_EQ(m_quota.statusTone(), tone) << statusText;
        EXPECT_EQ(shown(find(m_view, "quotaSpinner")), spinner) << statusText;
        EXPECT_EQ(shown(find(m_view, "connectButton")), offersConnect) << statusText;
        EXPECT_EQ(shown(find(m_view, "refreshButton")), !offersConnect) << statusText;
        EXPECT_EQ(find(m_view, "quotaStatus")->property("lineCount").toInt(), 1) << statusText;
        EXPECT_EQ(find(m_view, "quotaStatus")->property("truncated").toBool(), expected.size() > 60) << statusText;
    }
}

// Numbers written with a comma for the decimal point by C's formatting functions, as a German
// desktop session has them. A fresh system has no German locale, so it is compiled into a temporary
// folder when missing (localedef reads the sources of Debian's locales package).
class CommaNumbers
{
public:
    CommaNumbers()
        : m_previous(std::setlocale(LC_NUMERIC, nullptr))
    {
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            return;
        QProcess::execute(QStringLiteral("localedef"),
                          { QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                            QStringLiteral("UTF-8"), QString::fromStdString(m_dir.path("de_DE.UTF-8")) });
        qputenv("LOCPATH", QByteArray::fromStdString(m_dir.path()));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~CommaNumbers()
    {
        qunsetenv("LOCPATH");
        std::setlocale(LC_NUMERIC, m_previous.c_str());
    }
    CommaNumbers(const CommaNumbers&) = delete;
    CommaNumbers& operator=(const CommaNumbers&) = delete;

    static bool active() { return std::localeconv()->decimal_point == std::string_view(","); }

private:
    TempDir m_dir;
    std::string m_previous;
};

TEST(QuotaPreview, WritesTheWindowsAndCreditsAsPrintfDoesWithAPointInAnyLocale)
{
    ClaudeQuota quota;
    quota.fiveHour = ClaudeQuota::Window { 12.6, std::nullopt };
    quota.sevenDay = ClaudeQuota::Window { 40.0, std::nullopt };
    quota.extraUsage = ClaudeQuota::ExtraUsage { true, 50000, 1234, 12.5, QStringLiteral("USD") };
    QuotaSettingsModel model;
    model.setQuota(quota);
    EXPECT_EQ(model.windowsText(), QStringLiteral("5시간 13%  ·  주간 40%"));
    EXPECT_EQ(model.creditsText(), QStringLiteral("크레딧 12.5% ($12.34/$500.00)"));
    {
        const CommaNumbers comma;
        ASSERT_TRUE(CommaNumbers::active()) << "no German locale could be had";
        quota.extraUsage->utilization = 7.25;
        model.setQuota(quota);
        EXPECT_EQ(model.creditsText(), QStringLiteral("크레딧 7.2% ($12.34/$500.00)"));
    }

    quota.sevenDay.reset();
    quota.extraUsage.reset();
    model.setQuota(quota);
    EXPECT_EQ(model.windowsText(), QString());
    EXPECT_EQ(model.creditsText(), QString());
}

// The actions against a real quota manager whose endpoint is a local server.
class QuotaActions : public SettingsForm
{
protected:
    void login() { m_home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-form"}})"); }

    LocalHttpServer m_server;
    ClaudeOAuthProvider m_provider { { std::make_shared<FileCredentialStore>(
                                         QString::fromStdString(m_home.path(".credentials.json"))) },
                                     m_server.url() };
    ClaudeQuotaManager m_manager { &m_provider };
    QuotaSettingsModel m_managed { &m_manager };
};

TEST_F(QuotaActions, ConnectRefreshAndDisconnect)
{
    login();
    m_server.respond(200, R"({"five_hour": {"utilization": 12.6}, "seven_day": {"utilization": 40.0}})");
    m_manager.disconnectAccount();
    open(&m_managed);
    ASSERT_EQ(text("quotaStatus"), QStringLiteral("연결 해제됨"));

    click("connectButton");
    EXPECT_EQ(text("quotaStatus"), QStringLiteral("로딩 중…"));
    ASSERT_TRUE(waitUntil([&] { return m_manager.status() == Status::loaded(); }));
    EXPECT_EQ(text("quotaWindows"), QStringLiteral("5시간 13%  ·  주간 40%"));
    EXPECT_FALSE(shown(find(m_view, "quotaCredits")));

    m_server.respond(401, "{}");
    click("refreshButton");
    ASSERT_TRUE(waitUntil([&] { return m_server.requests().size() == 2 && m_manager.status() != Status::loading(); }));
    EXPECT_EQ(m_managed.statusTone(), QuotaSettingsModel::Tone::Red);
    // The last good snapshot stays on show.
    EXPECT_TRUE(shown(find(m_view, "quotaUpdated")));

    click("disconnectButton");
    EXPECT_FALSE(m_manager.quota());
    EXPECT_EQ(text("quotaStatus"), QStringLiteral("연결 해제됨"));
    EXPECT_FALSE(shown(find(m_view, "quotaUpdated")));
    EXPECT_FALSE(shown(find(m_view, "quotaWindows")));
    EXPECT_FALSE(shown(find(m_view, "refreshButton")));
    EXPECT_EQ(m_server.requests().size(), 2);
}

}
