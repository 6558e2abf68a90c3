#include "app/PopoverHost.h"

#include <malloc.h>

#include "app/CodexLimits.h"
#include "app/PopoverWindow.h"
#include "quota/ClaudeQuotaManager.h"
#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"
#include "views/CodexQuotaCardModel.h"
#include "views/QuotaCardModel.h"

namespace pacemark {

using namespace std::chrono_literals;

namespace {

constexpr auto ReleaseDelay = 5min;

}

PopoverHost::PopoverHost(UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                         ClaudeQuotaManager* claudeQuotaManager, QObject* parent)
    : QObject(parent)
    , m_usageDataManager(usageDataManager)
    , m_runCharacter(runCharacter)
    , m_claudeQuotaManager(claudeQuotaManager)
{
    m_release.setInterval(ReleaseDelay);
    m_release.setSingleShot(true);
    connect(&m_release, &QTimer::timeout, this, &PopoverHost::release);
}

PopoverHost::~PopoverHost()
{
    delete m_popover;
}

bool PopoverHost::isShown() const
{
    return m_popover && m_popover->isShown();
}

// A tray that appears after the start takes the runner, and the window it stood in for goes. A tray
// that goes away leaves the popover as it is: panels restart, and the item comes back with them.
void PopoverHost::setTrayAvailable(bool available)
{
    m_trayAvailable = available;
    if (available && m_popover && m_popover->mode() == PopoverWindow::Mode::NormalWindow)
        m_popover->setMode(PopoverWindow::Mode::Popover);
}

void PopoverHost::show(const QRect& iconGeometry, const QPoint& at)
{
    ensurePopover()->show(iconGeometry, at);
}

void PopoverHost::open()
{
    if (!isShown())
        show();
}

void PopoverHost::togglePopover(const QRect& iconGeometry, const QPoint& at)
{
    if (isShown())
        m_popover->close();
    else if (!m_popover || !m_popover->justDismissed())
        show(iconGeometry, at);
}

PopoverWindow* PopoverHost::ensurePopover()
{
    if (m_popover)
        return m_popover;
    auto* quotaCard = new QuotaCardModel(m_claudeQuotaManager, this);
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
        properties, m_trayAvailable ? PopoverWindow::Mode::Popover : PopoverWindow::Mode::NormalWindow, this);
    quotaCard->setParent(m_popover);
    if (codexCard)
        codexCard->setParent(m_popover);
    ++m_buildCount;
    connect(m_popover, &PopoverWindow::settingsRequested, this, &PopoverHost::settingsRequested);
    // Every opening asks for a fresh quota, once the popover is on screen.
    connect(m_popover, &PopoverWindow::onScreen, m_claudeQuotaManager, &ClaudeQuotaManager::refreshQuota);
    connect(m_popover, &PopoverWindow::onScreen, &m_release, &QTimer::stop);
    connect(m_popover, &PopoverWindow::hidden, &m_release, qOverload<>(&QTimer::start));
    // The scene's memory goes back to the system, not only to the allocator.
    connect(m_popover, &QObject::destroyed, this, [] { ::malloc_trim(0); });
    return m_popover;
}

void PopoverHost::release()
{
    if (!m_popover || m_popover->isShown())
        return;
    m_popover->deleteLater();
    m_popover = nullptr;
}

}
