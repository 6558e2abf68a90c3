#include "app/AppDelegate.h"

#include "app/AppUpdater.h"
#include "app/CodexLimits.h"
#include "app/MenuBarController.h"
#include "app/PopoverHost.h"
#include "app/SettingsWindowController.h"
#include "app/tray/TrayToolTip.h"
#include "basics/AppSettings.h"
#include "basics/ClaudePaths.h"
#include "basics/Translation.h"
#include "ingest/LogWatcher.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/QuotaAlertNotifier.h"
#include "runner/RunCharacter.h"
#include "runner/RunnerPace.h"
#include "usage/DailyUsageStore.h"
#include "usage/PriceListUpdater.h"
#include "usage/PriceTable.h"
#include "usage/UsageDataManager.h"

namespace pacemark {

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
    , m_defaults(new AppSettings(this))
    , m_providerManager(new ProviderManager(ClaudePaths::projectsPaths(), this))
    , m_usageDataManager(new UsageDataManager(m_providerManager, this))
    , m_runCharacter(new RunCharacter(m_defaults, this))
    , m_runnerPace(new RunnerPace(RunnerPace::usageFigures(m_usageDataManager), m_runCharacter, this))
    , m_claudeOAuthProvider(new ClaudeOAuthProvider(this))
{
    m_providerManager->registerOtherAgents();
    m_providerManager->useSettings(m_defaults);
    // Before any window or menu is worded, and again at every change of the setting.
    const auto showLanguage = [this] { Translation::shared().show(Translation::resolve(m_defaults->language())); };
    showLanguage();
    connect(m_defaults, &AppSettings::languageChanged, this, showLanguage);
}

// The tray and its popover go first: the views must never see the objects they show disappear.
AppDelegate::~AppDelegate()
{
    delete m_settingsWindowController;
    delete m_menuBarController;
    delete m_popoverHost;
}

ClaudeQuotaManager* AppDelegate::claudeQuotaManager()
{
    if (!m_claudeQuotaManager) {
        m_claudeQuotaManager = new ClaudeQuotaManager(m_claudeOAuthProvider, this);
        m_claudeQuotaManager->setPollInterval(300.0);
        m_claudeQuotaManager->setSampleFile(ClaudeQuotaManager::defaultSampleFile(), true);
    }
    return m_claudeQuotaManager;
}

void AppDelegate::applicationDidFinishLaunching()
{
    m_modelContainer = DailyUsageStore::setUp(DailyUsageStore::defaultPath());
    if (m_modelContainer)
        m_usageDataManager->setHistoryStore(m_modelContainer);
    m_usageDataManager->startWatching();
    auto* prices
        = new PriceListUpdater(m_defaults, PriceListUpdater::configuredUrl(), PriceTable::downloadedListPath(), this);
    connect(prices, &PriceListUpdater::pricesChanged, m_usageDataManager, &UsageDataManager::reprice);
    prices->start();
    m_runCharacter->start();
    m_runnerPace->start();
    // Before the first poll, so that its answer is weighed too.
    m_quotaAlertNotifier
        = new QuotaAlertNotifier(claudeQuotaManager(), m_defaults, QDBusConnection::sessionBus(), this);
    claudeQuotaManager()->startPolling();
    AppUpdater::shared();
    m_popoverHost = new PopoverHost(m_usageDataManager, m_runCharacter, claudeQuotaManager(), this);
    m_menuBarController = new MenuBarController(m_usageDataManager, m_runCharacter, claudeQuotaManager(), m_defaults,
                                                m_popoverHost, this);
    // The tooltip's rate and countdowns age with the pace's reading of the figures.
    connect(m_runnerPace, &RunnerPace::ticked, m_menuBarController->toolTip(), &TrayToolTip::update);
    connect(m_popoverHost, &PopoverHost::settingsRequested, this, &AppDelegate::showSettingsWindow);
    connect(m_menuBarController, &MenuBarController::settingsRequested, this, &AppDelegate::showSettingsWindow);
    auto* codexLimits = new CodexLimits(m_providerManager, m_usageDataManager, this);
    codexLimits->setAlertNotifier(m_quotaAlertNotifier);
    m_popoverHost->setCodexLimits(codexLimits);
    m_menuBarController->toolTip()->setCodexLimits(codexLimits);
    connect(m_quotaAlertNotifier, &QuotaAlertNotifier::activated, m_popoverHost, &PopoverHost::open);
}

void AppDelegate::showSettingsWindow()
{
    if (!m_settingsWindowController)
        m_settingsWindowController
            = new SettingsWindowController(claudeQuotaManager(), m_defaults, m_providerManager, this);
    m_settingsWindowController->showWindow();
}

void AppDelegate::applicationWillTerminate()
{
    m_usageDataManager->fileWatcher()->stop();
    m_runnerPace->stop();
    m_runCharacter->stop();
    claudeQuotaManager()->stopPolling();
}

}
