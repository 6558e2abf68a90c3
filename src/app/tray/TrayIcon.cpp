#include "app/tray/TrayIcon.h"

#include <QGuiApplication>
#include <QPalette>

#include "app/tray/SystemTray.h"
#include "basics/AppSettings.h"
#include "quota/ClaudeQuotaManager.h"
#include "runner/RunCharacter.h"
#include "usage/ModelColor.h"

namespace pacemark {

namespace {

constexpr qsizetype MaxCachedIcons = 64;

StatusImage::Colors trayColors()
{
    const bool dark = QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
    const auto named = [dark](NamedColor c) { return QColor::fromRgb(namedColorRgb(c, dark)); };
    return { named(NamedColor::Green), named(NamedColor::Orange), named(NamedColor::Red) };
}

}

TrayIcon::TrayIcon(SystemTray* tray, RunCharacter* runCharacter, ClaudeQuotaManager* claudeQuotaManager,
                   AppSettings* defaults, QObject* parent)
    : QObject(parent)
    , m_tray(tray)
    , m_runCharacter(runCharacter)
    , m_claudeQuotaManager(claudeQuotaManager)
    , m_defaults(defaults)
{
    connect(m_runCharacter, &RunCharacter::currentFrameChanged, this, [this] {
        if (!m_paceTimer.isActive())
            scheduleUpdate();
    });
    m_paceTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, [this] {
        m_pacedIndex += m_paceStride;
        updateMenuBarImage();
    });
    for (const auto signal :
         { &RunCharacter::animationStateChanged, &RunCharacter::isPausedChanged, &RunCharacter::framesChanged })
        connect(m_runCharacter, signal, this, &TrayIcon::updatePace);
    connect(m_tray, &SystemTray::kindChanged, this, &TrayIcon::updatePace);
    connect(m_tray, &SystemTray::hostChanged, this, &TrayIcon::updatePace);
    // A paused runner shows no new frames, so new quota figures must redraw the battery themselves.
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::statusChanged, this, &TrayIcon::scheduleUpdate);
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::quotaChanged, this, &TrayIcon::scheduleUpdate);
    connect(m_defaults, &AppSettings::changed, this, &TrayIcon::updateMenuBarImage);
    updateMenuBarImage();
}

std::optional<double> TrayIcon::batteryValue(const std::optional<ClaudeQuota>& quota, bool bindingLimit)
{
    if (!quota)
        return std::nullopt;
    if (const auto* binding = quota->bindingLimit(); bindingLimit && binding)
        return binding->percent;
    if (quota->fiveHour)
        return quota->fiveHour->utilizationPct;
    if (quota->extraUsage)
        return quota->extraUsage->utilization;
    return std::nullopt;
}

// Changes that arrive before the update runs are covered by it: one update per burst.
void TrayIcon::scheduleUpdate()
{
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_updateScheduled = false;
            updateMenuBarImage();
        },
        Qt::QueuedConnection);
}

void TrayIcon::updatePace()
{
    const qsizetype count = m_runCharacter->frames().size();
    const auto pace = m_tray->framePace(m_runCharacter->animationState());
    if (!pace || m_runCharacter->isPaused() || count < 2) {
        if (m_paceTimer.isActive()) {
            m_paceTimer.stop();
            scheduleUpdate();
        }
        return;
    }
    // A stride of a third of the frames at most, so that the runner never seems to step backwards.
    m_paceStride = static_cast<int>(std::clamp<qsizetype>(pace->stride, 1, std::max<qsizetype>(1, count / 3)));
    if (m_paceTimer.isActive() && m_paceTimer.intervalAsDuration() == pace->interval)
        return;
    m_pacedIndex = m_runCharacter->frameIndex();
    m_paceTimer.start(pace->interval);
    scheduleUpdate();
}

QImage TrayIcon::shownFrame() const
{
    const QList<QImage>& frames = m_runCharacter->frames();
    if (!m_paceTimer.isActive() || frames.isEmpty())
        return m_runCharacter->currentFrame();
    return frames.at(m_pacedIndex % frames.size());
}

void TrayIcon::updateMenuBarImage()
{
    const QImage frame = shownFrame();
    if (frame.isNull() || frame.height() <= 0)
        return;
    StatusImage::Options options;
    options.characterHeight = m_defaults->characterHeight();
    options.horizontalFlip = m_defaults->horizontalFlip();
    if (m_defaults->showMenuBarQuotaBattery())
        options.battery = batteryValue(m_claudeQuotaManager->quota(), m_defaults->batteryShowsBindingLimit());
    options.colors = trayColors();

    const QList<QImage> frames = m_runCharacter->frames();
    if (!(options == m_options) || frames != m_contentFrames) {
        m_composed.clear();
        m_options = options;
        m_contentFrames = frames;
        m_contentRect = StatusImage::contentRect(frames.isEmpty() ? QList<QImage> { frame } : frames);
    }
    Composed icon = m_composed.value(frame.cacheKey());
    if (icon.images.isEmpty()) {
        // Bounded by the frames of the packs in use; a full cache is simply started again.
        if (m_composed.size() >= MaxCachedIcons)
            m_composed.clear();
        for (int size : StatusImage::IconSizes) {
            const QImage image = StatusImage::compose(frame, m_contentRect, size, options);
            icon.images.append(image);
            icon.icon.addPixmap(QPixmap::fromImage(image));
            icon.pixmaps.append(DBusImage::fromImage(image));
        }
        icon.name = m_tray->iconName(icon.images);
        ++m_composedCount;
        m_composed.insert(frame.cacheKey(), icon);
    }
    m_images = icon.images;
    ++m_shownCount;
    m_tray->setIcon(icon.icon, icon.pixmaps, icon.name);
}

}
