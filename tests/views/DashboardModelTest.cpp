#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "TempDir.h"
#include "basics/ManualClock.h"
#include "ingest/ProviderManager.h"
#include "usage/UsageDataManager.h"
#include "views/DashboardModel.h"

using namespace std::chrono_literals;

namespace {

TEST(Dashboard, FollowsARefreshAndTheRate)
{
    ManualClock clock { Instant { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 12h } };
    Clock::install(&clock);
    TempDir home;
    home.write("projects/app/a.jsonl",
        ClaudeLog::assistant("m1", "2026-03-07T11:59:00Z", { 100, 200, 0, 5000 }, "claude-opus-4-1", "s1")
            + ClaudeLog::assistant("m2", "2026-03-07T10:00:00Z", { 1000, 500, 0, 0 }, "claude-sonnet-4-5", "s2")
            + ClaudeLog::assistant("m3", "2026-03-06T23:00:00Z", { 0, 1200, 0, 0 }, "claude-haiku-4-5", "s3"));
    ProviderManager providers(home.path("projects"));
    UsageDataManager usage(&providers);
    DashboardModel model;
    model.setUsage(&usage);
    QSignalSpy today(&model, &DashboardModel::todayChanged);
    QSignalSpy models(&model, &DashboardModel::modelsChanged);
    QSignalSpy refreshed(&usage, &UsageDataManager::refreshed);
    usage.refresh();
    ASSERT_TRUE(waitUntil([&] { return !refreshed.isEmpty(); }));

    EXPECT_EQ(QStringList({ model.todayText(), model.rateText(), model.outputText(), model.sessionsText(),
                  model.cumulativeText(), model.todayShareText() }),
        QStringList({ QStringLiteral("6.8K"), QStringLiteral("100/min"), QStringLiteral("700"), QStringLiteral("2회"),
            QStringLiteral("8.0K"), QStringLiteral("85.0%") }));
    const QVariantList shares = model.shareRows();
    ASSERT_EQ(shares.size(), 2);
    EXPECT_EQ(shares[0].toMap()[QStringLiteral("name")].toString(), QStringLiteral("Opus"));
    EXPECT_NEAR(shares[0].toMap()[QStringLiteral("share")].toDouble(), 5300.0 / 6800.0, 1e-12);
    EXPECT_EQ(shares[0].toMap()[QStringLiteral("color")].toInt(), static_cast<int>(NamedColor::Purple));
    EXPECT_GE(today.count(), 1);
    EXPECT_EQ(models.count(), 1);

    // The rate ages between refreshes; the dashboard follows it without polling of its own.
    today.clear();
    models.clear();
    clock.advance(3min);
    usage.updateTokensPerMinute();
    EXPECT_EQ(model.rateText(), QStringLiteral("0/min"));
    EXPECT_EQ(model.meterLevel(), 0);
    EXPECT_EQ(today.count(), 1);
    EXPECT_EQ(models.count(), 0);
    Clock::install(nullptr);
}

}
