#pragma once

#include <functional>

#include <QObject>
#include <QTimer>

#include "usage/ActivityLevel.h"

namespace pacemark {

class RunCharacter;
class UsageDataManager;

// Sets the runner's speed from the usage figures: twice a second it reads the activity level and the
// rate of the last three minutes and hands them to the runner, which changes speed only when the level
// changes. The figures flow one way: from the usage to the runner, and the tray shows the frames.
class RunnerPace : public QObject
{
    Q_OBJECT

public:
    struct Figures
    {
        ActivityLevel activityLevel = ActivityLevel::Dormant;
        qint64 tokensPerMinute = 0;
    };
    // The figures as of now; asked on every tick, so it must be cheap.
    using FigureSource = std::function<Figures()>;

    RunnerPace(FigureSource figures, RunCharacter* runCharacter, QObject* parent = nullptr);

    // The figures of the usage monitor: its rate brought up to now, and its activity level.
    static FigureSource usageFigures(UsageDataManager* usageDataManager);

    // Ticks until stopped; the first tick comes half a second after the start.
    void start();
    void stop();

Q_SIGNALS:
    // After each tick: the figures were read anew, and the runner has its speed for them.
    void ticked();

private:
    void tick();

    FigureSource m_figures;
    RunCharacter* m_runCharacter;
    QTimer m_updateTimer;
};

}
