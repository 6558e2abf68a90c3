#include <gtest/gtest.h>

#include <tuple>

#include <QSignalSpy>
#include <QTimer>

#include "EventLoop.h"
#include "SpriteSheets.h"
#include "TempDir.h"
#include "basics/AppSettings.h"
#include "runner/RunCharacter.h"

using namespace pacemark;

using namespace std::chrono_literals;

namespace {

TEST(ChooseSpeed, FollowsActivityAndRateAndParsesItsNames)
{
    const std::tuple<ActivityLevel, qint64, bool, AnimationSpeed> cases[] = {
        { ActivityLevel::Active, 0, false, AnimationSpeed::Walking },
        { ActivityLevel::Active, 2000, false, AnimationSpeed::Walking },
        { ActivityLevel::Active, 2001, false, AnimationSpeed::Running },
        { ActivityLevel::Active, 8000, false, AnimationSpeed::Running },
        { ActivityLevel::Active, 8001, false, AnimationSpeed::Sprinting },
        { ActivityLevel::Recent, 50000, false, AnimationSpeed::Idle },
        { ActivityLevel::Dormant, 0, true, AnimationSpeed::Sprinting },
        { ActivityLevel::Active, 9000, true, AnimationSpeed::Idle },
        { ActivityLevel::Active, 100, true, AnimationSpeed::Running },
        { ActivityLevel::Active, 5000, true, AnimationSpeed::Walking },
    };
    for (const auto& [level, rate, inverted, speed] : cases)
        EXPECT_EQ(RunCharacter::chooseSpeed(level, rate, inverted), speed)
            << activityLevelName(level).data() << " " << rate << (inverted ? " inverted" : "");

    // Only the four names parse back.
    for (const AnimationSpeed speed : allPaces)
        EXPECT_EQ(paceFromName(QString(paceName(speed))), speed);
    EXPECT_FALSE(paceFromName(u"Sprinting") || paceFromName(u""));
}

class RunCharacterTest : public ::testing::Test
{
protected:
    // A started runner.
    std::unique_ptr<RunCharacter> runner(const QSet<QString>& sheets = SpriteSheets::bothPacks)
    {
        auto run = std::make_unique<RunCharacter>(&m_defaults, SpriteSheets::only(sheets));
        run->start();
        return run;
    }

    TempDir m_home;
    AppSettings m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
};

TEST_F(RunCharacterTest, StartsIdleFollowsTheSettingsAndTheOverrideOrStaysStillWhenPausedOrWithoutPacks)
{
    auto run = runner();
    EXPECT_TRUE(run->currentFrame().pixel(0, 0) == SpriteSheets::frameColor(0) && run->timerInterval() == 300ms);

    // Inversion is read at every update; the override holds until cleared.
    m_defaults.setSpeedInverted(true);
    run->update(ActivityLevel::Dormant, 0);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Sprinting);
    m_defaults.setSpeedInverted(false);
    run->setDebugSpeedOverride(AnimationSpeed::Running);
    EXPECT_EQ(run->timerInterval(), 70ms);
    run->update(ActivityLevel::Dormant, 0);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Running);
    run->setDebugSpeedOverride(std::nullopt);
    EXPECT_EQ(run->animationState(), AnimationSpeed::Running);
    run->update(ActivityLevel::Dormant, 0);
    EXPECT_EQ(run->timerInterval(), 300ms);

    // A stored pause: frame zero, and no update moves it.
    m_defaults.setRunnerPaused(true);
    auto paused = runner();
    EXPECT_EQ(paused->currentFrame().pixel(0, 0), SpriteSheets::frameColor(0));
    paused->update(ActivityLevel::Active, 9000);
    EXPECT_TRUE(paused->animationState() == AnimationSpeed::Idle && !paused->timerInterval());

    auto empty = runner({});
    empty->update(ActivityLevel::Active, 9000);
    EXPECT_TRUE(empty->currentFrame().isNull() && !empty->timerInterval());
}

TEST_F(RunCharacterTest, ALevelChangeOrUnpauseRestartsFromFrameZeroWhileTheSameLevelRunsOn)
{
    auto run = runner();
    run->update(ActivityLevel::Active, 3000);
    ASSERT_TRUE(waitUntil([&] { return run->frameIndex() >= 2; }));
    run->update(ActivityLevel::Active, 9000);
    EXPECT_TRUE(run->frameIndex() == 0 && run->timerInterval() == 40ms);

    // Updates at the same level keep the animation going (a restart on each would pin it to frame 0),
    // and the frames wrap from the last back to the first.
    QList<qint64> shown;
    QObject::connect(run.get(), &RunCharacter::frameIndexChanged, run.get(), [&] { shown.append(run->frameIndex()); });
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, run.get(), [&run] { run->update(ActivityLevel::Active, 12000); });
    ticker.start(10ms);
    ASSERT_TRUE(waitUntil([&shown] { return shown.size() >= 15; }));
    ticker.stop();
    EXPECT_EQ(shown.mid(0, 15), (QList<qint64> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0, 1 }));
    EXPECT_EQ(run->currentFrame().pixel(0, 0), SpriteSheets::frameColor(static_cast<int>(run->frameIndex())));

    ASSERT_TRUE(waitUntil([&] { return run->frameIndex() >= 3; }));
    m_defaults.setRunnerPaused(true);
    EXPECT_TRUE(!run->timerInterval() && run->frameIndex() >= 3);
    m_defaults.setRunnerPaused(false);
    EXPECT_TRUE(run->frameIndex() == 0 && run->currentFrame().pixel(0, 0) == SpriteSheets::frameColor(0)
                && run->timerInterval() == 40ms);

    // Selecting while paused, past the last frame of the smaller pack, shows the new pack still.
    ASSERT_TRUE(waitUntil([&] { return run->frameIndex() >= 12; }));
    m_defaults.setRunnerPaused(true);
    run->selectCharacter(QStringLiteral("c7"));
    EXPECT_TRUE(run->frames().size() == 10 && run->frameIndex() == 0 && !run->timerInterval()
                && run->currentFrame().pixel(0, 0) == SpriteSheets::frameColor(0));
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
    ASSERT_TRUE(waitUntil([&] { return run.frameIndex() >= 3; }));
    EXPECT_EQ(frameChanged.count(), 1);
}

}
