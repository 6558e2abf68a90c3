#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "SpriteSheets.h"
#include "TempDir.h"
#include "runner/RunCharacter.h"
#include "usage/UserDefaults.h"

using namespace std::chrono_literals;

namespace {

struct SpeedCase
{
    ActivityLevel level;
    qint64 tokensPerMinute;
    bool inverted;
    AnimationSpeed expected;
};

std::string caseName(const SpeedCase& c)
{
    return std::string(activityLevelName(c.level).data()) + "_" + std::to_string(c.tokensPerMinute)
        + (c.inverted ? "_inverted" : "");
}

void PrintTo(const SpeedCase& c, std::ostream* out)
{
    *out << caseName(c);
}

class ChooseSpeed : public ::testing::TestWithParam<SpeedCase>
{
};

TEST_P(ChooseSpeed, FollowsActivityAndRate)
{
    const SpeedCase& c = GetParam();
    EXPECT_EQ(RunCharacter::chooseSpeed(c.level, c.tokensPerMinute, c.inverted), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, ChooseSpeed,
    ::testing::Values(SpeedCase { ActivityLevel::Active, 0, false, AnimationSpeed::Walking },
        SpeedCase { ActivityLevel::Active, 2000, false, AnimationSpeed::Walking },
        SpeedCase { ActivityLevel::Active, 2001, false, AnimationSpeed::Running },
        SpeedCase { ActivityLevel::Active, 8000, false, AnimationSpeed::Running },
        SpeedCase { ActivityLevel::Active, 8001, false, AnimationSpeed::Sprinting },
        SpeedCase { ActivityLevel::Recent, 50000, false, AnimationSpeed::Idle },
        SpeedCase { ActivityLevel::Stale, 9000, false, AnimationSpeed::Idle },
        SpeedCase { ActivityLevel::Dormant, 0, false, AnimationSpeed::Idle },
        SpeedCase { ActivityLevel::Dormant, 0, true, AnimationSpeed::Sprinting },
        SpeedCase { ActivityLevel::Active, 9000, true, AnimationSpeed::Idle },
        SpeedCase { ActivityLevel::Active, 100, true, AnimationSpeed::Running },
        SpeedCase { ActivityLevel::Active, 5000, true, AnimationSpeed::Walking }),
    [](const ::testing::TestParamInfo<SpeedCase>& test) { return caseName(test.param); });

const QSet<QString> bothSheets { QStringLiteral("c7"), QStringLiteral("toki") };

class RunCharacterTest : public ::testing::Test
{
protected:
    RunCharacterTest()
        : m_defaults(QString::fromStdString(m_home.path("settings.ini")))
    {
    }

    std::unique_ptr<RunCharacter> runner(const QSet<QString>& sheets = bothSheets)
    {
        return std::make_unique<RunCharacter>(&m_defaults, SpriteSheets::only(sheets));
    }

    // Runs the event loop until the condition holds, at most for the given time.
    template <typename Condition>
    static bool waitUntil(Condition condition, std::chrono::milliseconds limit = 3s)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!condition() && elapsed.elapsed() < limit.count())
            QTest::qWait(5);
        return condition();
    }

    static bool waitForFrame(RunCharacter& runner, qint64 index)
    {
        return waitUntil([&runner, index] { return runner.frameIndex() >= index; });
    }

    TempDir m_home;
    UserDefaults m_defaults;
};

TEST_F(RunCharacterTest, StartShowsTheFirstFrameOfTheSelectedPackAtTheIdlePace)
{
    auto run = runner();
    EXPECT_TRUE(run->currentFrame().isNull());
    run->start();

    EXPECT_EQ(run->frames().size(), 14);
    EXPECT_EQ(run->currentFrame().pixel(0, 0), SpriteSheets::frameColor(0));
    EXPECT_EQ(run->animationState(), AnimationSpeed::Idle);
    EXPECT_EQ(run->timerInterval(), 300ms);
}

TEST_F(RunCharacterTest, AStoredPauseShowsFrameZeroAndNoUpdateMovesIt)
{
    m_defaults.setRunnerPaused(true);
    auto run = runner();
    run->start();

    EXPECT_TRUE(run->isPaused());
    EXPECT_EQ(run->frameIndex(), 0);
    EXPECT_FALSE(run->currentFrame().isNull());
    EXPECT_FALSE(run->timerInterval());
    run->update(ActivityLevel::Active, 9000);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Idle);
    EXPECT_FALSE(run->timerInterval());
}

TEST_F(RunCharacterTest, ALevelChangeRestartsFromFrameZeroAtTheNewInterval)
{
    auto run = runner();
    run->start();
    run->update(ActivityLevel::Active, 3000);
    ASSERT_TRUE(waitForFrame(*run, 2));

    QElapsedTimer sinceChange;
    sinceChange.start();
    run->update(ActivityLevel::Active, 9000);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Sprinting);
    EXPECT_EQ(run->frameIndex(), 0);
    EXPECT_EQ(run->timerInterval(), 40ms);
    ASSERT_TRUE(waitForFrame(*run, 1));
    // Coarse timers may fire up to 5 % early.
    EXPECT_GE(sinceChange.elapsed(), 38);
}

TEST_F(RunCharacterTest, UpdatesThatKeepTheLevelLeaveTheAnimationRunning)
{
    auto run = runner();
    run->start();
    run->update(ActivityLevel::Active, 9000);
    QSignalSpy steps(run.get(), &RunCharacter::frameIndexChanged);

    QTimer ticker;
    QObject::connect(
        &ticker, &QTimer::timeout, run.get(), [&run] { run->update(ActivityLevel::Active, 12000); });
    ticker.start(10ms);
    QTest::qWait(300);
    ticker.stop();

    // A restart on every update would pin the runner to frame 0.
    EXPECT_GE(steps.count(), 3);
    EXPECT_EQ(run->timerInterval(), 40ms);
}

TEST_F(RunCharacterTest, FramesWrapFromTheLastBackToTheFirst)
{
    auto run = runner();
    run->start();
    QList<qint64> shown;
    QObject::connect(
        run.get(), &RunCharacter::frameIndexChanged, run.get(), [&] { shown.append(run->frameIndex()); });
    run->setDebugSpeedOverride(AnimationSpeed::Sprinting);
    ASSERT_TRUE(waitUntil([&shown] { return shown.size() >= 15; }));
    run->stop();

    const QList<qint64> expected { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0, 1 };
    EXPECT_EQ(shown.mid(0, 15), expected);
    EXPECT_EQ(run->currentFrame().pixel(0, 0), SpriteSheets::frameColor(static_cast<int>(run->frameIndex())));
}

TEST_F(RunCharacterTest, PauseFreezesTheFrameAndUnpauseRestartsFromFrameZero)
{
    auto run = runner();
    run->start();
    run->update(ActivityLevel::Active, 9000);
    ASSERT_TRUE(waitForFrame(*run, 3));

    run->setPaused(true);
    EXPECT_FALSE(run->timerInterval());
    const qint64 frozenIndex = run->frameIndex();
    const QImage frozen = run->currentFrame();
    QTest::qWait(120);
    EXPECT_EQ(run->frameIndex(), frozenIndex);
    EXPECT_EQ(run->currentFrame(), frozen);

    run->setPaused(false);
    EXPECT_EQ(run->frameIndex(), 0);
    EXPECT_EQ(run->currentFrame().pixel(0, 0), SpriteSheets::frameColor(0));
    EXPECT_EQ(run->timerInterval(), 40ms);
    EXPECT_TRUE(waitForFrame(*run, 1));
}

TEST_F(RunCharacterTest, TheOverrideSwitchesAtOnceAndHoldsUntilCleared)
{
    auto run = runner();
    run->start();
    QSignalSpy overrideChanged(run.get(), &RunCharacter::debugSpeedOverrideChanged);

    run->setDebugSpeedOverride(AnimationSpeed::Sprinting);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Sprinting);
    EXPECT_EQ(run->timerInterval(), 40ms);
    run->setDebugSpeedOverride(AnimationSpeed::Sprinting);
    EXPECT_EQ(overrideChanged.count(), 1);

    run->update(ActivityLevel::Dormant, 0);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Sprinting);

    run->setDebugSpeedOverride(std::nullopt);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Sprinting);
    EXPECT_EQ(run->timerInterval(), 40ms);
    run->update(ActivityLevel::Dormant, 0);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Idle);
    EXPECT_EQ(run->timerInterval(), 300ms);
}

TEST_F(RunCharacterTest, SpeedInvertedIsReadAtEveryUpdate)
{
    auto run = runner();
    run->start();
    m_defaults.setSpeedInverted(true);
    run->update(ActivityLevel::Dormant, 0);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Sprinting);
    m_defaults.setSpeedInverted(false);
    run->update(ActivityLevel::Dormant, 0);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Idle);
}

TEST_F(RunCharacterTest, SelectingTheSelectedPackRestartsItFromFrameZero)
{
    auto run = runner();
    run->start();
    run->update(ActivityLevel::Active, 9000);
    ASSERT_TRUE(waitForFrame(*run, 2));
    QSignalSpy selectedChanged(run->registry(), &CharacterRegistry::selectedIdChanged);

    run->selectCharacter(QStringLiteral("toki"));
    EXPECT_EQ(run->frameIndex(), 0);
    EXPECT_EQ(selectedChanged.count(), 0);
    EXPECT_EQ(run->timerInterval(), 40ms);
}

TEST_F(RunCharacterTest, SelectingWhilePausedShowsTheNewPackStill)
{
    auto run = runner();
    run->start();
    run->update(ActivityLevel::Active, 9000);
    ASSERT_TRUE(waitForFrame(*run, 12));
    run->setPaused(true);

    run->selectCharacter(QStringLiteral("c7"));
    EXPECT_EQ(run->frames().size(), 10);
    EXPECT_EQ(run->frameIndex(), 0);
    EXPECT_EQ(run->currentFrame().pixel(0, 0), SpriteSheets::frameColor(0));
    EXPECT_FALSE(run->timerInterval());
    EXPECT_EQ(m_defaults.selectedCharacterId(), QStringLiteral("c7"));
}

TEST_F(RunCharacterTest, WithoutPacksNothingIsShownOrScheduled)
{
    auto run = runner({});
    run->start();
    run->update(ActivityLevel::Active, 9000);
    EXPECT_TRUE(run->currentFrame().isNull());
    EXPECT_TRUE(run->frames().isEmpty());
    EXPECT_FALSE(run->timerInterval());
}

TEST_F(RunCharacterTest, OnlyARealChangeOfTheFrameIsAnnounced)
{
    // Every frame of this pack looks the same, so stepping through it changes nothing on show.
    const auto sameFrames = [](const QString&) {
        QImage sheet(14 * 4, 4, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(Qt::green);
        return sheet;
    };
    RunCharacter run(&m_defaults, sameFrames);
    QSignalSpy frameChanged(&run, &RunCharacter::currentFrameChanged);
    run.start();
    run.setDebugSpeedOverride(AnimationSpeed::Sprinting);
    ASSERT_TRUE(waitForFrame(run, 3));
    EXPECT_EQ(frameChanged.count(), 1);
}

}
