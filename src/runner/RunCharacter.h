#pragma once

#include <chrono>
#include <optional>

#include <QImage>
#include <QList>
#include <QObject>
#include <QTimer>

#include "runner/AnimationSpeed.h"
#include "runner/CharacterRegistry.h"
#include "usage/ActivityLevel.h"

namespace pacemark {

class AppSettings;

// The animated runner: steps through the frames of the selected pack on a repeating timer whose pace
// follows the user's token activity. Every property notifies only on a real change, so observers of
// `currentFrame` redraw at most once per frame step.
class RunCharacter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QImage currentFrame READ currentFrame NOTIFY currentFrameChanged)
    Q_PROPERTY(AnimationSpeed animationState READ animationState NOTIFY animationStateChanged)
    Q_PROPERTY(bool isPaused READ isPaused NOTIFY isPausedChanged)
    Q_PROPERTY(qint64 frameIndex READ frameIndex NOTIFY frameIndexChanged)
    Q_PROPERTY(QList<QImage> frames READ frames NOTIFY framesChanged)
    Q_PROPERTY(CharacterRegistry* registry READ registry CONSTANT)

public:
    explicit RunCharacter(AppSettings* defaults, QObject* parent = nullptr);
    RunCharacter(AppSettings* defaults, CharacterRegistry::SheetLookup sheets, QObject* parent = nullptr);

    // The level for the activity: idle unless active in the last 180 s, then by tokens per minute;
    // mirrored when inverted.
    static AnimationSpeed chooseSpeed(ActivityLevel activityLevel, qint64 tokensPerMinute, bool inverted);

    // A null image until the animation has started.
    QImage currentFrame() const { return m_currentFrame; }
    AnimationSpeed animationState() const { return m_animationState; }
    std::optional<AnimationSpeed> debugSpeedOverride() const { return m_debugSpeedOverride; }
    bool isPaused() const { return m_isPaused; }
    qint64 frameIndex() const { return m_frameIndex; }
    const QList<QImage>& frames() const { return m_frames; }
    CharacterRegistry* registry() const { return m_registry; }
    // The interval of the running frame timer; none while no timer runs.
    std::optional<std::chrono::milliseconds> timerInterval() const;

    // Loads the packs, restores the stored pause and starts the animation. The pause follows the stored
    // setting from construction on.
    void start();
    // Called every half second with the latest activity; restarts the animation only when the level
    // changes.
    void update(ActivityLevel activityLevel, qint64 tokensPerMinute);
    void applySelectedPack();
    // Selects a pack and restarts the animation, also when it was already selected.
    void selectCharacter(const QString& id);
    // While set, activity no longer changes the level.
    void setDebugSpeedOverride(std::optional<AnimationSpeed> speed);
    // Stops the frame timer for good, at termination.
    void stop();

Q_SIGNALS:
    void currentFrameChanged();
    void animationStateChanged();
    void debugSpeedOverrideChanged();
    void isPausedChanged();
    void frameIndexChanged();
    void framesChanged();

private:
    void setPaused(bool paused);
    void startAnimation();
    void advanceFrame();
    void setCurrentFrame(const QImage& frame);
    void setAnimationState(AnimationSpeed speed);
    void setFrameIndex(qint64 index);
    void setFrames(const QList<QImage>& frames);

    AppSettings* m_defaults;
    QImage m_currentFrame;
    AnimationSpeed m_animationState = AnimationSpeed::Idle;
    std::optional<AnimationSpeed> m_debugSpeedOverride;
    bool m_isPaused = false;
    // Owned by value, so no firing can reach a runner that is gone.
    QTimer m_timer;
    qint64 m_frameIndex = 0;
    QList<QImage> m_frames;
    CharacterRegistry* m_registry;
};

}
