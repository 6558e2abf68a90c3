#include <tuple>

#include <gtest/gtest.h>

#include "basics/ManualClock.h"
#include "basics/Translation.h"
#include "quota/LimitNames.h"
#include "quota/QuotaAlertPolicy.h"
#include "views/CodexQuotaCardModel.h"

using namespace pacemark;

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

const Instant Now { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 9h };

CodexRateLimits limits(Instant observed)
{
    CodexRateLimits l;
    l.observedAt = observed;
    l.windows = { { 300, 85.2, Now + 90min }, { 10080, 140, Now - 1h } };
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

    Translation::shared().show(Translation::Language::english);
    EXPECT_EQ(card.badgeText(), u"Updated 2 days ago · Pro"_s);
    EXPECT_EQ(row(0, "label").toString(), u"5-hour"_s);
    EXPECT_EQ(CodexQuotaCardModel::toolTipLines(limits(Now + 2 * 24h - 1h), Now + 2 * 24h),
              (QStringList { u"Codex 5-hour 0% · 1 hour ago"_s, u"Codex Weekly 0% · 1 hour ago"_s }));
    Translation::shared().show(Translation::Language::korean);
    Clock::install(nullptr);
}

TEST(CodexQuotaAlerts, ToldOncePerPeriodApartFromClaudes)
{
    QuotaAlertPolicy policy;
    const std::vector<QuotaAlertPolicy::Window> windows { { u"codex:300"_s, u"Codex"_s, 300, 85, Now + 1h } };
    const auto first = policy.evaluate(windows, {}, Now);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].summary(), u"Codex 5시간 한도 80% 도달"_s);
    EXPECT_TRUE(policy.evaluate(windows, {}, Now + 1min).empty());
    EXPECT_TRUE(policy.memory().contains(u"codex:300"_s) && !policy.memory().contains(u"fiveHour"_s));
}

// Other sources' windows take Claude's names where the lengths match, and are named by length otherwise.
TEST(CodexQuotaAlerts, WindowsNamedByLengthInBothLanguages)
{
    const std::tuple<int, const char*, const char*, const char*, const char*> cases[] = {
        { 300, "5시간", "Codex 5시간 한도", "5-hour", "Codex 5-hour limit" },
        { 10080, "주간", "Codex 주간 한도", "Weekly", "Codex weekly limit" },
        { 20160, "2주", "Codex 2주 한도", "2-week", "Codex 2-week limit" },
        { 1440, "1일", "Codex 1일 한도", "1-day", "Codex 1-day limit" },
        { 60, "1시간", "Codex 1시간 한도", "1-hour", "Codex 1-hour limit" },
        { 45, "45분", "Codex 45분 한도", "45-minute", "Codex 45-minute limit" },
        { 0, "한도", "Codex 한도", "Limit", "Codex limit" },
    };
    for (const auto& [minutes, ko, koAlert, en, enAlert] : cases) {
        QuotaAlert alert;
        alert.source = u"Codex"_s;
        alert.windowMinutes = minutes;
        EXPECT_EQ(std::pair(LimitNames::windowName(minutes), alert.name()),
                  std::pair(QString::fromUtf8(ko), QString::fromUtf8(koAlert)));
        Translation::shared().show(Translation::Language::english);
        EXPECT_EQ(std::pair(LimitNames::windowName(minutes), alert.name()),
                  std::pair(QString::fromUtf8(en), QString::fromUtf8(enAlert)));
        Translation::shared().show(Translation::Language::korean);
    }
    QuotaAlert alert;
    alert.source = u"Codex"_s;
    alert.windowMinutes = 10080;
    alert.threshold = 95;
    Translation::shared().show(Translation::Language::english);
    EXPECT_EQ(alert.summary(), u"Codex weekly limit at 95%"_s);
    Translation::shared().show(Translation::Language::korean);
}
