#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "TempDir.h"
#include "app/MenuBarController.h"
#include "app/PopoverWindow.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/ClaudeWebProvider.h"
#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"
#include "usage/UserDefaults.h"

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
    ClaudeOAuthProvider m_oauth { ClaudeOAuthProvider::Stores {}, QUrl(QStringLiteral("http://127.0.0.1:9")) };
    ClaudeQuotaManager m_quota { &m_oauth };
};

}

TEST_F(MenuBarControllerTest, ComposesOnlyWhenTheFrameOrASettingChanges)
{
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_oauth, &m_defaults);
    ASSERT_FALSE(controller.statusImage().isNull());
    EXPECT_EQ(controller.statusImage().deviceIndependentSize().height(), 20.0);
    EXPECT_EQ(controller.composedImageCount(), 1u);

    // Ticks that change nothing draw nothing.
    QTest::qWait(1200);
    EXPECT_EQ(controller.composedImageCount(), 1u);

    // Any change of the settings redraws at once, without waiting for a frame.
    m_defaults.setCharacterHeight(24);
    EXPECT_EQ(controller.composedImageCount(), 2u);
    EXPECT_EQ(controller.statusImage().deviceIndependentSize().height(), 24.0);

    // A running animation shows every frame, but composes each frame once per setting.
    m_runner.setDebugSpeedOverride(AnimationSpeed::Sprinting);
    m_runner.setPaused(false);
    const auto frames = static_cast<quint64>(m_runner.frames().size());
    QTRY_VERIFY_WITH_TIMEOUT(controller.shownImageCount() > 2 * frames + 2, 10000);
    EXPECT_EQ(controller.composedImageCount(), 1 + frames);
}

TEST_F(MenuBarControllerTest, BatteryAppearsWhenEnabledAndAQuotaExists)
{
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_oauth, &m_defaults);
    const QSizeF runnerOnly = controller.statusImage().deviceIndependentSize();
    // Enabled, but no quota yet: still the runner alone.
    m_defaults.setShowMenuBarQuotaBattery(true);
    EXPECT_EQ(controller.statusImage().deviceIndependentSize(), runnerOnly);

    ClaudeQuota withFiveHour;
    withFiveHour.fiveHour = ClaudeQuota::Window { 42.0, std::nullopt };
    EXPECT_EQ(MenuBarController::batteryValue(withFiveHour), 42.0);
    ClaudeQuota extraOnly;
    extraOnly.extraUsage = ClaudeQuota::ExtraUsage { true, 5000, 1234, 24.7, QStringLiteral("USD") };
    EXPECT_EQ(MenuBarController::batteryValue(extraOnly), 24.7);
    EXPECT_EQ(MenuBarController::batteryValue(ClaudeQuota {}), std::nullopt);
    EXPECT_EQ(MenuBarController::batteryValue(std::nullopt), std::nullopt);
}

TEST_F(MenuBarControllerTest, WithoutATrayTheDashboardIsAWindow)
{
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_oauth, &m_defaults);
    // The offscreen platform has no tray.
    EXPECT_EQ(controller.statusItem(), nullptr);
    EXPECT_TRUE(controller.popover()->isShown());
}
