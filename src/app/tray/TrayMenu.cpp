#include "app/tray/TrayMenu.h"

#include <QMenu>

#include "basics/AppSettings.h"
#include "basics/Translation.h"

namespace pacemark {

TrayMenu::TrayMenu(AppSettings* defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_menu(new QMenu)
{
    m_openAction = m_menu->addAction(QString());
    connect(m_openAction, &QAction::triggered, this, &TrayMenu::dashboardRequested);
    m_settingsAction = m_menu->addAction(QString());
    connect(m_settingsAction, &QAction::triggered, this, &TrayMenu::settingsRequested);
    m_pauseAction = m_menu->addAction(QString());
    m_pauseAction->setCheckable(true);
    m_pauseAction->setChecked(m_defaults->runnerPaused());
    connect(m_pauseAction, &QAction::toggled, m_defaults, &AppSettings::setRunnerPaused);
    connect(m_defaults, &AppSettings::runnerPausedChanged, m_pauseAction,
            [this] { m_pauseAction->setChecked(m_defaults->runnerPaused()); });
    m_menu->addSeparator();
    m_quitAction = m_menu->addAction(QString());
    connect(m_quitAction, &QAction::triggered, this, &TrayMenu::quitRequested);
    word();
    connect(&Translation::shared(), &Translation::changed, this, &TrayMenu::word);
}

void TrayMenu::word()
{
    m_openAction->setText(tr("대시보드 열기"));
    m_settingsAction->setText(tr("설정"));
    m_pauseAction->setText(tr("러너 일시정지"));
    m_quitAction->setText(tr("Pacemark 종료"));
}

// A menu is a top-level widget: it has no parent to end with.
TrayMenu::~TrayMenu()
{
    delete m_menu;
}

}
