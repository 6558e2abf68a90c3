#include "app/MenuBarController.h"

#include <malloc.h>

#include <climits>

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QQuickWindow>

#include "app/CodexLimits.h"
#include "app/PopoverWindow.h"
#include "app/StatusImage.h"
#include "app/tray/SystemTray.h"
#include "basics/Clock.h"
#include "basics/Translation.h"
#include "basics/UserDefaults.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/CreditsFormat.h"
#include "quota/LimitNames.h"
#include "quota/QuotaForecast.h"
#include "quota/ResetCountdown.h"
#include "runner/CharacterRegistry.h"
#include "runner/RunCharacter.h"
#include "usage/ModelColor.h"
#include "usage/TokenFormat.h"
#include "usage/UsageDataManager.h"
#include "views/CodexQuotaCardModel.h"
#include "views/DashboardFormat.h"
#include "views/QuotaCardModel.h"

using namespace std::chrono_literals;

namespace {

constexpr qsizetype MaxCachedIcons = 64;
constexpr auto NoTrayGrace = 1s;
constexpr auto PopoverRelease = 5min;

StatusImage::Colors trayColors()
{
    const bool dark = QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
    const auto named = [dark](NamedColor c) { return QColor::fromRgb(namedColorRgb(c, dark)); };
    return { named(NamedColor::Green), named(NamedColor::Orange), named(NamedColor::Red) };
}

QString quotaLine(const ClaudeQuota::Limit& limit, Instant now)
{
    QString line = QStringLiteral("%1 %2").arg(LimitNames::fullName(limit),
                                               DashboardFormat::percentText(ClaudeQuota::shownPercent(limit.percent)));
    const QString countdown = resetCountdown(limit.resetsAt, now);
    if (!countdown.isEmpty())
        line += QStringLiteral(" · ") + MenuBarController::tr("리셋까지 %1").arg(countdown);
    if (limit.forecastAt && *limit.forecastAt > now)
        line += QStringLiteral(" · ") + QuotaForecast::text(*limit.forecastAt, now);
    return line;
}

}

MenuBarController::MenuBarController(UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                                     ClaudeQuotaManager* claudeQuotaManager, ClaudeOAuthProvider* oauthProvider,
                                     UserDefaults* defaults, QObject* parent)
    : QObject(parent)
    , m_usageDataManager(usageDataManager)
    , m_runCharacter(runCharacter)
    , m_claudeQuotaManager(claudeQuotaManager)
    , m_oauthProvider(oauthProvider)
    , m_defaults(defaults)
{
    // The dashboard and the settings are a few cards and a chart: Qt Quick's software renderer draws
    // them as fast as OpenGL, without loading a GL driver (a software one, on many machines) that
    // would stay in memory for the life of the tray process. Set before any Qt Quick window exists.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    setUpStatusItem();
    m_popoverRelease.setInterval(PopoverRelease);
    m_popoverRelease.setSingleShot(true);
    connect(&m_popoverRelease, &QTimer::timeout, this, &MenuBarController::releasePopover);
    // A StatusNotifierItem host answers over the bus within moments; only a tray still missing then
    // gets the window instead.
    if (!m_tray->isAvailable()) {
        QTimer::singleShot(NoTrayGrace, this, [this] {
            if (m_tray->isAvailable())
                return;
            qInfo("pacemark: no system tray is available yet; the dashboard opens in a window until one appears");
            showPopover();
        });
    }
    startUpdateTimer();
    connect(m_defaults, &UserDefaults::changed, this, &MenuBarController::updateMenuBarImage);
}

MenuBarController::~MenuBarController()
{
    delete m_popover;
    delete m_tray;
    delete m_menu;
}

void MenuBarController::setUpStatusItem()
{
    m_menu = new QMenu;
    m_openAction = m_menu->addAction(QString());
    connect(m_openAction, &QAction::triggered, this, [this] {
        if (!isPopoverShown())
            showPopover();
    });
    m_settingsAction = m_menu->addAction(QString());
    connect(m_settingsAction, &QAction::triggered, this, &MenuBarController::settingsRequested);
    m_pauseAction = m_menu->addAction(QString());
    m_pauseAction->setCheckable(true);
    m_pauseAction->setChecked(m_defaults->runnerPaused());
    connect(m_pauseAction, &QAction::toggled, m_defaults, &UserDefaults::setRunnerPaused);
    connect(m_defaults, &UserDefaults::runnerPausedChanged, m_pauseAction,
            [this] { m_pauseAction->setChecked(m_defaults->runnerPaused()); });
    m_menu->addSeparator();
    m_quitAction = m_menu->addAction(QString());
    connect(m_quitAction, &QAction::triggered, this, &MenuBarController::quitRequested);
    wordMenu();
    connect(&Translation::shared(), &Translation::changed, this, [this] {
        wordMenu();
        updateToolTip();
    });

    m_tray = new SystemTray(m_menu);
    connect(m_tray, &SystemTray::activated, this, [this](const QRect& iconGeometry, const QPoint& at) {
        if (isPopoverShown())
            m_popover->close();
        else if (!m_popover || !m_popover->justDismissed())
            showPopover(iconGeometry, at);
    });
    connect(m_tray, &SystemTray::contextMenuRequested, m_menu, [this](const QPoint& at) { m_menu->popup(at); });
    connect(m_tray, &SystemTray::kindChanged, this, &MenuBarController::trayKindChanged);
    connect(m_usageDataManager, &UsageDataManager::refreshed, this, &MenuBarController::updateToolTip);
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::statusChanged, this, &MenuBarController::updateToolTip);
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::quotaChanged, this, &MenuBarController::updateToolTip);
    updateToolTip();
}

PopoverWindow* MenuBarController::ensurePopover()
{
    if (m_popover)
        return m_popover;
    const QPointer<const ClaudeOAuthProvider> credentials(m_oauthProvider);
    auto* quotaCard = new QuotaCardModel(
        m_claudeQuotaManager, [credentials] { return credentials && credentials->readAccessTokenSilently(); }, this);
    QVariantMap properties {
        { QStringLiteral("usageDataManager"), QVariant::fromValue(m_usageDataManager) },
        { QStringLiteral("quotaCard"), QVariant::fromValue(quotaCard) },
        { QStringLiteral("runCharacter"), QVariant::fromValue(m_runCharacter) },
    };
    CodexQuotaCardModel* codexCard = nullptr;
    if (m_codexLimits) {
        codexCard = new CodexQuotaCardModel(this);
        codexCard->setLimits(m_codexLimits->limits());
        connect(m_codexLimits, &CodexLimits::changed, codexCard,
                [codexCard, limits = m_codexLimits] { codexCard->setLimits(limits->limits()); });
        properties.insert(QStringLiteral("codexQuotaCard"), QVariant::fromValue(codexCard));
    }
    m_popover = new PopoverWindow(
        properties, m_tray->isAvailable() ? PopoverWindow::Mode::Popover : PopoverWindow::Mode::NormalWindow, this);
    quotaCard->setParent(m_popover);
    if (codexCard)
        codexCard->setParent(m_popover);
    ++m_popoverBuildCount;
    connect(m_popover, &PopoverWindow::settingsRequested, this, &MenuBarController::settingsRequested);
    // Every opening asks for a fresh quota, once the popover is on screen: the credential lookup
    // must not hold up the first frame.
    connect(m_popover, &PopoverWindow::onScreen, m_claudeQuotaManager, &ClaudeQuotaManager::refreshQuota);
    connect(m_popover, &PopoverWindow::onScreen, &m_popoverRelease, &QTimer::stop);
    connect(m_popover, &PopoverWindow::hidden, &m_popoverRelease, qOverload<>(&QTimer::start));
    // The scene's memory goes back to the system, not only to the allocator.
    connect(m_popover, &QObject::destroyed, this, [] { ::malloc_trim(0); });
    return m_popover;
}

void MenuBarController::releasePopover()
{
    if (!m_popover || m_popover->isShown())
        return;
    m_popover->deleteLater();
    m_popover = nullptr;
}

bool MenuBarController::isPopoverShown() const
{
    return m_popover && m_popover->isShown();
}

// A tray that appears after the start takes the runner, and the window it stood in for goes. A tray
// that goes away leaves the popover as it is: panels restart, and the item comes back with them.
void MenuBarController::trayKindChanged()
{
    if (m_tray->isAvailable() && m_popover && m_popover->mode() == PopoverWindow::Mode::NormalWindow)
        m_popover->setMode(PopoverWindow::Mode::Popover);
}

void MenuBarController::startUpdateTimer()
{
    // A named child, so that tests can count its ticks rather than wait for a while.
    m_updateTimer.setParent(this);
    m_updateTimer.setObjectName(QStringLiteral("updateTimer"));
    m_updateTimer.setInterval(500ms);
    m_updateTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_updateTimer, &QTimer::timeout, this, &MenuBarController::tick);
    m_updateTimer.start();

    connect(m_runCharacter, &RunCharacter::currentFrameChanged, this, [this] {
        if (!m_paceTimer.isActive())
            scheduleRedraw();
    });
    m_paceTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, [this] {
        m_pacedIndex += m_paceStride;
        updateMenuBarImage();
    });
    for (const auto signal :
         { &RunCharacter::animationStateChanged, &RunCharacter::isPausedChanged, &RunCharacter::framesChanged })
        connect(m_runCharacter, signal, this, &MenuBarController::updatePace);
    connect(m_tray, &SystemTray::kindChanged, this, &MenuBarController::updatePace);
    connect(m_tray, &SystemTray::hostChanged, this, &MenuBarController::updatePace);
    // A paused runner shows no new frames, so new quota figures must redraw the battery themselves.
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::statusChanged, this, &MenuBarController::scheduleRedraw);
    connect(m_claudeQuotaManager, &ClaudeQuotaManager::quotaChanged, this, &MenuBarController::scheduleRedraw);
    updateMenuBarImage();
}

void MenuBarController::tick()
{
    m_usageDataManager->updateTokensPerMinute();
    m_runCharacter->update(m_usageDataManager->activityLevel(), m_usageDataManager->tokensPerMinute());
    updateToolTip();
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

void MenuBarController::updatePace()
{
    const qsizetype count = m_runCharacter->frames().size();
    const auto pace = m_tray->framePace(m_runCharacter->animationState());
    if (!pace || m_runCharacter->isPaused() || count < 2) {
        if (m_paceTimer.isActive()) {
            m_paceTimer.stop();
            scheduleRedraw();
        }
        return;
    }
    // A stride of a third of the frames at most, so that the runner never seems to step backwards.
    m_paceStride = static_cast<int>(std::clamp<qsizetype>(pace->stride, 1, std::max<qsizetype>(1, count / 3)));
    if (m_paceTimer.isActive() && m_paceTimer.intervalAsDuration() == pace->interval)
        return;
    m_pacedIndex = m_runCharacter->frameIndex();
    m_paceTimer.start(pace->interval);
    scheduleRedraw();
}

QImage MenuBarController::shownFrame() const
{
    const QList<QImage>& frames = m_runCharacter->frames();
    if (!m_paceTimer.isActive() || frames.isEmpty())
        return m_runCharacter->currentFrame();
    return frames.at(m_pacedIndex % frames.size());
}

std::optional<double> MenuBarController::batteryValue(const std::optional<ClaudeQuota>& quota, bool bindingLimit)
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

void MenuBarController::updateMenuBarImage()
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
    if (!(options == m_iconOptions) || frames != m_contentFrames) {
        m_icons.clear();
        m_iconOptions = options;
        m_contentFrames = frames;
        m_contentRect = StatusImage::contentRect(frames.isEmpty() ? QList<QImage> { frame } : frames);
    }
    StatusIcon icon = m_icons.value(frame.cacheKey());
    if (icon.images.isEmpty()) {
        // Bounded by the frames of the packs in use; a full cache is simply started again.
        if (m_icons.size() >= MaxCachedIcons)
            m_icons.clear();
        for (int size : StatusImage::IconSizes) {
            const QImage image = StatusImage::compose(frame, m_contentRect, size, options);
            icon.images.append(image);
            icon.icon.addPixmap(QPixmap::fromImage(image));
            icon.pixmaps.append(DBusImage::fromImage(image));
        }
        icon.name = m_tray->iconName(icon.images);
        ++m_composedImageCount;
        m_icons.insert(frame.cacheKey(), icon);
    }
    m_statusImages = icon.images;
    ++m_shownImageCount;
    m_tray->setIcon(icon.icon, icon.pixmaps, icon.name);
}

void MenuBarController::wordMenu()
{
    m_openAction->setText(tr("대시보드 열기"));
    m_settingsAction->setText(tr("설정"));
    m_pauseAction->setText(tr("러너 일시정지"));
    m_quitAction->setText(tr("Pacemark 종료"));
}

QString MenuBarController::toolTipText() const
{
    const qint64 today = m_usageDataManager->todayTokens();
    QStringList lines {
        tr("오늘 %1 토큰 · %2", nullptr, today > INT_MAX ? INT_MAX : static_cast<int>(today))
            .arg(formatTokens(today), DashboardFormat::rateText(m_usageDataManager->tokensPerMinute())),
    };
    const auto& quota = m_claudeQuotaManager->quota();
    const auto state = m_claudeQuotaManager->status().statusCase();
    // The last quota stands while a refresh is under way or has failed, not once logged out.
    if (quota && state != ClaudeQuotaManager::Status::Case::notConfigured
        && state != ClaudeQuotaManager::Status::Case::denied) {
        const Instant now = Clock::now();
        if (const auto* binding = quota->bindingLimit())
            lines.append(quotaLine(*binding, now));
        for (const auto& limit : quota->limits) {
            if (!limit.binding)
                lines.append(quotaLine(limit, now));
        }
        if (const auto& credits = quota->extraUsage)
            lines.append(
                credits->isEnabled
                    ? tr("크레딧 %1").arg(DashboardFormat::percentText(ClaudeQuota::shownPercent(credits->utilization)))
                    : CreditsFormat::disabledText(*credits));
    }
    if (m_codexLimits && m_codexLimits->limits())
        lines.append(CodexQuotaCardModel::toolTipLines(*m_codexLimits->limits(), Clock::now()));
    return lines.join(QLatin1Char('\n'));
}

QString MenuBarController::accessibleText() const
{
    static const char* const speeds[]
        = { QT_TR_NOOP("쉬는 중"), QT_TR_NOOP("걷는 중"), QT_TR_NOOP("달리는 중"), QT_TR_NOOP("전력 질주 중") };
    const auto pack = m_runCharacter->registry()->selectedPack();
    const QString state
        = m_runCharacter->isPaused() ? tr("일시정지") : tr(speeds[static_cast<int>(m_runCharacter->animationState())]);
    const qint64 today = m_usageDataManager->todayTokens();
    return tr("Pacemark 러너 %1 %2 · 오늘 %3 토큰 · %4", nullptr, today > INT_MAX ? INT_MAX : static_cast<int>(today))
        .arg(pack ? pack->displayName() : QString(), state, formatTokens(today),
             DashboardFormat::rateText(m_usageDataManager->tokensPerMinute()));
}

void MenuBarController::setCodexLimits(CodexLimits* limits)
{
    m_codexLimits = limits;
    connect(limits, &CodexLimits::changed, this, &MenuBarController::updateToolTip);
    updateToolTip();
}

void MenuBarController::updateToolTip()
{
    m_tray->setToolTip(QStringLiteral("Pacemark"), toolTipText());
    m_tray->setAccessibleDescription(accessibleText());
}

void MenuBarController::showPopover(const QRect& iconGeometry, const QPoint& at)
{
    ensurePopover()->show(iconGeometry, at);
}

void MenuBarController::togglePopover()
{
    if (isPopoverShown()) {
        m_popover->close();
        return;
    }
    if (m_popover && m_popover->justDismissed())
        return;
    showPopover();
}
