#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <QCoreApplication>

#include "ClaudeLog.h"
#include "TempDir.h"
#include "app/AppDelegate.h"
#include "app/MenuBarController.h"
#include "ingest/FileWatcher.h"
#include "quota/ClaudeQuotaManager.h"
#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"

using namespace Qt::StringLiterals;

namespace {

// The delegate reads the real locations: point them all into one temporary home for this process.
class AppDelegateTest : public ::testing::Test
{
protected:
    AppDelegateTest()
    {
        const QByteArray home = QByteArray::fromStdString(m_home.path());
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
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

TEST_F(AppDelegateTest, LaunchStartsEverythingAndTerminationStopsIt)
{
    AppDelegate delegate;
    EXPECT_EQ(delegate.menuBarController(), nullptr);
    EXPECT_EQ(delegate.modelContainer(), nullptr);
    ClaudeQuotaManager* quota = delegate.claudeQuotaManager();

    testing::internal::CaptureStdout();
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(delegate.modelContainer(), nullptr);
    EXPECT_TRUE(delegate.usageDataManager()->fileWatcher()->isRunning());
    EXPECT_TRUE(delegate.runCharacter()->timerInterval().has_value());
    EXPECT_TRUE(quota->isPolling());
    ASSERT_NE(delegate.menuBarController(), nullptr);

    delegate.applicationWillTerminate();
    EXPECT_FALSE(delegate.usageDataManager()->fileWatcher()->isRunning());
    EXPECT_FALSE(delegate.runCharacter()->timerInterval().has_value());
    EXPECT_FALSE(quota->isPolling());
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
    EXPECT_EQ(out.rfind("pacemark.usage: the history store cannot be set up: ", 0), 0u) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    EXPECT_EQ(delegate.modelContainer(), nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(store));
    EXPECT_TRUE(delegate.usageDataManager()->fileWatcher()->isRunning());
    EXPECT_NE(delegate.menuBarController(), nullptr);
    delegate.applicationWillTerminate();
}
