#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "TempDir.h"
#include "app/AppDelegate.h"
#include "app/PopoverWindow.h"
#include "app/SettingsWindowController.h"
#include "basics/UserDefaults.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"
#include "views/QuotaCardModel.h"

namespace {

class SettingsWindow : public testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    // The delegate's settings and the autostart folder live in a private configuration folder.
    void SetUp() override { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_home.path("config"))); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    static int settingsWindows()
    {
        int count = 0;
        for (const QWindow* window : QGuiApplication::topLevelWindows())
            count += window->title() == u"설정" ? 1 : 0;
        return count;
    }

    TempDir m_home;
};

TEST_F(SettingsWindow, OpeningTwiceShowsTheSameWindowCentredAndInFront)
{
    AppDelegate delegate;
    EXPECT_EQ(delegate.settingsWindowController(), nullptr);

    delegate.showSettingsWindow();
    SettingsWindowController* controller = delegate.settingsWindowController();
    ASSERT_NE(controller, nullptr);
    QQuickView* window = controller->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_NE(window->rootObject(), nullptr);

    EXPECT_EQ(window->size(), QSize(480, 540));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(window->flags().testFlag(Qt::WindowMinimizeButtonHint));
    const QPoint centre
        = QRect(window->screen()->availableGeometry().center() - QPoint(240, 270), QSize(480, 540)).center();
    EXPECT_EQ(window->geometry().center(), centre);

    auto* speedSwitch = window->rootObject()->findChild<QQuickItem*>(QStringLiteral("speedInvertedSwitch"));
    ASSERT_NE(speedSwitch, nullptr);
    delegate.defaults()->setSpeedInverted(true);

    window->close();
    window->setPosition(0, 0);
    EXPECT_FALSE(window->isVisible());
    delegate.showSettingsWindow();
    delegate.showSettingsWindow();

    EXPECT_EQ(delegate.settingsWindowController(), controller);
    EXPECT_EQ(controller->window(), window);
    EXPECT_EQ(settingsWindows(), 1);
    EXPECT_EQ(window->geometry().center(), centre);
    EXPECT_TRUE(speedSwitch->property("checked").toBool());

    // The window shows the delegate's one quota manager.
    delegate.claudeQuotaManager()->disconnectAccount();
    auto* status = window->rootObject()->findChild<QQuickItem*>(QStringLiteral("quotaStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->property("text").toString(), QStringLiteral("연결 해제됨"));
}

TEST_F(SettingsWindow, ThePopoversSettingsButtonAsksForTheWindow)
{
    m_home.mkdir("projects");
    ProviderManager providers(m_home.path("projects"));
    UsageDataManager usage(&providers);
    QuotaCardModel quota;
    UserDefaults defaults(QString::fromStdString(m_home.path("settings.ini")));
    RunCharacter runner(&defaults);
    PopoverWindow popover({ { QStringLiteral("usageDataManager"), QVariant::fromValue(&usage) },
                            { QStringLiteral("quotaCard"), QVariant::fromValue(&quota) },
                            { QStringLiteral("runCharacter"), QVariant::fromValue(&runner) } },
                          PopoverWindow::Mode::NormalWindow);
    QSignalSpy requested(&popover, &PopoverWindow::settingsRequested);
    popover.show({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popover.view()));

    auto* button = popover.view()->rootObject()->findChild<QQuickItem*>(QStringLiteral("settingsButton"));
    ASSERT_NE(button, nullptr);
    // QTest's mouse events assume a widget application here, as the tray links Qt Widgets.
    QMetaObject::invokeMethod(button, "clicked");
    EXPECT_EQ(requested.size(), 1);
}

}
