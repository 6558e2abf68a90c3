#include <gtest/gtest.h>

#include <algorithm>

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

using namespace Qt::StringLiterals;

namespace {

class SettingsWindow : public testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    // The delegate's settings and the autostart folder live in a private configuration folder.
    void SetUp() override { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_home.path("config"))); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

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

    auto* speedSwitch = window->rootObject()->findChild<QQuickItem*>(u"speedInvertedSwitch"_s);
    ASSERT_NE(speedSwitch, nullptr);
    delegate.defaults()->setSpeedInverted(true);

    window->close();
    window->setPosition(0, 0);
    delegate.showSettingsWindow();
    delegate.showSettingsWindow();

    EXPECT_EQ(delegate.settingsWindowController(), controller);
    EXPECT_EQ(controller->window(), window);
    EXPECT_EQ(std::ranges::count_if(QGuiApplication::topLevelWindows(),
                                    [](const QWindow* other) { return other->title() == u"설정"; }),
              1);
    EXPECT_EQ(window->geometry().center(), centre);
    EXPECT_TRUE(speedSwitch->property("checked").toBool());

    // The window shows the delegate's one quota manager.
    delegate.claudeQuotaManager()->disconnectAccount();
    EXPECT_EQ(window->rootObject()->findChild<QQuickItem*>(u"quotaStatus"_s)->property("text"), u"연결 해제됨"_s);
}

TEST_F(SettingsWindow, ThePopoversSettingsButtonAsksForTheWindow)
{
    m_home.mkdir("projects");
    ProviderManager providers(m_home.path("projects"));
    UsageDataManager usage(&providers);
    QuotaCardModel quota;
    UserDefaults defaults(QString::fromStdString(m_home.path("settings.ini")));
    RunCharacter runner(&defaults);
    PopoverWindow popover({ { u"usageDataManager"_s, QVariant::fromValue(&usage) },
                            { u"quotaCard"_s, QVariant::fromValue(&quota) },
                            { u"runCharacter"_s, QVariant::fromValue(&runner) } },
                          PopoverWindow::Mode::NormalWindow);
    QSignalSpy requested(&popover, &PopoverWindow::settingsRequested);
    popover.show({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popover.view()));

    // QTest's mouse events assume a widget application here, as the tray links Qt Widgets.
    QMetaObject::invokeMethod(popover.view()->rootObject()->findChild<QQuickItem*>(u"settingsButton"_s), "clicked");
    EXPECT_EQ(requested.size(), 1);
}

}
