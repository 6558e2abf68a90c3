#include <gtest/gtest.h>

#include <QSignalSpy>

#include "QuotaLimits.h"
#include "UsageAnswers.h"
#include "basics/ManualClock.h"
#include "basics/TimestampParser.h"
#include "usage/ModelColor.h"
#include "views/QuotaCardModel.h"

using namespace pacemark;

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

QVariant row(const char* label, double pct, NamedColor color, const char* value, const char* detail = "",
             bool binding = false, const char* note = "")
{
    return QVariantMap { { u"label"_s, QString::fromUtf8(label) },   { u"pct"_s, pct },
                         { u"color"_s, static_cast<int>(color) },    { u"value"_s, QString::fromUtf8(value) },
                         { u"detail"_s, QString::fromUtf8(detail) }, { u"binding"_s, binding },
                         { u"note"_s, QString::fromUtf8(note) } };
}

TEST_F(QuotaCard, RowsInOrderClampedWhereValuesCanStrayAndWithCountdowns)
{
    using Kind = ClaudeQuota::Limit::Kind;
    ClaudeQuota stray;
    stray.limits = { quotaLimit(Kind::session, u"5시간"_s, -3, std::nullopt),
                     quotaLimit(Kind::weekly, u"주간"_s, 120, Now - 1min, false, Now + 1h),
                     quotaLimit(Kind::weeklyScoped, u"Opus"_s, 250, Now + 3 * 24h + 1h, true, Now - 1min) };
    stray.extraUsage = ClaudeQuota::ExtraUsage { false, 120, 0, -10, u"JPY"_s, 0, u"policy"_s };

    const std::pair<ClaudeQuota, QVariantList> cases[] {
        // A forecast already past is not shown.
        { stray,
          { row("5시간", 0.0, NamedColor::Green, "0%"),
            row("주간", 100.0, NamedColor::Red, "100%", "리셋됨", false, "이 속도면 10:00에 한도 도달"),
            row("Opus", 100.0, NamedColor::Red, "100%", "3d 1h", true),
            row("크레딧", 0.0, NamedColor::Green, "0 JPY", "120 JPY", false, "크레딧 꺼짐") } },
        // An empty answer still counts as a quota.
        { ClaudeQuota {}, {} },
    };
    for (const auto& [quota, rows] : cases) {
        QuotaCardModel model;
        model.setQuota(quota);
        EXPECT_TRUE(model.hasQuota() && model.rows() == rows);
    }

    // A published answer with the model's cap binding and the credits run out.
    m_clock.set(*TimestampParser::parse("2026-08-14T20:00:00Z"));
    QuotaCardModel published;
    published.setQuota(UsageAnswers::parse(UsageAnswers::BindingScopedCap));
    EXPECT_EQ(published.rows(),
              (QVariantList { row("5시간", 8.0, NamedColor::Green, "8%", "2h 29m"),
                              row("주간", 56.0, NamedColor::Green, "56%", "4d 9h"),
                              row("Fable", 74.0, NamedColor::Orange, "74%", "4d 9h", true),
                              row("크레딧", 0.032, NamedColor::Green, "$0", "$250", false, "크레딧 소진") }));
    m_clock.set(Now);

    // Countdowns move only when rebuilt, and only a change is announced.
    QuotaCardModel model;
    ClaudeQuota quota;
    quota.limits = { quotaLimit(Kind::session, u"5시간"_s, 50, Now + 10min + 30s) };
    model.setQuota(quota);
    QSignalSpy rows(&model, &QuotaCardModel::rowsChanged);
    const auto detail = [&] { return model.rows().value(0).toMap().value(u"detail"_s).toString(); };

    m_clock.advance(20s);
    model.rebuild();
    EXPECT_TRUE(rows.isEmpty() && detail() == u"10m"_s);

    m_clock.advance(11min);
    EXPECT_EQ(detail(), u"10m"_s);
    model.rebuild();
    EXPECT_TRUE(rows.count() == 1 && detail() == u"리셋됨"_s);
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
        EXPECT_EQ(std::tuple(model.badgeText(), model.badgeAlert(), model.isBusy()),
                  std::tuple(QString::fromUtf8(text), alert, busy))
            << name;
    }
}

}
