#include "runner/RunCharacter.h"

#include <utility>

#include "basics/AppSettings.h"
#include "usage/Pace.h"

namespace pacemark {

RunCharacter::RunCharacter(AppSettings* defaults, QObject* parent)
    : RunCharacter(defaults, CharacterRegistry::SheetLookup(), parent)
{ }

RunCharacter::RunCharacter(AppSettings* defaults, CharacterRegistry::SheetLookup sheets, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_registry(sheets ? new CharacterRegistry(defaults, std::move(sheets), this)
                        : new CharacterRegistry(defaults, this))
{
    // Coarse timers may fire a little early or late so that wake-ups coalesce; Qt offers no finer
    // tolerance than this.
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RunCharacter::advanceFrame);
    // The pause is a stored setting: the tray menu and the settings form change it there.
    connect(m_defaults, &AppSettings::runnerPausedChanged, this, [this] { setPaused(m_defaults->runnerPaused()); });
}

AnimationSpeed RunCharacter::chooseSpeed(ActivityLevel activityLevel, qint64 tokensPerMinute, bool inverted)
{
    const AnimationSpeed speed = paceFor(activityLevel, tokensPerMinute);
    return inverted ? allPaces[allPaces.size() - 1 - static_cast<std::size_t>(speed)] : speed;
}

std::optional<std::chrono::milliseconds> RunCharacter::timerInterval() const
{
    if (!m_timer.isActive())
        return std::nullopt;
    return m_timer.intervalAsDuration();
}

void RunCharacter::start()
{
    m_registry->loadPacks();
    setPaused(m_defaults->runnerPaused());
    applySelectedPack();
}

void RunCharacter::update(ActivityLevel activityLevel, qint64 tokensPerMinute)
{
    if (m_isPaused || m_debugSpeedOverride)
        return;
    const AnimationSpeed speed = chooseSpeed(activityLevel, tokensPerMinute, m_defaults->speedInverted());
    if (speed == m_animationState)
        return;
    setAnimationState(speed);
    startAnimation();
}

void RunCharacter::applySelectedPack()
{
    const std::optional<CharacterPack> pack = m_registry->selectedPack();
    if (!pack)
        return;
    // Keeps the index inside the new frames for anyone who looks before the animation restarts.
    if (m_frameIndex >= pack->frames.size())
        setFrameIndex(0);
    setFrames(pack->frames);
    setCurrentFrame(m_frames.constFirst());
    startAnimation();
}

void RunCharacter::selectCharacter(const QString& id)
{
    m_registry->setSelectedId(id);
    applySelectedPack();
}

void RunCharacter::setPaused(bool paused)
{
    if (paused == m_isPaused)
        return;
    m_isPaused = paused;
    Q_EMIT isPausedChanged();
    if (paused)
        m_timer.stop();
    else
        startAnimation();
}

void RunCharacter::setDebugSpeedOverride(std::optional<AnimationSpeed> speed)
{
    if (speed == m_debugSpeedOverride)
        return;
    m_debugSpeedOverride = speed;
    Q_EMIT debugSpeedOverrideChanged();
    if (speed && *speed != m_animationState) {
        setAnimationState(*speed);
        startAnimation();
    }
}

void RunCharacter::stop()
{
    m_timer.stop();
}

void RunCharacter::startAnimation()
{
    m_timer.stop();
    if (m_frames.isEmpty())
        return;
    setFrameIndex(0);
    setCurrentFrame(m_frames.constFirst());
    if (m_isPaused)
        return;
    m_timer.start(frameInterval(m_animationState));
}

void RunCharacter::advanceFrame()
{
    if (m_frames.isEmpty())
        return;
    setFrameIndex((m_frameIndex + 1) % m_frames.size());
    setCurrentFrame(m_frames.at(m_frameIndex));
}

void RunCharacter::setCurrentFrame(const QImage& frame)
{
    if (frame == m_currentFrame)
        return;
    m_currentFrame = frame;
    Q_EMIT currentFrameChanged();
}

void RunCharacter::setAnimationState(AnimationSpeed speed)
{
    if (speed == m_animationState)
        return;
    m_animationState = speed;
    Q_EMIT animationStateChanged();
}

void RunCharacter::setFrameIndex(qint64 index)
{
    if (index == m_frameIndex)
        return;
    m_frameIndex = index;
    Q_EMIT frameIndexChanged();
}

void RunCharacter::setFrames(const QList<QImage>& frames)
{
    if (frames == m_frames)
        return;
    m_frames = frames;
    Q_EMIT framesChanged();
}

}
