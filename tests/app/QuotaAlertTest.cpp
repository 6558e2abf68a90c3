#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QMenu>
#include <QQuickItem>
#include <QQuickView>
#include <QRegularExpression>

#include "EventLoop.h"
#include "QuotaLimits.h"
#include "Records.h"
#include "TempDir.h"
#include "UsageAnswers.h"
#include "app/AppDelegate.h"
#include "app/MenuBarController.h"
#include "app/PopoverHost.h"
#include "app/PopoverWindow.h"
#include "app/tray/TrayToolTip.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "quota/QuotaAlertNotifier.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

const QString NotificationService = u"org.freedesktop.Notifications"_s;
const QString NotificationPath = u"/org/freedesktop/Notifications"_s;

// A notification server of the test's own that keeps the summary of every Notify call.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList summaries;
    QStringList bodies;
    QList<QStringList> actions;
    uint lastId = 0;

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actionList, const QVariantMap&, int)
    {
        summaries.append(summary);
        bodies.append(body);
        actions.append(actionList);
        return ++lastId;
    }
    QStringList GetCapabilities() { return { u"actions"_s, u"body"_s }; }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString& actionKey);
};

// The texts of the visible items below an item: what Text items show and what toolbar buttons are named.
QStringList visibleTexts(const QQuickItem* item)
{
    QStringList found;
    for (const QQuickItem* child : item->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->inherits("QQuickText"))
            found.append(child->property("text").toString());
        else if (const QVariant label = child->property("label"); label.typeId() == QMetaType::QString)
            found.append(label.toString());
        found += visibleTexts(child);
    }
    return found;
}

ClaudeQuota::Limit limit(ClaudeQuota::Limit::Kind kind, const QString& label, double pct, const char* reset)
{
    return quotaLimit(kind, label, pct, reset ? std::optional(instant(reset)) : std::nullopt);
}

ClaudeQuota quota(double fiveHour, const char* fiveHourReset, double sevenDay = 10.0)
{
    ClaudeQuota q;
    q.limits = { limit(ClaudeQuota::Limit::Kind::session, u"5시간"_s, fiveHour, fiveHourReset),
                 limit(ClaudeQuota::Limit::Kind::weekly, u"주간"_s, sevenDay, "2026-12-10T00:00:00Z") };
    return q;
}

class QuotaAlertTest : public ::testing::Test
{
protected:
    // As the application draws: a threaded GL render loop under the sanitizers' unwinder deadlocks.
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void SetUp() override
    {
        if (qEnvironmentVariableIsSet("PACEMARK_DESKTOP_UNAVAILABLE"))
            GTEST_SKIP() << qgetenv("PACEMARK_DESKTOP_UNAVAILABLE").constData();
        ASSERT_TRUE(m_bus.isConnected());
        Clock::install(&m_clock);
    }

    void TearDown() override
    {
        Clock::install(nullptr);
        m_bus.unregisterService(NotificationService);
        m_bus.unregisterObject(NotificationPath);
    }

    void startServer()
    {
        ASSERT_TRUE(m_bus.registerObject(NotificationPath, &m_server,
                                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        ASSERT_TRUE(m_bus.registerService(NotificationService));
    }

    void launchIn(const TempDir& home)
    {
        const QByteArray path = QByteArray::fromStdString(home.path());
        qputenv("HOME", path);
        qputenv("XDG_CONFIG_HOME", path + "/.config");
        qputenv("XDG_DATA_HOME", path + "/.local/share");
        qputenv("PACEMARK_API_BASE", "http://127.0.0.1:9");
        qunsetenv("CLAUDE_CONFIG_DIR");
    }

    // Weighs a snapshot and answers what the server has heard of it.
    QStringList notifyAndCollect(QuotaAlertNotifier& notifier, const ClaudeQuota& q)
    {
        const qsizetype before = m_server.summaries.size();
        notifier.evaluate(q);
        flush();
        return m_server.summaries.mid(before);
    }

    // A call on the session bus, which the notifier sends on too: once it is answered, every
    // notification sent before it has arrived, or failed for want of a server.
    void flush()
    {
        QDBusPendingCallWatcher call(QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
            NotificationService, NotificationPath, NotificationService, u"GetCapabilities"_s)));
        EXPECT_TRUE(waitUntil([&] { return call.isFinished(); }));
    }

    TempDir m_home;
    ManualClock m_clock { instant("2026-12-07T10:00:00Z") };
    QDBusConnection m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"notifications"_s);
    NotificationServer m_server;
    QString m_settings = QString::fromStdString(m_home.path("settings.ini"));
};

}

// Upward crossings, a jump past both thresholds, a restart in the middle and a reset, in order.
TEST_F(QuotaAlertTest, AlertsOncePerThresholdAndPeriodAcrossARestart)
{
    const char* period = "2026-12-07T12:00:00Z";
    ClaudeQuota credits = quota(50.0, period);
    credits.extraUsage = ClaudeQuota::ExtraUsage { true, 5000, 4000, 80.0, u"USD"_s, 2, {} };
    const std::pair<double, QStringList> first[] {
        { 50.0, {} }, { 81.0, { u"5시간 한도 80% 도달"_s } }, { 83.0, {} }, { 96.0, { u"5시간 한도 95% 도달"_s } }
    };
    {
        AppSettings defaults(m_settings);
        QuotaAlertNotifier notifier(nullptr, &defaults);
        // Without a notification service the alert is dropped without a word, and counts as told: a
        // service that starts later does not bring it back.
        notifier.evaluate(credits);
        flush();
        startServer();
        EXPECT_EQ(notifyAndCollect(notifier, credits), QStringList {});
        for (const auto& [pct, expected] : first)
            EXPECT_EQ(notifyAndCollect(notifier, quota(pct, period)), expected) << pct;
    }
    // A new process over the same settings: the same answer again, a second's wobble in the reset
    // time, and a failed poll that brings the old figures back tell nothing new.
    AppSettings defaults(m_settings);
    QuotaAlertNotifier notifier(nullptr, &defaults);
    EXPECT_EQ(notifyAndCollect(notifier, quota(96.0, period)), QStringList {});
    EXPECT_EQ(notifyAndCollect(notifier, quota(97.0, "2026-12-07T12:00:01Z")), QStringList {});

    // The window resets: one notice, then no usage yet (no reset time) tells nothing more.
    m_clock.set(instant("2026-12-07T12:00:30Z"));
    EXPECT_EQ(notifyAndCollect(notifier, quota(0.0, nullptr)), QStringList { u"5시간 한도가 초기화되었습니다"_s });
    EXPECT_EQ(notifyAndCollect(notifier, quota(0.0, nullptr)), QStringList {});
    EXPECT_EQ(notifyAndCollect(notifier, quota(3.0, "2026-12-07T17:00:00Z")), QStringList {});

    // A jump past both thresholds in the new period gives the higher alert alone.
    EXPECT_EQ(notifyAndCollect(notifier, quota(99.0, "2026-12-07T17:00:00Z")),
              QStringList { u"5시간 한도 95% 도달"_s });
    EXPECT_EQ(m_server.actions.value(0), (QStringList { u"default"_s, u"대시보드 열기"_s }));

    // Every limit is watched by its label; the credits once a month.
    ClaudeQuota q = quota(99.0, "2026-12-07T17:00:00Z");
    q.limits.push_back(limit(ClaudeQuota::Limit::Kind::weeklyScoped, u"Fable"_s, 85.0, "2026-12-09T00:00:00Z"));
    q.extraUsage = credits.extraUsage;
    EXPECT_EQ(notifyAndCollect(notifier, q), QStringList { u"Fable 주간 한도 80% 도달"_s });

    // A forecast less than half an hour away is told once per period.
    q.limits.back().forecastAt = Clock::now() + 40min;
    EXPECT_EQ(notifyAndCollect(notifier, q), QStringList {});
    q.limits.back().forecastAt = Clock::now() + 20min;
    EXPECT_EQ(notifyAndCollect(notifier, q), QStringList { u"Fable 주간 한도 곧 도달"_s });
    q.limits.back().forecastAt = Clock::now() + 10min;
    EXPECT_EQ(notifyAndCollect(notifier, q), QStringList {});

    m_clock.set(instant("2027-01-02T00:00:00Z"));
    q.limits.pop_back();
    EXPECT_EQ(notifyAndCollect(notifier, q), QStringList { u"추가 사용 크레딧 80% 도달"_s });

    // A published answer: the per-model cap is the one near its threshold; credits out tell nothing.
    defaults.setQuotaAlertLowerThreshold(70);
    EXPECT_EQ(notifyAndCollect(notifier, UsageAnswers::parse(UsageAnswers::BindingScopedCap)),
              QStringList { u"Fable 주간 한도 70% 도달"_s });

    // Thresholds of the user's own, and alerts turned off.
    defaults.setQuotaAlertUpperThreshold(50);
    EXPECT_EQ(notifyAndCollect(notifier, quota(49.5, "2027-01-02T03:00:00Z")),
              QStringList { u"5시간 한도 49% 도달"_s });
    defaults.setQuotaAlertsEnabled(false);
    EXPECT_EQ(notifyAndCollect(notifier, quota(100.0, "2027-01-02T08:00:00Z")), QStringList {});
}

// The application as launched: a click on an alert opens the popover, a click on another
// application's notification does not.
TEST_F(QuotaAlertTest, ClickOpensThePopover)
{
    launchIn(m_home);
    startServer();

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    PopoverHost* popovers = delegate.popoverHost();
    // Without a tray the dashboard opens as a window of its own: close it to begin.
    if (waitUntil([&] { return popovers->isShown(); }, 2s))
        popovers->togglePopover();
    ASSERT_FALSE(popovers->isShown());

    delegate.quotaAlertNotifier()->evaluate(quota(90.0, "2026-12-07T12:00:00Z"));
    ASSERT_TRUE(waitUntil([&] { return m_server.lastId == 1; }));
    // The answer with the id goes out before these signals, and arrives before them.
    Q_EMIT m_server.ActionInvoked(7, u"default"_s);
    Q_EMIT m_server.ActionInvoked(1, u"default"_s);
    EXPECT_TRUE(waitUntil([&] { return popovers->isShown(); }));
    delegate.applicationWillTerminate();
}

#include "QuotaAlertTest.moc"

// The language setting takes effect at once, without a restart: the tray menu and tooltip, the open
// dashboard and the notifications sent afterwards read in English, and in Korean again once it is
// chosen back.
TEST_F(QuotaAlertTest, TheLanguageChangesEverythingShownAtOnce)
{
    launchIn(m_home);
    startServer();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    MenuBarController* menuBar = delegate.menuBarController();
    PopoverHost* popovers = delegate.popoverHost();
    if (!waitUntil([&] { return popovers->isShown(); }, 2s))
        popovers->togglePopover();
    ASSERT_TRUE(popovers->isShown());
    QQuickView* dashboard = popovers->popover()->view();
    const auto menu = [&] {
        QStringList labels;
        for (const QAction* action : menuBar->menu()->actions())
            labels.append(action->text());
        return labels.join(u'|');
    };
    const auto shown = [&] {
        dashboard->grabWindow();
        return visibleTexts(dashboard->rootObject());
    };
    const QRegularExpression hangul(u"[\\x{AC00}-\\x{D7A3}]"_s);

    EXPECT_EQ(menu(), u"대시보드 열기|설정|러너 일시정지||Pacemark 종료"_s);
    EXPECT_TRUE(shown().contains(u"오늘 토큰"_s));

    delegate.defaults()->setLanguage(u"en"_s);
    EXPECT_EQ(menu(), u"Open Dashboard|Settings…|Pause Runner||Quit Pacemark"_s);
    EXPECT_EQ(menuBar->toolTip()->text(), u"Today: 0 tokens · 0/min"_s);
    EXPECT_EQ(menuBar->toolTip()->accessibleText(), u"Pacemark runner Toki, resting · today 0 tokens · 0/min"_s);
    const QStringList english = shown();
    for (const char* text : { "Home", "History", "Runner", "Settings", "Today’s Tokens", "Rate", "Sessions" })
        EXPECT_TRUE(english.contains(QString::fromUtf8(text))) << text;
    EXPECT_FALSE(english.join(u'|').contains(hangul)) << english.join(u'|').toStdString();

    delegate.quotaAlertNotifier()->evaluate(quota(90.0, "2026-12-07T12:00:00Z"));
    ASSERT_TRUE(waitUntil([&] { return m_server.lastId == 1; }));
    EXPECT_EQ(m_server.summaries, QStringList { u"5-hour limit at 80%"_s });
    EXPECT_EQ(m_server.bodies, QStringList { u"5-hour limit: 90% used. It resets in 2h 0m."_s });
    EXPECT_EQ(m_server.actions.value(0), (QStringList { u"default"_s, u"Open Dashboard"_s }));

    delegate.defaults()->setLanguage(u"ko"_s);
    EXPECT_EQ(menu(), u"대시보드 열기|설정|러너 일시정지||Pacemark 종료"_s);
    EXPECT_EQ(menuBar->toolTip()->text(), u"오늘 0 토큰 · 0/min"_s);
    EXPECT_TRUE(shown().contains(u"오늘 토큰"_s));
    delegate.quotaAlertNotifier()->evaluate(quota(96.0, "2026-12-07T12:00:00Z"));
    ASSERT_TRUE(waitUntil([&] { return m_server.lastId == 2; }));
    EXPECT_EQ(m_server.summaries.value(1), u"5시간 한도 95% 도달"_s);
    EXPECT_EQ(m_server.bodies.value(1), u"5시간 한도의 96%를 사용했습니다. 2h 0m 후 초기화됩니다."_s);
    delegate.applicationWillTerminate();
}
