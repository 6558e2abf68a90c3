#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include <QMetaEnum>
#include <QSignalSpy>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "basics/ManualClock.h"
#include "quota/FileCredentialStore.h"
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

ClaudeQuota::Window window(double pct, std::optional<Instant> resetsAt = std::nullopt)
{
    return { pct, resetsAt };
}

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
    ClaudeQuota full;
    full.fiveHour = window(95.4, Now + 2h + 5min);
    full.sevenDay = window(120, Now - 1min);
    full.sevenDayOpus = window(0.0, Now + 1h);
    full.sevenDaySonnet = window(0.4);
    full.extraUsage = ClaudeQuota::ExtraUsage { true, 5000, 1234, 24.68, u"USD"_s };
    ClaudeQuota stray;
    stray.fiveHour = window(-3);
    stray.sevenDayOpus = window(250, Now + 3 * 24h + 1h);
    stray.extraUsage = ClaudeQuota::ExtraUsage { true, 0, 0, -10, u"USD"_s };

    const std::pair<ClaudeQuota, QVariantList> cases[] {
        { full,
          { row("5시간", 95.4, NamedColor::Red, "95%", "2h 5m"), row("주간", 100.0, NamedColor::Red, "100%", "리셋됨"),
            row("Sonnet", 0.4, NamedColor::Green, "0%"), row("크레딧", 24.68, NamedColor::Green, "$12", "$50") } },
        { stray,
          { row("5시간", 0.0, NamedColor::Green, "0%"), row("Opus", 100.0, NamedColor::Red, "100%", "3d 1h"),
            row("크레딧", 0.0, NamedColor::Green, "$0", "$0") } },
        // An empty answer still counts as a quota.
        { ClaudeQuota {}, {} },
    };
    for (const auto& [quota, rows] : cases) {
        QuotaCardModel model;
        model.setQuota(quota);
        EXPECT_TRUE(model.hasQuota());
        EXPECT_EQ(model.rows(), rows);
    }

    // Countdowns move only when rebuilt; the model notifies only on a change.
    QuotaCardModel model;
    ClaudeQuota quota;
    quota.fiveHour = window(50, Now + 10min + 30s);
    model.setQuota(quota);
    QSignalSpy rows(&model, &QuotaCardModel::rowsChanged);
    QSignalSpy status(&model, &QuotaCardModel::statusChanged);
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

    model.setStatus(Status::notConfigured());
    EXPECT_EQ(status.count(), 0);
    model.setStatus(Status::loaded());
    EXPECT_EQ(status.count(), 1);
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

// A card that follows a real quota manager whose endpoint is a local server: shown with a credential
// or a quota, and asking for the credential only while it has no quota.
TEST_F(QuotaCard, FollowsTheManagerFromLoginToLogout)
{
    TempDir home;
    LocalHttpServer server;
    ClaudeOAuthProvider provider {
        { std::make_shared<FileCredentialStore>(QString::fromStdString(home.path(".credentials.json"))) }, server.url()
    };
    ClaudeQuotaManager manager { &provider };
    int asked = 0;
    QuotaCardModel card(&manager, [&] { return ++asked && provider.readAccessTokenSilently().has_value(); });
    QSignalSpy shown(&card, &QuotaCardModel::showCardChanged);
    const auto refresh = [&](const char* badge) {
        manager.refreshQuota();
        EXPECT_TRUE(waitUntil([&] { return !card.isBusy() && card.badgeText() == QString::fromUtf8(badge); })) << badge;
    };
    EXPECT_FALSE(card.showCard());

    home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-card"}})");
    card.rebuild();
    EXPECT_TRUE(card.showCard());
    EXPECT_TRUE(card.showNotLoggedInText());
    EXPECT_EQ(shown.count(), 1);

    server.respond(200, R"({"five_hour": {"utilization": 95.4, "resets_at": "2026-03-07T11:05:00Z"},
        "seven_day": {"utilization": 12}, "extra_usage": {"is_enabled": true, "monthly_limit": 5000,
        "used_credits": 1234, "utilization": 24.68}})");
    refresh("");
    ASSERT_EQ(card.rows().size(), 3);
    EXPECT_EQ(card.rows()[0], row("5시간", 95.4, NamedColor::Red, "95%", "2h 5m"));
    const int askedWithQuota = asked;

    m_clock.advance(61s);
    server.respond(401, "{}");
    refresh("토큰 만료");
    EXPECT_EQ(card.rows().size(), 3);
    card.rebuild();
    EXPECT_EQ(asked, askedWithQuota);

    std::remove(home.path(".credentials.json").c_str());
    m_clock.advance(61s);
    refresh("미연결");
    EXPECT_FALSE(card.hasQuota());
    EXPECT_FALSE(card.showCard());
    EXPECT_TRUE(card.showNotLoggedInText());
    EXPECT_EQ(shown.count(), 2);
}

}
