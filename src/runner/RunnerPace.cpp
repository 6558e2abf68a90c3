#include "runner/RunnerPace.h"

#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"

namespace pacemark {

using namespace std::chrono_literals;

RunnerPace::RunnerPace(FigureSource figures, RunCharacter* runCharacter, QObject* parent)
    : QObject(parent)
    , m_figures(std::move(figures))
    , m_runCharacter(runCharacter)
{
    // A named child, so that tests can count its ticks rather than wait for a while.
    m_updateTimer.setParent(this);
    m_updateTimer.setObjectName(QStringLiteral("updateTimer"));
    m_updateTimer.setInterval(500ms);
    m_updateTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_updateTimer, &QTimer::timeout, this, &RunnerPace::tick);
}

RunnerPace::FigureSource RunnerPace::usageFigures(UsageDataManager* usageDataManager)
{
    return [usageDataManager] {
        usageDataManager->updateTokensPerMinute();
        return Figures { usageDataManager->activityLevel(), usageDataManager->tokensPerMinute() };
    };
}

void RunnerPace::start()
{
    m_updateTimer.start();
}

void RunnerPace::stop()
{
    m_updateTimer.stop();
}

void RunnerPace::tick()
{
    const Figures figures = m_figures();
    m_runCharacter->update(figures.activityLevel, figures.tokensPerMinute);
    Q_EMIT ticked();
}

}
