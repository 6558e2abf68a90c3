#include <gtest/gtest.h>

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "QuotaLimits.h"
#include "TempDir.h"
#include "UsageRefresh.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "basics/Translation.h"
#include "ingest/ProviderManager.h"
#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"
#include "views/FrameImage.h"
#include "views/PopoverActions.h"
#include "views/QuotaCardModel.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

using namespace std::chrono_literals;

namespace {

const Instant Noon { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 12h };

// The visible items below an item, in tree order.
QList<QQuickItem*> visibleBelow(const QQuickItem* item)
{
    QList<QQuickItem*> found;
    for (QQuickItem* child : item->childItems())
        if (child->isVisible())
            found += QList<QQuickItem*> { child } + visibleBelow(child);
    return found;
}

class Popover : public testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    void open(const std::string& log, bool credentialFound = false)
    {
        m_runner.start();
        m_home.write("projects/app/a.jsonl", log);
        m_providers = std::make_unique<ProviderManager>(m_home.path("projects"));
        m_usage = std::make_unique<UsageDataManager>(m_providers.get());
        m_quota = std::make_unique<QuotaCardModel>();
        m_quota->setCredentialFound(credentialFound);
        refresh();

        m_view.engine()->addImportPath(u"qrc:/qt/qml"_s);
        m_view.setInitialProperties({ { u"usageDataManager"_s, QVariant::fromValue(m_usage.get()) },
                                      { u"quotaCard"_s, QVariant::fromValue(m_quota.get()) },
                                      { u"runCharacter"_s, QVariant::fromValue(&m_runner) },
                                      { u"actions"_s, QVariant::fromValue(&m_actions) } });
        m_view.setSource(QUrl(u"qrc:/qt/qml/Pacemark/Views/MainPopoverView.qml"_s));
        ASSERT_EQ(m_view.status(), QQuickView::Ready) << m_view.errors().value(0).toString().toStdString();
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        settle();
    }

    void refresh()
    {
        ASSERT_TRUE(refreshedBy(*m_usage, [this] { m_usage->refresh(); }));
    }

    // Lays out and draws one frame, as the popover would before it is seen.
    void settle() { m_view.grabWindow(); }

    QQuickItem* item(const char* name) const
    {
        auto* found = m_view.rootObject()->findChild<QQuickItem*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    bool shown(const char* name) const { return item(name) && item(name)->isVisible(); }
    // The texts shown below an item, joined by "|".
    QString texts(const char* name) const
    {
        QStringList found;
        for (const QQuickItem* below : visibleBelow(item(name)))
            if (below->inherits("QQuickText"))
                found.append(below->property("text").toString());
        return found.join(u'|');
    }
    QList<QQuickItem*> named(const char* name, const char* objectName) const
    {
        QList<QQuickItem*> found = visibleBelow(item(name));
        found.removeIf([&](const QQuickItem* below) { return below->objectName() != QLatin1String(objectName); });
        return found;
    }

    void click(const char* name) { click(item(name)); }
    void click(const QQuickItem* target)
    {
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(&m_view, Qt::LeftButton, {}, centre.toPoint());
        settle();
    }

    ManualClock m_clock { Noon };
    TempDir m_home;
    std::unique_ptr<ProviderManager> m_providers;
    std::unique_ptr<UsageDataManager> m_usage;
    std::unique_ptr<QuotaCardModel> m_quota;
    AppSettings m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    RunCharacter m_runner { &m_defaults };
    PopoverActions m_actions;
    QQuickView m_view;
};

// The toolbar switches pages and the popover keeps the last one. The runner page with the real character
// packs: two in one row in registry order, the selected one highlighted; a click selects a pack, and
// clicking it again restarts the runner. The previews run at the running pace, only while on screen.
TEST_F(Popover, FreshStartShowsZerosAndTheToolbarSwitchesPagesWhereTheRunnerPageSelectsAPack)
{
    open({});
    EXPECT_EQ(m_view.rootObject()->size(), QSizeF(360, 420));
    for (const char* card : { "quotaCard", "modelTokensCard", "modelShareCard", "providerCard", "projectCard" })
        EXPECT_FALSE(shown(card)) << card;

    EXPECT_EQ(texts("todayCard"), u"오늘 토큰|0|속도|0/min|출력|0|세션|0회|비용|$0.00"_s);
    EXPECT_EQ(texts("cumulativeCard"), u"누적|0|오늘 비중|0%|비용|$0.00"_s);
    EXPECT_EQ(named("todayCard", "meterBar").size(), 4);
    EXPECT_TRUE(texts("weeklyCard").contains(u"데이터가 없어요"_s));

    QSignalSpy settings(&m_actions, &PopoverActions::settingsRequested);
    const auto tint = [&](const char* button) { return item(button)->property("tint").value<QColor>(); };
    const QColor accent = tint("homeButton");
    EXPECT_FALSE(shown("runnerPage"));

    // The history page is built on its first showing.
    EXPECT_EQ(item("historyPage")->property("status").toInt(), 0);
    click("historyButton");
    EXPECT_TRUE(shown("historyPage") && tint("historyButton") == accent);
    EXPECT_NE(item("historyPage")->findChild<QQuickItem*>(u"historyMap"_s), nullptr);

    click("runnerButton");
    EXPECT_FALSE(shown("dashboardPage") || shown("historyPage"));
    EXPECT_TRUE(tint("runnerButton") == accent && tint("homeButton") != accent);

    click("settingsButton");
    EXPECT_TRUE(settings.count() == 1 && tint("settingsButton") != accent);

    // Tiles made by a repeater are children in the item tree only.
    const QList<QQuickItem*> cards = named("runnerPage", "runnerCard");
    ASSERT_EQ(cards.size(), 2);
    const auto timer
        = [&](int card, const char* key) { return cards[card]->findChild<QObject*>(u"previewTimer"_s)->property(key); };
    const auto previewRuns = [&](int card) { return timer(card, "running").toBool(); };
    const auto selected = [&](int card) { return cards[card]->property("isSelected").toBool(); };

    EXPECT_EQ(cards[0]->property("name").toString() + u'|' + cards[1]->property("name").toString(),
              u"파티 패럿|토키"_s);
    EXPECT_EQ(cards[0]->y(), cards[1]->y());
    EXPECT_TRUE(!selected(0) && selected(1));
    auto* preview = cards[1]->findChild<FrameImage*>(u"preview"_s);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->image(), m_runner.registry()->packs()[1].frames[0]);

    click(cards[0]);
    EXPECT_EQ(m_defaults.selectedCharacterId(), u"c7"_s);
    EXPECT_TRUE(selected(0) && !selected(1));
    EXPECT_EQ(m_runner.frames(), m_runner.registry()->packs()[0].frames);
    ASSERT_TRUE(waitUntil([&] { return m_runner.frameIndex() > 0; }, 3s));
    click(cards[0]);
    EXPECT_TRUE(m_runner.registry()->selectedId() == u"c7"_s && m_runner.frameIndex() == 0);

    m_defaults.setRunnerPaused(true);
    for (int card : { 0, 1 })
        EXPECT_TRUE(previewRuns(card) && timer(card, "interval") == 70) << card;
    EXPECT_TRUE(waitUntil([&] { return cards[1]->property("frameIndex").toInt() >= 3; }, 2s));
    m_view.hide();
    EXPECT_FALSE(previewRuns(1));
    m_view.show();
    settle();
    EXPECT_TRUE(shown("runnerPage") && previewRuns(1));
    EXPECT_LE(cards[1]->property("frameIndex").toInt(), 1);

    // Scrolled out of sight.
    QQuickItem* grid = item("runnerGrid");
    grid->setProperty("contentY", 1000);
    EXPECT_FALSE(previewRuns(0) || previewRuns(1));
    grid->setProperty("contentY", 0);
    EXPECT_TRUE(previewRuns(0));

    click("homeButton");
    EXPECT_TRUE(shown("dashboardPage") && !previewRuns(0));
}

TEST_F(Popover, LiveFiguresModelCardsAndChart)
{
    open(ClaudeLog::assistant("m1", "2026-03-07T11:59:00Z", { 1200, 3300, 0, 45000 }, "claude-opus-4-1", "s1")
         + ClaudeLog::assistant("m2", "2026-03-07T10:00:00Z", { 3, 2, 0, 0 }, "claude-haiku-4-5", "s2")
         + ClaudeLog::assistant("m3", "2026-03-06T12:00:00Z", { 0, 1'500'000, 0, 0 }, "claude-sonnet-4-5", "s3"));

    EXPECT_FALSE(shown("providerCard"));
    EXPECT_TRUE(texts("todayCard").contains(u"|1.5K/min|"_s));
    EXPECT_EQ(named("todayCard", "litMeterBar").size(), 3);
    EXPECT_EQ(texts("modelTokensCard"),
              u"모델별 토큰|Opus|In|1.2K|Out|3.3K|CR|45.0K|49.5K|$0.33|Haiku|In|3|Out|2|5|$0.00"_s);

    // Opus fills nearly all the space; Haiku's 5 tokens still get a 2-point bar.
    const auto bars = named("modelShareCard", "shareBar");
    ASSERT_EQ(bars.size(), 2);
    const qreal space = bars[0]->parentItem()->width();
    EXPECT_GT(space, 100);
    EXPECT_NEAR(bars[0]->width(), space * 49500.0 / 49505.0, 0.01);
    EXPECT_EQ(bars[1]->width(), 2.0);

    const QStringList chart = texts("weeklyCard").split(u'|');
    for (const char* label : { "03/06", "03/07", "1.5M", "500.0K" })
        EXPECT_TRUE(chart.contains(QString::fromLatin1(label))) << label;
    const auto dayBars = named("weeklyCard", "dayBar");
    ASSERT_EQ(dayBars.size(), 2);
    EXPECT_NEAR(dayBars[1]->height() / dayBars[0]->height(), 49505.0 / 1'500'000.0, 0.01);

    // A new log line reaches the open popover through the next refresh.
    m_home.append("projects/app/a.jsonl",
                  ClaudeLog::assistant("m4", "2026-03-07T12:00:00Z", { 3000, 0, 0, 0 }, "claude-opus-4-1", "s4"));
    refresh();
    settle();
    EXPECT_TRUE(texts("todayCard").contains(u"|3회|"_s) && named("todayCard", "litMeterBar").size() == 4);
    EXPECT_EQ(texts("cumulativeCard"), u"누적|1.6M|오늘 비중|3.4%|비용|$32.63"_s);

    // The rate ages between refreshes; the card follows it without a refresh.
    m_clock.advance(4min);
    m_usage->updateTokensPerMinute();
    settle();
    EXPECT_TRUE(texts("todayCard").contains(u"|0/min|"_s) && named("todayCard", "litMeterBar").isEmpty());
}

// With a second source on, the card lists each with today's tokens and cost, its own rate and its
// all-time figures.
TEST_F(Popover, ProviderCardShowsEachSourceThatIsOn)
{
    open(ClaudeLog::assistant("m1", "2026-03-07T11:59:00Z", { 1200, 3300, 0, 45000 }, "claude-opus-4-1", "s1")
         + ClaudeLog::assistant("m0", "2026-03-01T10:00:00Z", { 0, 1000, 0, 0 }, "claude-opus-4-1", "s0"));
    TempDir codex;
    codex.write("sessions/2026/03/07/rollout-2026-03-07T11-00-00-a.jsonl",
                R"({"timestamp":"2026-03-07T11:00:00.000Z","type":"turn_context","payload":{"model":"gpt-5"}})"
                "\n"
                R"({"timestamp":"2026-03-07T11:58:00.000Z","type":"event_msg","payload":{"type":"token_count","info":)"
                R"({"last_token_usage":{"input_tokens":900,"cached_input_tokens":400,"output_tokens":100}}}})"
                "\n");
    m_providers->registerOtherAgents({ codex.path() }, codex.path("none"));
    refresh();
    settle();
    EXPECT_EQ(texts("providerCard").toStdString(),
              "프로바이더별 토큰|Claude Code|49.5K|$0.33|1.5K/min · 누적 50.5K $0.41|"
              "Codex CLI|1.0K|$0.00|200/min · 누적 1.0K $0.00");
}

TEST_F(Popover, QuotaCardShowsWindowsBadgeAndBars)
{
    open({}, true);
    // A credential exists but no answer has come yet.
    EXPECT_EQ(texts("quotaCard"), u"Claude 쿼터|미연결|Claude Code에 로그인하면 자동으로 쿼터를 표시합니다."_s);

    m_quota->setStatus(ClaudeQuotaManager::Status::loading());
    settle();
    EXPECT_TRUE(shown("quotaSpinner") && texts("quotaCard") == u"Claude 쿼터"_s);

    using Kind = ClaudeQuota::Limit::Kind;
    ClaudeQuota quota;
    quota.limits = { quotaLimit(Kind::session, u"5시간"_s, 95.4, Noon + 2h + 5min),
                     quotaLimit(Kind::weekly, u"주간"_s, -5, Noon - 1s),
                     quotaLimit(Kind::weeklyScoped, u"Fable"_s, 81, Noon + 48h, true, Noon + 90min) };
    quota.extraUsage = ClaudeQuota::ExtraUsage { true, std::nullopt, 1234, 24.68, u"EUR"_s, 2, {} };
    m_quota->setQuota(quota);
    m_quota->setStatus(ClaudeQuotaManager::Status::loaded());
    settle();
    EXPECT_FALSE(shown("quotaSpinner"));
    EXPECT_EQ(texts("quotaCard"),
              u"Claude 쿼터|5시간|95%|2h 5m|주간|0%|리셋됨|Fable|81%|2d 0h|이 속도면 13:30에 한도 "
              u"도달|크레딧|€12|한도 없음"_s);
    const auto fills = named("quotaCard", "quotaFill");
    ASSERT_EQ(fills.size(), 4);
    const qreal track = fills[0]->parentItem()->width();
    EXPECT_GT(track, 100);
    EXPECT_NEAR(fills[0]->width(), track * 0.954, 0.01);
    EXPECT_EQ(fills[1]->width(), 0.0);
    EXPECT_NEAR(fills[3]->width(), track * 0.2468, 0.01);
    // One band marks the binding limit.
    EXPECT_EQ(named("quotaCard", "quotaBindingMark").size(), 1);

    // Shown in English as the application shows it: the engine words its texts again, the model its rows.
    QObject::connect(&Translation::shared(), &Translation::changed, m_view.engine(), &QQmlEngine::retranslate);
    Translation::shared().show(Translation::Language::english);
    settle();
    const QString english = texts("quotaCard");
    Translation::shared().show(Translation::Language::korean);
    EXPECT_EQ(english,
              u"Claude Quota|5-hour|95%|2h 5m|Weekly|0%|reset|Fable|81%|2d 0h|At this pace, limit reached at "
              u"13:30|Credits|€12|no limit"_s);
    settle();
    EXPECT_TRUE(texts("quotaCard").startsWith(u"Claude 쿼터|5시간|95%"_s));

    m_quota->setCredentialFound(false);
    m_quota->setQuota(std::nullopt);
    m_quota->setStatus(ClaudeQuotaManager::Status::notConfigured());
    settle();
    EXPECT_FALSE(shown("quotaCard"));
}

}
