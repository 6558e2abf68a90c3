#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QQuickWindow>
#include <QSignalSpy>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "Records.h"
#include "TempDir.h"
#include "UsageAnswers.h"
#include "app/MenuBarController.h"
#include "app/PopoverHost.h"
#include "app/PopoverWindow.h"
#include "app/tray/SystemTray.h"
#include "app/tray/TrayIcon.h"
#include "app/tray/TrayToolTip.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/FileCredentialStore.h"
#include "runner/RunCharacter.h"
#include "runner/RunnerPace.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

// The controller with real objects: an empty logs folder, the bundled packs, a quota client with no
// credential, settings in a temporary file.
class MenuBarControllerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    MenuBarControllerTest()
    {
        m_defaults.setRunnerPaused(true);
        m_runner.start();
    }

    TempDir m_home;
    AppSettings m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    ProviderManager m_providers { m_home.path("projects") };
    UsageDataManager m_usage { &m_providers };
    RunCharacter m_runner { &m_defaults };
    ClaudeOAuthProvider m_oauth { ClaudeOAuthProvider::Stores {}, QUrl(u"http://127.0.0.1:9"_s) };
    ClaudeQuotaManager m_quota { &m_oauth };
    PopoverHost m_popovers { &m_usage, &m_runner, &m_quota };
};

}

TEST_F(MenuBarControllerTest, ComposesOnlyWhenTheFrameOrASettingChanges)
{
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_defaults, &m_popovers);
    const TrayIcon& icon = *controller.icon();
    const QList<QImage> atTwenty = icon.images();
    EXPECT_EQ(icon.composedCount(), 1u);

    // Ticks of the pace that change nothing draw nothing.
    RunnerPace pace(RunnerPace::usageFigures(&m_usage), &m_runner);
    QSignalSpy ticks(&pace, &RunnerPace::ticked);
    pace.start();
    EXPECT_TRUE(waitUntil([&] { return ticks.count() >= 2; }));
    EXPECT_EQ(icon.composedCount(), 1u);

    // Any change of the settings redraws at once, without waiting for a frame.
    m_defaults.setCharacterHeight(24);
    EXPECT_EQ(icon.composedCount(), 2u);
    EXPECT_NE(icon.images(), atTwenty);

    // A running animation shows every frame, but composes each frame once per setting.
    m_runner.setDebugSpeedOverride(AnimationSpeed::Sprinting);
    m_defaults.setRunnerPaused(false);
    const auto frames = static_cast<quint64>(m_runner.frames().size());
    EXPECT_TRUE(waitUntil([&] { return icon.shownCount() > 2 * frames + 2; }));
    EXPECT_EQ(icon.composedCount(), 1 + frames);
}

// The offscreen platform has no tray: the dashboard is a window, which asks for the quota once it
// is on screen. The battery shows only when enabled and a quota exists.
TEST_F(MenuBarControllerTest, WithoutATrayTheDashboardIsAWindowAndTheBatteryWaitsForAQuota)
{
    QSignalSpy refreshed(&m_quota, &ClaudeQuotaManager::refreshFinished);
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_defaults, &m_popovers);
    ASSERT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));
    EXPECT_EQ(m_popovers.popover()->showCount(), 1);

    const QList<QImage> runnerOnly = controller.icon()->images();
    m_defaults.setShowMenuBarQuotaBattery(true);
    EXPECT_EQ(controller.icon()->images(), runnerOnly);
    // The five-hour window (or the binding limit when asked for), else the credits.
    ClaudeQuota quota;
    quota.extraUsage = ClaudeQuota::ExtraUsage { true, 5000, 1234, 24.7, u"USD"_s, 2, {} };
    EXPECT_EQ(TrayIcon::batteryValue(quota, true), 24.7);
    quota = ClaudeQuota::fromJson(QJsonDocument::fromJson(R"({"five_hour": {"utilization": 42}, "limits": [
        {"kind": "weekly_scoped", "percent": 74, "scope": {"model": {"display_name": "Fable"}}, "is_active": true}]})")
                                      .object());
    EXPECT_EQ(TrayIcon::batteryValue(quota), 42.0);
    EXPECT_EQ(TrayIcon::batteryValue(quota, true), 74.0);
    EXPECT_EQ(TrayIcon::batteryValue(ClaudeQuota {}), std::nullopt);
    EXPECT_EQ(TrayIcon::batteryValue(std::nullopt), std::nullopt);
}

// The tooltip names the binding limit first, with its forecast from the samples of the last process
// (which the poll adds to), then the other limits in the card's order and credits that ran out.
TEST_F(MenuBarControllerTest, TooltipPutsTheBindingLimitFirst)
{
    ManualClock clock(instant("2026-08-14T20:00:00Z"));
    Clock::install(&clock);
    m_home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-t"}})");
    const std::string samples = m_home.write(
        "quota-samples.json",
        R"({"weekly:fable": {"end": 1787119199777, "samples": [[1786735200000, 70], [1786736100000, 72], [1786737000000, 73]]}})");
    LocalHttpServer server;
    server.respond(200, UsageAnswers::read(UsageAnswers::BindingScopedCap));
    ClaudeOAuthProvider oauth(
        { std::make_shared<FileCredentialStore>(QString::fromStdString(m_home.path(".credentials.json"))) },
        server.url());
    ClaudeQuotaManager quota(&oauth);
    quota.setSampleFile(QString::fromStdString(samples), true);
    quota.refreshQuota();
    ASSERT_TRUE(waitUntil([&] { return quota.quota().has_value(); }));

    PopoverHost popovers(&m_usage, &m_runner, &quota);
    MenuBarController controller(&m_usage, &m_runner, &quota, &m_defaults, &popovers);
    EXPECT_EQ(controller.toolTip()->text(),
              u"오늘 0 토큰 · 0/min\n"
              "Fable 주간 74% · 리셋까지 4d 9h · 이 속도면 8/15 00:28에 한도 도달\n"
              "5시간 8% · 리셋까지 2h 29m\n"
              "주간 56% · 리셋까지 4d 9h\n"
              "크레딧 소진"_s);
    ClaudeQuotaManager next(&oauth);
    next.setSampleFile(QString::fromStdString(samples), true);
    EXPECT_EQ(next.forecast().samples(u"weekly:fable"_s).size(), 4u);
    Clock::install(nullptr);
}
