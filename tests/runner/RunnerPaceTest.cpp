#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "Records.h"
#include "TempDir.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "ingest/ProviderManager.h"
#include "runner/RunCharacter.h"
#include "runner/RunnerPace.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

using namespace std::chrono_literals;

namespace {

// The half-second tick hands the usage figures to the runner: heavy use in the last three minutes
// makes it sprint, and once the activity is older than that it idles again.
TEST(RunnerPace, DrivesTheRunnerFromTheLogs)
{
    ManualClock clock(instant("2026-12-06T12:00:00Z"));
    Clock::install(&clock);
    TempDir home;
    home.write("projects/p/s.jsonl",
               ClaudeLog::user("2026-12-06T11:58:30Z")
                   + ClaudeLog::assistant("msg_a", "2026-12-06T11:59:00Z", { 10000, 20000, 0, 50000 }));
    ProviderManager providers(home.path("projects"));
    UsageDataManager usage(&providers);
    QSignalSpy refreshed(&usage, &UsageDataManager::refreshed);
    usage.refresh();
    ASSERT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));
    AppSettings defaults(QString::fromStdString(home.path("settings.ini")));
    RunCharacter runner(&defaults);
    runner.start();

    RunnerPace pace(RunnerPace::usageFigures(&usage), &runner);
    pace.start();
    EXPECT_TRUE(waitUntil([&] { return runner.animationState() == AnimationSpeed::Sprinting; }, 3s));
    EXPECT_EQ(usage.tokensPerMinute(), 10000);

    clock.advance(3min);
    EXPECT_TRUE(waitUntil([&] { return runner.animationState() == AnimationSpeed::Idle; }, 3s));
    pace.stop();
    Clock::install(nullptr);
}

}
