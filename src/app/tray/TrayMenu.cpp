#include "app/tray/TrayMenu.h"

#include <QMenu>

#include "basics/UserDefaults.h"

TrayMenu::TrayMenu(UserDefaults* defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_menu(new QMenu)
{
    connect(m_menu->addAction(QStringLiteral("대시보드 열기")), &QAction::triggered, this,
            &TrayMenu::dashboardRequested);
    connect(m_menu->addAction(QStringLiteral("설정")), &QAction::triggered, this, &TrayMenu::settingsRequested);
    m_pauseAction = m_menu->addAction(QStringLiteral("러너 일시정지"));
    m_pauseAction->setCheckable(true);
    m_pauseAction->setChecked(m_defaults->runnerPaused());
    connect(m_pauseAction, &QAction::toggled, m_defaults, &UserDefaults::setRunnerPaused);
    connect(m_defaults, &UserDefaults::runnerPausedChanged, m_pauseAction,
            [this] { m_pauseAction->setChecked(m_defaults->runnerPaused()); });
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("Pacemark 종료")), &QAction::triggered, this, &TrayMenu::quitRequested);
}

// A menu is a top-level widget: it has no parent to end with.
TrayMenu::~TrayMenu()
{
    delete m_menu;
}
