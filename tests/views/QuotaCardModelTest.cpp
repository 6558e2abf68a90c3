#include <gtest/gtest.h>

#include <QMetaEnum>
#include <QSignalSpy>

#include "basics/ManualClock.h"
#include "views/QuotaCardModel.h"

using namespace std::chrono_literals;
using Status = QuotaCardModel::Status;

namespace {

const Instant Now { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 9h };

class QuotaCard : public testing::Test
{
protected:
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    ManualClock m_clock { Now };
};

QuotaCardSnapshot::Window window(double pct, std::optional<Instant> resetsAt = std::nullopt)
{
    return { pct, resetsAt };
}

TEST_F(QuotaCard, RowsInOrderWithClampingAndCountdowns)
{
    QuotaCardSnapshot snapshot;
    snapshot.fiveHour = window(95.4, Now + 2h + 5min);
    snapshot.sevenDay = window(120, Now - 1min);
    snapshot.sevenDayOpus = window(0.0, Now + 1h);
    snapshot.sevenDaySonnet = window(0.4);
    snapshot.extraUsage = QuotaCardSnapshot::Credits { 5000, 1234, 24.68 };

    const QList<QuotaRow> rows = QuotaRow::fromSnapshot(snapshot, Now);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], (QuotaRow { QStringLiteral("5시간"), 95.4, NamedColor::Red, QStringLiteral("95%"),
                                   QStringLiteral("2h 5m") }));
    EXPECT_EQ(rows[1], (QuotaRow { QStringLiteral("주간"), 100.0, NamedColor::Red, QStringLiteral("100%"),
                                   QStringLiteral("리셋됨") }));
    EXPECT_EQ(rows[2], (QuotaRow { QStringLiteral("Sonnet"), 0.4, NamedColor::Green, QStringLiteral("0%"), QString() }));
    EXPECT_EQ(rows[3], (QuotaRow { QStringLiteral("크레딧"), 24.68, NamedColor::Green, QStringLiteral("$12"),
                                   QStringLiteral("$50") }));
}

TEST_F(QuotaCard, NegativeAndOverfullValuesAreClampedWhereTheyCanOccur)
{
    QuotaCardSnapshot snapshot;
    snapshot.fiveHour = window(-3);
    snapshot.sevenDayOpus = window(250, Now + 3 * 24h + 1h);
    snapshot.extraUsage = QuotaCardSnapshot::Credits { 0, 0, -10 };
    const QList<QuotaRow> rows = QuotaRow::fromSnapshot(snapshot, Now);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], (QuotaRow { QStringLiteral("5시간"), 0.0, NamedColor::Green, QStringLiteral("0%"), QString() }));
    EXPECT_EQ(rows[1], (QuotaRow { QStringLiteral("Opus"), 100.0, NamedColor::Red, QStringLiteral("100%"),
                                   QStringLiteral("3d 1h") }));
    EXPECT_EQ(rows[2].pct, 0.0);
}

TEST(QuotaBadge, ShowsTheStatus)
{
    const std::tuple<Status, const char*, bool, bool> cases[] { { Status::Unauthorized, "토큰 만료", true, false },
        { Status::NotConfigured, "미연결", false, false }, { Status::Denied, "미연결", false, false },
        { Status::Loading, "", false, true }, { Status::Loaded, "", false, false }, { Status::Failed, "오류", true, false } };
    for (const auto& [status, text, alert, busy] : cases) {
        QuotaCardModel model;
        model.setStatus(status);
        const char* name = QMetaEnum::fromType<Status>().valueToKey(static_cast<int>(status));
        EXPECT_EQ(model.badgeText(), QString::fromUtf8(text)) << name;
        EXPECT_EQ(model.badgeAlert(), alert) << name;
        EXPECT_EQ(model.isBusy(), busy) << name;
    }
}

TEST_F(QuotaCard, ShownWithASnapshotOrACredentialAndAsksOnlyWithoutSnapshot)
{
    int asked = 0;
    bool hasCredential = false;
    QuotaCardModel model([&] {
        ++asked;
        return hasCredential;
    });
    QSignalSpy shown(&model, &QuotaCardModel::showCardChanged);
    EXPECT_FALSE(model.showCard());
    EXPECT_TRUE(model.showNotLoggedInText());

    hasCredential = true;
    model.rebuild();
    EXPECT_TRUE(model.showCard());
    EXPECT_EQ(shown.count(), 1);

    model.setStatus(Status::Loading);
    EXPECT_FALSE(model.showNotLoggedInText());

    // An empty answer still counts as a snapshot.
    model.setSnapshot(QuotaCardSnapshot {});
    EXPECT_TRUE(model.rows().isEmpty());
    model.setStatus(Status::NotConfigured);
    EXPECT_FALSE(model.showNotLoggedInText());
    model.setSnapshot(QuotaCardSnapshot { window(10), {}, {}, {}, {} });
    model.setStatus(Status::Loaded);
    hasCredential = false;
    const int askedBefore = asked;
    model.rebuild();
    model.rebuild();
    EXPECT_EQ(asked, askedBefore);
    EXPECT_TRUE(model.showCard());
    EXPECT_EQ(shown.count(), 1);

    model.setSnapshot(std::nullopt);
    model.setStatus(Status::NotConfigured);
    EXPECT_FALSE(model.showCard());
    EXPECT_TRUE(model.showNotLoggedInText());
    EXPECT_EQ(shown.count(), 2);
}

TEST_F(QuotaCard, CountdownsMoveOnlyWhenRebuiltAndNotifyOnlyOnChange)
{
    QuotaCardModel model;
    QuotaCardSnapshot snapshot;
    snapshot.fiveHour = window(50, Now + 10min + 30s);
    model.setSnapshot(snapshot);
    QSignalSpy rows(&model, &QuotaCardModel::rowsChanged);
    QSignalSpy status(&model, &QuotaCardModel::statusChanged);

    m_clock.advance(20s);
    model.rebuild();
    EXPECT_EQ(rows.count(), 0);
    EXPECT_EQ(model.rows()[0].detail, QStringLiteral("10m"));

    m_clock.advance(11min);
    EXPECT_EQ(model.rows()[0].detail, QStringLiteral("10m"));
    model.rebuild();
    EXPECT_EQ(rows.count(), 1);
    EXPECT_EQ(model.rows()[0].detail, QStringLiteral("리셋됨"));

    model.setStatus(Status::NotConfigured);
    EXPECT_EQ(status.count(), 0);
    model.setStatus(Status::Loaded);
    EXPECT_EQ(status.count(), 1);
}

}
