#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "TempDir.h"
#include "app/AppDelegate.h"
#include "app/MenuBarController.h"
#include "app/PopoverHost.h"
#include "app/PopoverWindow.h"
#include "app/SettingsWindowController.h"
#include "basics/AppSettings.h"
#include "ingest/LogWatcher.h"
#include "quota/ClaudeQuotaManager.h"
#include "runner/RunCharacter.h"
#include "runner/RunnerPace.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

namespace {

QTimer* paceTimer(const AppDelegate& delegate)
{
    return delegate.runnerPace()->findChild<QTimer*>(u"updateTimer"_s);
}

// The delegate reads the real locations: point them all into one temporary home for this process.
class AppDelegateTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    AppDelegateTest()
    {
        const QByteArray home = QByteArray::fromStdString(m_home.path());
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        qputenv("PACEMARK_PRICES_URL", "http://127.0.0.1:9/prices.json");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        qputenv("PACEMARK_API_BASE", "http://127.0.0.1:9");
        qunsetenv("CLAUDE_CONFIG_DIR");
        QCoreApplication::setOrganizationName(u"Pacemark"_s);
        QCoreApplication::setApplicationName(u"pacemark"_s);
        m_home.write(".claude/projects/p/s.jsonl",
                     ClaudeLog::assistant("msg_a", "2026-12-06T11:59:00Z", { 1, 2, 3, 4 }));
    }

    TempDir m_home;
};

}

// Launch starts everything; the popover's settings button opens the settings window, which opened
// again is the same one, centred and in front, showing the delegate's settings and its one quota
// manager; termination stops everything.
TEST_F(AppDelegateTest, LaunchStartsEverythingSettingsOpenOnceAndTerminationStopsIt)
{
    AppDelegate delegate;
    EXPECT_TRUE(!delegate.menuBarController() && !delegate.modelContainer() && !delegate.settingsWindowController());
    ClaudeQuotaManager* quota = delegate.claudeQuotaManager();

    testing::internal::CaptureStdout();
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(delegate.modelContainer() && delegate.usageDataManager()->fileWatcher()->isRunning()
                && delegate.runCharacter()->timerInterval() && paceTimer(delegate)->isActive() && quota->isPolling());
    ASSERT_NE(delegate.menuBarController(), nullptr);

    // Without a tray (the offscreen platform has none) the popover is a window. QTest's mouse events
    // assume a widget application here, as the tray links Qt Widgets.
    ASSERT_TRUE(waitUntil([&] { return delegate.popoverHost()->isShown(); }));
    QQuickItem* popover = delegate.popoverHost()->popover()->view()->rootObject();
    QMetaObject::invokeMethod(popover->findChild<QQuickItem*>(u"settingsButton"_s), "clicked");
    SettingsWindowController* controller = delegate.settingsWindowController();
    ASSERT_NE(controller, nullptr);
    QQuickView* window = controller->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_NE(window->rootObject(), nullptr);
    EXPECT_EQ(window->size(), QSize(480, 540));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->flags().testFlag(Qt::WindowStaysOnTopHint)
                && !window->flags().testFlag(Qt::WindowMinimizeButtonHint));
    const QPoint centre
        = QRect(window->screen()->availableGeometry().center() - QPoint(240, 270), QSize(480, 540)).center();
    EXPECT_EQ(window->geometry().center(), centre);

    auto* speedSwitch = window->rootObject()->findChild<QQuickItem*>(u"speedInvertedSwitch"_s);
    ASSERT_NE(speedSwitch, nullptr);
    delegate.defaults()->setSpeedInverted(true);
    window->close();
    window->setPosition(0, 0);
    delegate.showSettingsWindow();
    delegate.showSettingsWindow();
    EXPECT_TRUE(delegate.settingsWindowController() == controller && controller->window() == window);
    EXPECT_EQ(std::ranges::count_if(QGuiApplication::topLevelWindows(),
                                    [](const QWindow* other) { return other->title() == u"설정"; }),
              1);
    EXPECT_EQ(window->geometry().center(), centre);
    EXPECT_TRUE(speedSwitch->property("checked").toBool());
    quota->disconnectAccount();
    EXPECT_EQ(window->rootObject()->findChild<QQuickItem*>(u"quotaStatus"_s)->property("text"), u"연결 해제됨"_s);

    delegate.applicationWillTerminate();
    EXPECT_FALSE(delegate.usageDataManager()->fileWatcher()->isRunning() || delegate.runCharacter()->timerInterval()
                 || paceTimer(delegate)->isActive() || quota->isPolling());
}

TEST_F(AppDelegateTest, UnusableHistoryStoreLeavesOneLineAndLaunchGoesOn)
{
    // A folder where the store file should be: it cannot be opened, and it is left alone.
    const std::string store = m_home.path(".local/share/Pacemark/pacemark/history.sqlite");
    std::filesystem::create_directories(store);

    AppDelegate delegate;
    testing::internal::CaptureStderr();
    delegate.applicationDidFinishLaunching();
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(out.starts_with("pacemark.usage: the history store cannot be set up: ")
                && std::ranges::count(out, '\n') == 1)
        << out;
    EXPECT_TRUE(!delegate.modelContainer() && std::filesystem::is_directory(store));
    EXPECT_TRUE(delegate.usageDataManager()->fileWatcher()->isRunning() && delegate.menuBarController());
    delegate.applicationWillTerminate();
}
