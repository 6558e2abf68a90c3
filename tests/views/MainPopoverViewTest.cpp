#include <gtest/gtest.h>

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include "SampleLogs.h"
#include "TempDir.h"
#include "ingest/ProviderManager.h"
#include "runner/RunCharacter.h"
#include "usage/ManualClock.h"
#include "usage/UsageDataManager.h"
#include "usage/UserDefaults.h"
#include "views/QuotaCardModel.h"

Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

using namespace std::chrono_literals;

namespace {

const Instant Noon { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 12h };

// Texts of the visible text items below an item, in tree order.
QStringList visibleTexts(const QQuickItem* item)
{
    QStringList texts;
    for (QQuickItem* child : item->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->inherits("QQuickText"))
            texts.append(child->property("text").toString());
        texts.append(visibleTexts(child));
    }
    return texts;
}

QList<QQuickItem*> visibleItems(const QQuickItem* root, const QString& objectName)
{
    QList<QQuickItem*> found;
    for (QQuickItem* child : root->childItems()) {
        if (!child->isVisible())
            continue;
        if (child->objectName() == objectName)
            found.append(child);
        found.append(visibleItems(child, objectName));
    }
    return found;
}

class Popover : public testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void SetUp() override { Clock::install(&m_clock); }
    void TearDown() override { Clock::install(nullptr); }

    void open(const std::string& log, QuotaCardModel::CredentialProbe probe = {})
    {
        m_runner.registry()->loadPacks();
        if (!log.empty())
            m_home.write("projects/app/a.jsonl", log);
        else
            m_home.mkdir("projects");
        m_providers = std::make_unique<ProviderManager>(m_home.path("projects"));
        m_usage = std::make_unique<UsageDataManager>(m_providers.get());
        m_quota = std::make_unique<QuotaCardModel>(std::move(probe));
        QSignalSpy refreshed(m_usage.get(), &UsageDataManager::refreshed);
        m_usage->refresh();
        ASSERT_TRUE(refreshed.wait(5000));

        m_view = std::make_unique<QQuickView>();
        m_view->engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
        m_view->setInitialProperties(
            { { QStringLiteral("usageDataManager"), QVariant::fromValue(m_usage.get()) },
                { QStringLiteral("quotaCard"), QVariant::fromValue(m_quota.get()) },
                { QStringLiteral("runCharacter"), QVariant::fromValue(&m_runner) } });
        m_view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Pacemark/Views/MainPopoverView.qml")));
        ASSERT_EQ(m_view->status(), QQuickView::Ready) << m_view->errors().value(0).toString().toStdString();
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
        settle();
    }

    // Lays out and draws one frame, as the popover would before it is seen.
    void settle() { m_view->grabWindow(); }

    QQuickItem* item(const QString& name) const
    {
        auto* found = m_view->rootObject()->findChild<QQuickItem*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    bool shown(const QString& card) const { return item(card) && item(card)->isVisible(); }

    void click(const QString& name)
    {
        QQuickItem* target = item(name);
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, centre.toPoint());
        settle();
    }

    ManualClock m_clock { Noon };
    TempDir m_home;
    std::unique_ptr<ProviderManager> m_providers;
    std::unique_ptr<UsageDataManager> m_usage;
    std::unique_ptr<QuotaCardModel> m_quota;
    UserDefaults m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    RunCharacter m_runner { &m_defaults };
    std::unique_ptr<QQuickView> m_view;
};

TEST_F(Popover, FreshStartShowsTheTodayCumulativeAndWeeklyCardsWithZeros)
{
    open({});
    EXPECT_EQ(m_view->rootObject()->width(), 360);
    EXPECT_EQ(m_view->rootObject()->height(), 420);
    EXPECT_TRUE(shown(QStringLiteral("todayCard")));
    EXPECT_TRUE(shown(QStringLiteral("cumulativeCard")));
    EXPECT_TRUE(shown(QStringLiteral("weeklyCard")));
    EXPECT_FALSE(shown(QStringLiteral("quotaCard")));
    EXPECT_FALSE(shown(QStringLiteral("modelTokensCard")));
    EXPECT_FALSE(shown(QStringLiteral("modelShareCard")));
    EXPECT_FALSE(shown(QStringLiteral("providerCard")));

    EXPECT_EQ(visibleTexts(item(QStringLiteral("todayCard"))),
              (QStringList { QStringLiteral("오늘 토큰"), QStringLiteral("0"), QStringLiteral("속도"),
                             QStringLiteral("0/min"), QStringLiteral("출력"), QStringLiteral("0"),
                             QStringLiteral("세션"), QStringLiteral("0회") }));
    EXPECT_EQ(visibleTexts(item(QStringLiteral("cumulativeCard"))),
              (QStringList { QStringLiteral("누적"), QStringLiteral("0"), QStringLiteral("오늘 비중"),
                             QStringLiteral("0%") }));
    EXPECT_EQ(visibleItems(item(QStringLiteral("todayCard")), QStringLiteral("meterBar")).size(), 4);
    EXPECT_TRUE(visibleTexts(item(QStringLiteral("weeklyCard"))).contains(QStringLiteral("데이터가 없어요")));
}

TEST_F(Popover, LiveFiguresModelCardsAndChart)
{
    open(SampleMessage { "m1", "claude-opus-4-1", Noon - 60s, "s1", 1200, 3300, 0, 45000 }.line()
         + SampleMessage { "m2", "claude-haiku-4-5", Noon - 2h, "s2", 3, 2 }.line()
         + SampleMessage { "m3", "claude-sonnet-4-5", Noon - 24h, "s3", 0, 1'500'000 }.line());

    EXPECT_TRUE(shown(QStringLiteral("modelTokensCard")));
    EXPECT_TRUE(shown(QStringLiteral("modelShareCard")));
    EXPECT_FALSE(shown(QStringLiteral("providerCard")));
    const QStringList today = visibleTexts(item(QStringLiteral("todayCard")));
    EXPECT_TRUE(today.contains(QStringLiteral("49.5K")));
    EXPECT_TRUE(today.contains(QStringLiteral("1.5K/min")));
    EXPECT_EQ(visibleItems(item(QStringLiteral("todayCard")), QStringLiteral("litMeterBar")).size(), 3);

    const QStringList breakdown = visibleTexts(item(QStringLiteral("modelTokensCard")));
    EXPECT_EQ(breakdown,
              (QStringList { QStringLiteral("모델별 토큰"), QStringLiteral("Opus"), QStringLiteral("In"),
                             QStringLiteral("1.2K"), QStringLiteral("Out"), QStringLiteral("3.3K"),
                             QStringLiteral("CR"), QStringLiteral("45.0K"), QStringLiteral("49.5K"),
                             QStringLiteral("Haiku"), QStringLiteral("In"), QStringLiteral("3"),
                             QStringLiteral("Out"), QStringLiteral("2"), QStringLiteral("5") }));

    // Opus fills nearly all the space; Haiku's 5 tokens still get a 2-point bar.
    const auto bars = visibleItems(item(QStringLiteral("modelShareCard")), QStringLiteral("shareBar"));
    ASSERT_EQ(bars.size(), 2);
    const qreal space = bars[0]->parentItem()->width();
    EXPECT_GT(space, 100);
    EXPECT_NEAR(bars[0]->width(), space * 49500.0 / 49505.0, 0.01);
    EXPECT_EQ(bars[1]->width(), 2.0);

    const QStringList chart = visibleTexts(item(QStringLiteral("weeklyCard")));
    EXPECT_TRUE(chart.contains(QStringLiteral("03/06")));
    EXPECT_TRUE(chart.contains(QStringLiteral("03/07")));
    EXPECT_TRUE(chart.contains(QStringLiteral("1.5M")));
    EXPECT_TRUE(chart.contains(QStringLiteral("500.0K")));
    const auto dayBars = visibleItems(item(QStringLiteral("weeklyCard")), QStringLiteral("dayBar"));
    ASSERT_EQ(dayBars.size(), 2);
    EXPECT_NEAR(dayBars[1]->height() / dayBars[0]->height(), 49505.0 / 1'500'000.0, 0.01);

    // A new log line reaches the open popover through the next refresh.
    m_home.append("projects/app/a.jsonl", SampleMessage { "m4", "claude-opus-4-1", Noon, "s4", 3000, 0 }.line());
    QSignalSpy refreshed(m_usage.get(), &UsageDataManager::refreshed);
    m_usage->refresh();
    ASSERT_TRUE(refreshed.wait(5000));
    settle();
    EXPECT_TRUE(visibleTexts(item(QStringLiteral("todayCard"))).contains(QStringLiteral("3회")));
    EXPECT_EQ(visibleItems(item(QStringLiteral("todayCard")), QStringLiteral("litMeterBar")).size(), 4);
}

TEST_F(Popover, QuotaCardShowsWindowsBadgeAndBars)
{
    bool loggedIn = true;
    open({}, [&] { return loggedIn; });
    EXPECT_TRUE(shown(QStringLiteral("quotaCard")));

    m_quota->setStatus(QuotaCardModel::Status::Loading);
    settle();
    EXPECT_TRUE(shown(QStringLiteral("quotaSpinner")));
    EXPECT_FALSE(shown(QStringLiteral("quotaBadge")));
    EXPECT_EQ(visibleTexts(item(QStringLiteral("quotaCard"))), QStringList { QStringLiteral("Claude 쿼터") });

    QuotaCardSnapshot snapshot;
    snapshot.fiveHour = QuotaCardSnapshot::Window { 95.4, Noon + 2h + 5min };
    snapshot.sevenDay = QuotaCardSnapshot::Window { -5, Noon - 1s };
    snapshot.extraUsage = QuotaCardSnapshot::Credits { 5000, 1234, 24.68 };
    m_quota->setSnapshot(snapshot);
    m_quota->setStatus(QuotaCardModel::Status::Loaded);
    settle();
    EXPECT_FALSE(shown(QStringLiteral("quotaSpinner")));
    EXPECT_EQ(visibleTexts(item(QStringLiteral("quotaCard"))),
              (QStringList { QStringLiteral("Claude 쿼터"), QStringLiteral("5시간"), QStringLiteral("95%"),
                             QStringLiteral("2h 5m"), QStringLiteral("주간"), QStringLiteral("0%"),
                             QStringLiteral("리셋됨"), QStringLiteral("크레딧"), QStringLiteral("$12"),
                             QStringLiteral("$50") }));
    const auto fills = visibleItems(item(QStringLiteral("quotaCard")), QStringLiteral("quotaFill"));
    ASSERT_EQ(fills.size(), 3);
    const qreal track = fills[0]->parentItem()->width();
    EXPECT_GT(track, 100);
    EXPECT_NEAR(fills[0]->width(), track * 0.954, 0.01);
    EXPECT_EQ(fills[1]->width(), 0.0);
    EXPECT_NEAR(fills[2]->width(), track * 0.2468, 0.01);

    m_quota->setStatus(QuotaCardModel::Status::Unauthorized);
    settle();
    EXPECT_EQ(item(QStringLiteral("quotaBadge"))->property("text").toString(), QStringLiteral("토큰 만료"));

    loggedIn = false;
    m_quota->setSnapshot(std::nullopt);
    m_quota->setStatus(QuotaCardModel::Status::NotConfigured);
    settle();
    EXPECT_FALSE(shown(QStringLiteral("quotaCard")));
}

TEST_F(Popover, NotLoggedInTextWhileACredentialExistsButNoAnswerYet)
{
    open({}, [] { return true; });
    EXPECT_EQ(visibleTexts(item(QStringLiteral("quotaCard"))),
              (QStringList { QStringLiteral("Claude 쿼터"), QStringLiteral("미연결"),
                             QStringLiteral("Claude Code에 로그인하면 자동으로 쿼터를 표시합니다.") }));
}

TEST_F(Popover, ToolbarSwitchesPagesAndKeepsTheLastOne)
{
    open({});
    QSignalSpy settings(m_view->rootObject(), SIGNAL(settingsRequested()));
    const QColor accent = item(QStringLiteral("homeButton"))->property("tint").value<QColor>();

    // Tiles made by a repeater are children in the item tree only.
    const std::function<int(const QQuickItem*)> previewsBelow = [&previewsBelow](const QQuickItem* at) {
        int running = 0;
        for (const QQuickItem* child : at->childItems()) {
            if (const auto* timer
                = child->findChild<QObject*>(QStringLiteral("previewTimer"), Qt::FindDirectChildrenOnly))
                running += timer->property("running").toBool() ? 1 : 0;
            running += previewsBelow(child);
        }
        return running;
    };
    const auto previewsRunning = [&] { return previewsBelow(item(QStringLiteral("runnerPage"))); };
    EXPECT_EQ(previewsRunning(), 0);

    click(QStringLiteral("runnerButton"));
    EXPECT_TRUE(shown(QStringLiteral("runnerPage")));
    EXPECT_FALSE(shown(QStringLiteral("dashboardPage")));
    EXPECT_EQ(previewsRunning(), 2);
    EXPECT_EQ(item(QStringLiteral("runnerButton"))->property("tint").value<QColor>(), accent);
    EXPECT_NE(item(QStringLiteral("homeButton"))->property("tint").value<QColor>(), accent);

    click(QStringLiteral("settingsButton"));
    EXPECT_EQ(settings.count(), 1);
    EXPECT_TRUE(shown(QStringLiteral("runnerPage")));
    EXPECT_NE(item(QStringLiteral("settingsButton"))->property("tint").value<QColor>(), accent);

    m_view->hide();
    m_view->show();
    settle();
    EXPECT_TRUE(shown(QStringLiteral("runnerPage")));

    click(QStringLiteral("homeButton"));
    EXPECT_TRUE(shown(QStringLiteral("dashboardPage")));
    EXPECT_FALSE(shown(QStringLiteral("runnerPage")));
    EXPECT_EQ(previewsRunning(), 0);
}

}
