#include <gtest/gtest.h>

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include "EventLoop.h"
#include "TempDir.h"
#include "basics/UserDefaults.h"
#include "runner/RunCharacter.h"
#include "views/FrameImage.h"

using namespace Qt::StringLiterals;

Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

using namespace std::chrono_literals;

namespace {

QList<QQuickItem*> cardsBelow(const QQuickItem* item)
{
    QList<QQuickItem*> cards;
    for (QQuickItem* child : item->childItems()) {
        if (child->objectName() == u"runnerCard")
            cards.append(child);
        cards.append(cardsBelow(child));
    }
    return cards;
}

// The runner page with the real character packs.
class RunnerPage : public testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void SetUp() override
    {
        m_runner.start();
        ASSERT_EQ(m_runner.registry()->packs().size(), 2);
        m_view.engine()->addImportPath(u"qrc:/qt/qml"_s);
        m_view.setInitialProperties({ { u"runCharacter"_s, QVariant::fromValue(&m_runner) } });
        m_view.setSource(QUrl(u"qrc:/qt/qml/Pacemark/Views/RunnerSelectionView.qml"_s));
        ASSERT_EQ(m_view.status(), QQuickView::Ready) << m_view.errors().value(0).toString().toStdString();
        m_view.setResizeMode(QQuickView::SizeRootObjectToView);
        m_view.resize(360, 380);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        m_cards = cardsBelow(m_view.rootObject());
        ASSERT_EQ(m_cards.size(), 2);
    }

    QVariant timer(int card, const char* key) const
    {
        return m_cards[card]->findChild<QObject*>(u"previewTimer"_s)->property(key);
    }
    bool previewRuns(int card) const { return timer(card, "running").toBool(); }
    bool selected(int card) const { return m_cards[card]->property("isSelected").toBool(); }

    void click(int card)
    {
        const QPointF centre
            = m_cards[card]->mapToScene(QPointF(m_cards[card]->width() / 2, m_cards[card]->height() / 2));
        QTest::mouseClick(&m_view, Qt::LeftButton, {}, centre.toPoint());
    }

    TempDir m_home;
    UserDefaults m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    RunCharacter m_runner { &m_defaults };
    QQuickView m_view;
    QList<QQuickItem*> m_cards;
};

// Two packs in one row in registry order, the selected one highlighted; a click selects a pack, and
// clicking it again restarts the runner.
TEST_F(RunnerPage, ShowsThePacksAndAClickSelectsOne)
{
    EXPECT_EQ(m_cards[0]->property("name").toString(), u"파티 패럿"_s);
    EXPECT_EQ(m_cards[1]->property("name").toString(), u"토키"_s);
    EXPECT_EQ(m_cards[0]->y(), m_cards[1]->y());
    EXPECT_FALSE(selected(0));
    EXPECT_TRUE(selected(1));
    auto* preview = m_cards[1]->findChild<FrameImage*>(u"preview"_s);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->image(), m_runner.registry()->packs()[1].frames[0]);

    click(0);
    EXPECT_EQ(m_defaults.selectedCharacterId(), u"c7"_s);
    EXPECT_TRUE(selected(0));
    EXPECT_FALSE(selected(1));
    EXPECT_EQ(m_runner.frames(), m_runner.registry()->packs()[0].frames);

    ASSERT_TRUE(waitUntil([&] { return m_runner.frameIndex() > 0; }, 3s));
    click(0);
    EXPECT_EQ(m_runner.registry()->selectedId(), u"c7"_s);
    EXPECT_EQ(m_runner.frameIndex(), 0);
}

TEST_F(RunnerPage, PreviewsRunAtTheRunningPaceOnlyWhileOnScreen)
{
    m_defaults.setRunnerPaused(true);
    for (int card : { 0, 1 })
        EXPECT_TRUE(previewRuns(card) && timer(card, "interval") == 70) << card;
    EXPECT_TRUE(waitUntil([&] { return m_cards[1]->property("frameIndex").toInt() >= 3; }, 2s));

    m_view.hide();
    EXPECT_FALSE(previewRuns(1));
    m_view.show();
    EXPECT_TRUE(previewRuns(1));
    EXPECT_LE(m_cards[1]->property("frameIndex").toInt(), 1);

    // Scrolled out of sight.
    auto* grid = m_view.rootObject()->findChild<QQuickItem*>(u"runnerGrid"_s);
    grid->setProperty("contentY", 1000);
    EXPECT_FALSE(previewRuns(0));
    EXPECT_FALSE(previewRuns(1));
    grid->setProperty("contentY", 0);
    EXPECT_TRUE(previewRuns(0));

    m_view.rootObject()->setVisible(false);
    EXPECT_FALSE(previewRuns(0));
}

}
