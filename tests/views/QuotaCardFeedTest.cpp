#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "basics/TimestampParser.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/FileCredentialStore.h"
#include "basics/ManualClock.h"
#include "views/QuotaCardFeed.h"

using namespace std::chrono_literals;
using CardStatus = QuotaCardModel::Status;
using ManagerStatus = ClaudeQuotaManager::Status;

namespace {

const char* const Answer = R"({"five_hour": {"utilization": 95.4, "resets_at": "2026-01-02T17:05:00Z"},
    "seven_day": {"utilization": 12}, "extra_usage": {"is_enabled": true, "monthly_limit": 5000,
    "used_credits": 1234, "utilization": 24.68}})";

TEST(QuotaCardFeed, StatusesAsTheBadgeTellsThemApart)
{
    EXPECT_EQ(QuotaCardFeed::statusOf(ManagerStatus::notConfigured()), CardStatus::NotConfigured);
    EXPECT_EQ(QuotaCardFeed::statusOf(ManagerStatus::loading()), CardStatus::Loading);
    EXPECT_EQ(QuotaCardFeed::statusOf(ManagerStatus::loaded()), CardStatus::Loaded);
    EXPECT_EQ(QuotaCardFeed::statusOf(ManagerStatus::denied()), CardStatus::Denied);
    EXPECT_EQ(QuotaCardFeed::statusOf(ManagerStatus::error(OAuthError::unauthorized())), CardStatus::Unauthorized);
    for (const OAuthError& error : { OAuthError::network(QStringLiteral("HTTP 500")), OAuthError::noToken(),
                                     OAuthError::denied(), OAuthError::decode() })
        EXPECT_EQ(QuotaCardFeed::statusOf(ManagerStatus::error(error)), CardStatus::Failed);
}

class QuotaCardFeedLive : public testing::Test
{
protected:
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    void refresh(CardStatus until)
    {
        m_manager.refreshQuota();
        EXPECT_TRUE(waitUntil([&] { return m_card->status() == until; }));
    }

    ManualClock m_clock { *TimestampParser::parse("2026-01-02T15:00:00Z") };
    TempDir m_home;
    LocalHttpServer m_server;
    ClaudeOAuthProvider m_provider { { std::make_shared<FileCredentialStore>(
                                         QString::fromStdString(m_home.path(".credentials.json"))) },
                                     m_server.url() };
    ClaudeQuotaManager m_manager { &m_provider };
    std::unique_ptr<QuotaCardModel> m_card { QuotaCardFeed::create(&m_manager, &m_provider) };
};

TEST_F(QuotaCardFeedLive, FollowsTheManagerFromLoginToLogout)
{
    EXPECT_FALSE(m_card->showCard());

    m_home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-feed"}})");
    m_card->rebuild();
    EXPECT_TRUE(m_card->showCard());
    EXPECT_TRUE(m_card->showNotLoggedInText());

    m_server.respond(200, Answer);
    refresh(CardStatus::Loaded);
    ASSERT_EQ(m_card->rows().size(), 3);
    EXPECT_EQ(m_card->rows()[0].detail, QStringLiteral("2h 5m"));
    EXPECT_EQ(m_card->rows()[2].detail, QStringLiteral("$50"));

    m_clock.advance(61s);
    m_server.respond(401, "{}");
    refresh(CardStatus::Unauthorized);
    EXPECT_EQ(m_card->rows().size(), 3);

    std::remove(m_home.path(".credentials.json").c_str());
    m_clock.advance(61s);
    refresh(CardStatus::NotConfigured);
    EXPECT_FALSE(m_card->hasQuota());
    EXPECT_FALSE(m_card->showCard());
}

}
