#include "app/MenuBarController.h"

#include <QMenu>
#include <QTimer>

#include "app/PopoverHost.h"
#include "app/tray/SystemTray.h"
#include "app/tray/TrayIcon.h"
#include "app/tray/TrayMenu.h"
#include "app/tray/TrayToolTip.h"

namespace pacemark {

using namespace std::chrono_literals;

namespace {

constexpr auto NoTrayGrace = 1s;

}

MenuBarController::MenuBarController(UsageDataManager* usageDataManager, RunCharacter* runCharacter,
                                     ClaudeQuotaManager* claudeQuotaManager, AppSettings* defaults,
                                     PopoverHost* popoverHost, QObject* parent)
    : QObject(parent)
    , m_popoverHost(popoverHost)
    , m_menu(new TrayMenu(defaults, this))
    , m_tray(new SystemTray(m_menu->menu()))
    , m_icon(new TrayIcon(m_tray, runCharacter, claudeQuotaManager, defaults, this))
    , m_toolTip(new TrayToolTip(m_tray, usageDataManager, runCharacter, claudeQuotaManager, this))
{
    connect(m_menu, &TrayMenu::dashboardRequested, m_popoverHost, &PopoverHost::open);
    connect(m_menu, &TrayMenu::settingsRequested, this, &MenuBarController::settingsRequested);
    connect(m_menu, &TrayMenu::quitRequested, this, &MenuBarController::quitRequested);
    connect(m_tray, &SystemTray::activated, m_popoverHost,
            [this](const QRect& iconGeometry, const QPoint& at) { m_popoverHost->togglePopover(iconGeometry, at); });
    connect(m_tray, &SystemTray::contextMenuRequested, m_menu, [this](const QPoint& at) { menu()->popup(at); });
    connect(m_tray, &SystemTray::kindChanged, m_popoverHost,
            [this] { m_popoverHost->setTrayAvailable(m_tray->isAvailable()); });
    m_popoverHost->setTrayAvailable(m_tray->isAvailable());
    // A StatusNotifierItem host answers over the bus within moments; only a tray still missing then
    // gets the window instead.
    if (!m_tray->isAvailable()) {
        QTimer::singleShot(NoTrayGrace, this, [this] {
            if (m_tray->isAvailable())
                return;
            qInfo("pacemark: no system tray is available yet; the dashboard opens in a window until one appears");
            m_popoverHost->show();
        });
    }
}

// The tray goes before the menu it offers to hosts.
MenuBarController::~MenuBarController()
{
    delete m_tray;
}

QMenu* MenuBarController::menu() const
{
    return m_menu->menu();
}

}
