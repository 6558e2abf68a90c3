#include <gtest/gtest.h>

#include "basics/ManualClock.h"
#include "quota/QuotaAlertPolicy.h"
#include "views/CodexQuotaCardModel.h"

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

const Instant Now { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 9h };

CodexRateLimits limits(Instant observed)
{
    CodexRateLimits l;
    l.observedAt = observed;
    l.windows = { { u"5시간"_s, 300, 85.2, Now + 90min }, { u"주간"_s, 10080, 140, Now - 1h } };
    l.planType = u"pro"_s;
    l.credits = CodexRateLimits::Credits { true, false, u"12.50"_s };
    return l;
}

}

TEST(CodexQuotaCard, RowsAgeAndExpiredWindows)
{
    ManualClock clock(Now);
    Clock::install(&clock);
    CodexQuotaCardModel card;
    EXPECT_FALSE(card.showCard());
    card.setLimits(limits(Now - 3min));
    EXPECT_TRUE(card.showCard());
    EXPECT_EQ(card.badgeText(), u"3분 전 기준 · Pro"_s);
    ASSERT_EQ(card.rows().size(), 3);
    const auto row = [&](int i, const char* key) { return card.rows()[i].toMap().value(QString::fromUtf8(key)); };
    EXPECT_EQ(row(0, "label").toString(), u"5시간"_s);
    EXPECT_EQ(row(0, "value").toString(), u"85%"_s);
    EXPECT_EQ(row(0, "detail").toString(), u"1h 30m"_s);
    // The weekly window reset after the line was written: its figure is from before.
    EXPECT_EQ(row(1, "pct").toDouble(), 0.0);
    EXPECT_EQ(row(2, "value").toString(), u"12.50"_s);
    EXPECT_EQ(CodexQuotaCardModel::toolTipLines(limits(Now - 2h), Now),
              (QStringList { u"Codex 5시간 85% · 2시간 전"_s, u"Codex 주간 0% · 2시간 전"_s }));
    clock.set(Now + 2 * 24h);
    card.rebuild();
    EXPECT_EQ(card.badgeText(), u"2일 전 기준 · Pro"_s);
    Clock::install(nullptr);
}

TEST(CodexQuotaAlerts, ToldOncePerPeriodApartFromClaudes)
{
    QuotaAlertPolicy policy;
    const std::vector<QuotaAlertPolicy::Window> windows { { u"codex:300"_s, u"Codex 5시간 한도"_s, 85, Now + 1h } };
    const auto first = policy.evaluate(windows, {}, Now);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].summary, u"Codex 5시간 한도 80% 도달"_s);
    EXPECT_TRUE(policy.evaluate(windows, {}, Now + 1min).empty());
    EXPECT_TRUE(policy.memory().contains(u"codex:300"_s) && !policy.memory().contains(u"fiveHour"_s));
}
