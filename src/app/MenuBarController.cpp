#include "app/MenuBarController.h"

#include <cstdio>

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QScreen>
#include <QSystemTrayIcon>

#include "app/PopoverWindow.h"
#include "app/StatusImage.h"
#include "quota/ClaudeQuotaManager.h"
#include "runner/RunCharacter.h"
#include "usage/ModelColor.h"
#include "usage/UsageDataManager.h"
#include "usage/UserDefaults.h"
#include "views/QuotaCardFeed.h"

using namespace std::chrono_literals;

namespace {

constexpr qsizetype MaxCachedIcons = 64;

bool isDark(const QColor& background)
{
    return background.lightnessF() < 0.5;
}

StatusImage::Colors trayColors()
{
    const QPalette palette = QGuiApplication::palette();
    const bool dark = isDark(palette.color(QPalette::Window));
    const auto named = [dark](NamedColor c) { return QColor::fromRgb(namedColorRgb(c, dark)); };
    return { palette.color(QPalette::WindowText), named(NamedColor::Green), named(NamedColor::Orange),
             named(NamedColor::Red) };
}

}

MenuBarController::MenuBarController(UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                                     ClaudeQuotaManager* claudeQuotaManager, ClaudeOAuthProvider* oauthProvider,
                                     UserDefaults* defaults, QObject* parent)
    : QObject(parent),
      m_usageDataManager(usageDataManager),
      m_runCharacter(runCharacter),
      m_claudeQuotaManager(claudeQuotaManager),
      m_oauthProvider(oauthProvider),
      m_defaults(defaults)
{
    setUpStatusItem();
    setUpPopover();
    startUpdateTimer();
    connect(m_defaults, &UserDefaults::changed, this, &MenuBarController::updateMenuBarImage);
}

MenuBarController::~MenuBarController()
{
    delete m_popover;
    delete m_menu;
}

void MenuBarController::setUpStatusItem()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        std::fputs("pacemark: no system tray is available; the dashboard opens in a window instead\n", stderr);
        return;
    }
    m_statusItem = new QSystemTrayIcon(this);
    m_statusItem->setToolTip(QStringLiteral("Pacemark"));
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            togglePopover();
    });
    m_menu = new QMenu;
    connect(m_menu->addAction(QStringLiteral("Pacemark 종료")), &QAction::triggered, this,
            &MenuBarController::quitRequested);
    m_statusItem->setContextMenu(m_menu);
}

void MenuBarController::setUpPopover()
{
    const QVariantMap properties {
        { QStringLiteral("usageDataManager"), QVariant::fromValue(m_usageDataManager) },
        { QStringLiteral("quotaCard"),
            QVariant::fromValue(QuotaCardFeed::create(m_claudeQuotaManager, m_oauthProvider, this)) },
        { QStringLiteral("runCharacter"), QVariant::fromValue(m_runCharacter) },
    };
    m_popover = new PopoverWindow(
        properties, m_statusItem ? PopoverWindow::Mode::Popover : PopoverWindow::Mode::NormalWindow, this);
    connect(m_popover, &PopoverWindow::settingsRequested, this, &MenuBarController::settingsRequested);
    // Every opening asks for a fresh quota, once the popover is on screen: the credential lookup
    // must not hold up the first frame.
    connect(m_popover, &PopoverWindow::onScreen, m_claudeQuotaManager, &ClaudeQuotaManager::refreshQuota);
    if (!m_statusItem)
        m_popover->show({});
}

void MenuBarController::startUpdateTimer()
{
    m_updateTimer.setInterval(500ms);
    m_updateTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_updateTimer, &QTimer::timeout, this, &MenuBarController::tick);
    m_updateTimer.start();

    connect(m_runCharacter, &RunCharacter::currentFrameChanged, this, &MenuBarController::scheduleRedraw);
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::statusChanged, this, &MenuBarController::scheduleRedraw);
    updateMenuBarImage();
}

void MenuBarController::tick()
{
    m_usageDataManager->updateTokensPerMinute();
    m_runCharacter->update(m_usageDataManager->activityLevel(), m_usageDataManager->tokensPerMinute());
}

// Changes that arrive before the redraw runs are covered by it: one redraw per burst.
void MenuBarController::scheduleRedraw()
{
    if (m_redrawScheduled)
        return;
    m_redrawScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_redrawScheduled = false;
            updateMenuBarImage();
        },
        Qt::QueuedConnection);
}

std::optional<double> MenuBarController::batteryValue(const std::optional<ClaudeQuota>& quota)
{
    if (!quota)
        return std::nullopt;
    if (quota->fiveHour)
        return quota->fiveHour->utilizationPct;
    if (quota->extraUsage)
        return quota->extraUsage->utilization;
    return std::nullopt;
}

void MenuBarController::updateMenuBarImage()
{
    const QImage frame = m_runCharacter->currentFrame();
    if (frame.isNull() || frame.height() <= 0)
        return;
    StatusImage::Options options;
    options.characterHeight = m_defaults->characterHeight();
    options.horizontalFlip = m_defaults->horizontalFlip();
    if (m_defaults->showMenuBarQuotaBattery())
        options.battery = batteryValue(m_claudeQuotaManager->quota());
    options.colors = trayColors();
    const QScreen* screen = QGuiApplication::primaryScreen();
    options.devicePixelRatio = std::max(2.0, screen ? screen->devicePixelRatio() : 1.0);

    if (!(options == m_iconOptions)) {
        m_icons.clear();
        m_iconOptions = options;
    }
    auto icon = m_icons.constFind(frame.cacheKey());
    if (icon == m_icons.constEnd()) {
        // Bounded by the frames of the packs in use; a full cache is simply started again.
        if (m_icons.size() >= MaxCachedIcons)
            m_icons.clear();
        const QImage image = StatusImage::compose(frame, options);
        ++m_composedImageCount;
        icon = m_icons.insert(frame.cacheKey(), { image, QIcon(QPixmap::fromImage(image)) });
    }
    m_statusImage = icon->image;
    ++m_shownImageCount;
    if (m_statusItem) {
        m_statusItem->setIcon(icon->icon);
        m_statusItem->show();
    }
}

void MenuBarController::togglePopover()
{
    if (m_popover->isShown()) {
        m_popover->close();
        return;
    }
    if (m_popover->justClosedByFocusLoss())
        return;
    m_popover->show(m_statusItem ? m_statusItem->geometry() : QRect());
}
