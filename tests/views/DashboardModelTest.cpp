#include <gtest/gtest.h>

#include <QSignalSpy>

#include "SampleLogs.h"
#include "TempDir.h"
#include "ingest/ProviderManager.h"
#include "basics/ManualClock.h"
#include "usage/ModelColor.h"
#include "usage/UsageDataManager.h"
#include "views/DashboardModel.h"

using namespace std::chrono_literals;

namespace {

const Instant Noon { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 12h };

class Dashboard : public testing::Test
{
protected:
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    void refresh(UsageDataManager& usage)
    {
        QSignalSpy refreshed(&usage, &UsageDataManager::refreshed);
        usage.refresh();
        ASSERT_TRUE(refreshed.wait(5000));
    }

    ManualClock m_clock { Noon };
    TempDir m_home;
};

TEST_F(Dashboard, FollowsARefreshAndTheRate)
{
    m_home.write("projects/app/a.jsonl",
        SampleMessage { "m1", "claude-opus-4-1", Noon - 60s, "s1", 100, 200, 0, 5000 }.line()
            + SampleMessage { "m2", "claude-sonnet-4-5", Noon - 2h, "s2", 1000, 500 }.line()
            + SampleMessage { "m3", "claude-haiku-4-5", Noon - 13h, "s3", 0, 1200 }.line());
    ProviderManager providers(m_home.path("projects"));
    UsageDataManager usage(&providers);
    DashboardModel model;
    model.setUsage(&usage);
    QSignalSpy today(&model, &DashboardModel::todayChanged);
    QSignalSpy models(&model, &DashboardModel::modelsChanged);
    refresh(usage);

    EXPECT_EQ(model.todayText(), QStringLiteral("6.8K"));
    EXPECT_EQ(model.rateText(), QStringLiteral("100/min"));
    EXPECT_EQ(model.outputText(), QStringLiteral("700"));
    EXPECT_EQ(model.sessionsText(), QStringLiteral("2회"));
    EXPECT_EQ(model.cumulativeText(), QStringLiteral("8.0K"));
    EXPECT_EQ(model.todayShareText(), QStringLiteral("85.0%"));
    const QVariantList shares = model.shareRows();
    ASSERT_EQ(shares.size(), 2);
    EXPECT_EQ(shares[0].toMap()[QStringLiteral("name")].toString(), QStringLiteral("Opus"));
    EXPECT_NEAR(shares[0].toMap()[QStringLiteral("share")].toDouble(), 5300.0 / 6800.0, 1e-12);
    EXPECT_EQ(shares[0].toMap()[QStringLiteral("color")].toInt(), static_cast<int>(NamedColor::Purple));
    EXPECT_EQ(shares[1].toMap()[QStringLiteral("tokens")].toString(), QStringLiteral("1.5K"));
    EXPECT_GE(today.count(), 1);
    EXPECT_EQ(models.count(), 1);

    // The rate ages between refreshes; the dashboard follows it without polling of its own.
    today.clear();
    models.clear();
    m_clock.advance(3min);
    usage.updateTokensPerMinute();
    EXPECT_EQ(model.rateText(), QStringLiteral("0/min"));
    EXPECT_EQ(model.meterLevel(), 0);
    EXPECT_EQ(today.count(), 1);
    EXPECT_EQ(models.count(), 0);
}

}
