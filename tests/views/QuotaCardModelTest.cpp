#include <gtest/gtest.h>

#include <QSignalSpy>

#include "basics/ManualClock.h"
#include "usage/ModelColor.h"
#include "views/QuotaCardModel.h"

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;
using Status = ClaudeQuotaManager::Status;

namespace {

const Instant Now { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 9h };

class QuotaCard : public testing::Test
{
protected:
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    ManualClock m_clock { Now };
};

QVariant row(const char* label, double pct, NamedColor color, const char* value, const char* detail = "")
{
    return QVariantMap { { u"label"_s, QString::fromUtf8(label) },
                         { u"pct"_s, pct },
                         { u"color"_s, static_cast<int>(color) },
                         { u"value"_s, QString::fromUtf8(value) },
                         { u"detail"_s, QString::fromUtf8(detail) } };
}

TEST_F(QuotaCard, RowsInOrderClampedWhereValuesCanStrayAndWithCountdowns)
{
    ClaudeQuota stray;
    stray.fiveHour = { -3, std::nullopt };
    stray.sevenDay = { 120, Now - 1min };
    stray.sevenDayOpus = { 250, Now + 3 * 24h + 1h };
    stray.extraUsage = ClaudeQuota::ExtraUsage { true, 0, 0, -10, u"USD"_s };

    const std::pair<ClaudeQuota, QVariantList> cases[] {
        { stray,
          { row("5시간", 0.0, NamedColor::Green, "0%"), row("주간", 100.0, NamedColor::Red, "100%", "리셋됨"),
            row("Opus", 100.0, NamedColor::Red, "100%", "3d 1h"), row("크레딧", 0.0, NamedColor::Green, "$0", "$0") } },
        // An empty answer still counts as a quota.
        { ClaudeQuota {}, {} },
    };
    for (const auto& [quota, rows] : cases) {
        QuotaCardModel model;
        model.setQuota(quota);
        EXPECT_TRUE(model.hasQuota());
        EXPECT_EQ(model.rows(), rows);
    }

    // Countdowns move only when rebuilt, and only a change is announced.
    QuotaCardModel model;
    ClaudeQuota quota;
    quota.fiveHour = { 50, Now + 10min + 30s };
    model.setQuota(quota);
    QSignalSpy rows(&model, &QuotaCardModel::rowsChanged);
    const auto detail = [&] { return model.rows().value(0).toMap().value(u"detail"_s).toString(); };

    m_clock.advance(20s);
    model.rebuild();
    EXPECT_EQ(rows.count(), 0);
    EXPECT_EQ(detail(), u"10m"_s);

    m_clock.advance(11min);
    EXPECT_EQ(detail(), u"10m"_s);
    model.rebuild();
    EXPECT_EQ(rows.count(), 1);
    EXPECT_EQ(detail(), u"리셋됨"_s);
}

TEST(QuotaBadge, ShowsTheStatus)
{
    const std::tuple<Status, const char*, bool, bool> cases[] {
        { Status::error(OAuthError::unauthorized()), "토큰 만료", true, false },
        { Status::notConfigured(), "미연결", false, false },
        { Status::denied(), "미연결", false, false },
        { Status::loading(), "", false, true },
        { Status::loaded(), "", false, false },
        { Status::error(OAuthError::network(u"HTTP 500"_s)), "오류", true, false },
        { Status::error(OAuthError::decode()), "오류", true, false },
    };
    for (const auto& [status, text, alert, busy] : cases) {
        QuotaCardModel model;
        model.setStatus(status);
        const std::string name = status.caseName().toStdString();
        EXPECT_EQ(model.badgeText(), QString::fromUtf8(text)) << name;
        EXPECT_EQ(model.badgeAlert(), alert) << name;
        EXPECT_EQ(model.isBusy(), busy) << name;
    }
}

}
