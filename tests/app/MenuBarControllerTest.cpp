#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTimer>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "Records.h"
#include "TempDir.h"
#include "UsageAnswers.h"
#include "app/MenuBarController.h"
#include "app/PopoverWindow.h"
#include "app/tray/SystemTray.h"
#include "basics/ManualClock.h"
#include "basics/UserDefaults.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/FileCredentialStore.h"
#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

// The controller with real objects: an empty logs folder, the bundled packs, a quota client with no
// credential, settings in a temporary file.
class MenuBarControllerTest : public ::testing::Test
{
protected:
    MenuBarControllerTest()
    {
        m_defaults.setRunnerPaused(true);
        m_runner.start();
    }

    TempDir m_home;
    UserDefaults m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    ProviderManager m_providers { m_home.path("projects") };
    UsageDataManager m_usage { &m_providers };
    RunCharacter m_runner { &m_defaults };
    ClaudeOAuthProvider m_oauth { ClaudeOAuthProvider::Stores {}, QUrl(u"http://127.0.0.1:9"_s) };
    ClaudeQuotaManager m_quota { &m_oauth };
};

}

TEST_F(MenuBarControllerTest, ComposesOnlyWhenTheFrameOrASettingChanges)
{
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_oauth, &m_defaults);
    const QList<QImage> atTwenty = controller.statusImages();
    EXPECT_EQ(controller.composedImageCount(), 1u);

    // Ticks that change nothing draw nothing.
    QSignalSpy ticks(controller.findChild<QTimer*>(u"updateTimer"_s), &QTimer::timeout);
    EXPECT_TRUE(waitUntil([&] { return ticks.count() >= 2; }));
    EXPECT_EQ(controller.composedImageCount(), 1u);

    // Any change of the settings redraws at once, without waiting for a frame.
    m_defaults.setCharacterHeight(24);
    EXPECT_EQ(controller.composedImageCount(), 2u);
    EXPECT_NE(controller.statusImages(), atTwenty);

    // A running animation shows every frame, but composes each frame once per setting.
    m_runner.setDebugSpeedOverride(AnimationSpeed::Sprinting);
    m_defaults.setRunnerPaused(false);
    const auto frames = static_cast<quint64>(m_runner.frames().size());
    EXPECT_TRUE(waitUntil([&] { return controller.shownImageCount() > 2 * frames + 2; }));
    EXPECT_EQ(controller.composedImageCount(), 1 + frames);
}

// The offscreen platform has no tray: the dashboard is a window, which asks for the quota once it
// is on screen. The battery shows only when enabled and a quota exists.
TEST_F(MenuBarControllerTest, WithoutATrayTheDashboardIsAWindowAndTheBatteryWaitsForAQuota)
{
    QSignalSpy refreshed(&m_quota, &ClaudeQuotaManager::refreshFinished);
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_oauth, &m_defaults);
    ASSERT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));
    EXPECT_EQ(controller.popover()->showCount(), 1);

    const QList<QImage> runnerOnly = controller.statusImages();
    m_defaults.setShowMenuBarQuotaBattery(true);
    EXPECT_EQ(controller.statusImages(), runnerOnly);
    // The five-hour window (or the binding limit when asked for), else the credits.
    ClaudeQuota quota;
    quota.extraUsage = ClaudeQuota::ExtraUsage { true, 5000, 1234, 24.7, u"USD"_s, 2, {} };
    EXPECT_EQ(MenuBarController::batteryValue(quota, true), 24.7);
    quota = ClaudeQuota::fromJson(QJsonDocument::fromJson(R"({"five_hour": {"utilization": 42}, "limits": [
        {"kind": "weekly_scoped", "percent": 74, "scope": {"model": {"display_name": "Fable"}}, "is_active": true}]})")
                                      .object());
    EXPECT_EQ(MenuBarController::batteryValue(quota), 42.0);
    EXPECT_EQ(MenuBarController::batteryValue(quota, true), 74.0);
    EXPECT_EQ(MenuBarController::batteryValue(ClaudeQuota {}), std::nullopt);
    EXPECT_EQ(MenuBarController::batteryValue(std::nullopt), std::nullopt);
}

// The half-second tick hands the usage figures to the runner: heavy use in the last three minutes
// makes it sprint, and once the activity is older than that it idles again.
TEST_F(MenuBarControllerTest, TickDrivesTheRunnerFromTheLogs)
{
    ManualClock clock(instant("2026-12-06T12:00:00Z"));
    Clock::install(&clock);
    m_home.write("projects/p/s.jsonl",
                 ClaudeLog::user("2026-12-06T11:58:30Z")
                     + ClaudeLog::assistant("msg_a", "2026-12-06T11:59:00Z", { 10000, 20000, 0, 50000 }));
    QSignalSpy refreshed(&m_usage, &UsageDataManager::refreshed);
    m_usage.refresh();
    ASSERT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));
    m_defaults.setRunnerPaused(false);

    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_oauth, &m_defaults);
    EXPECT_TRUE(waitUntil([&] { return m_runner.animationState() == AnimationSpeed::Sprinting; }, 3s));

    clock.advance(std::chrono::minutes(3));
    EXPECT_TRUE(waitUntil([&] { return m_runner.animationState() == AnimationSpeed::Idle; }, 3s));
    Clock::install(nullptr);
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

    MenuBarController controller(&m_usage, &m_runner, &quota, &oauth, &m_defaults);
    EXPECT_EQ(controller.toolTipText(),
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
