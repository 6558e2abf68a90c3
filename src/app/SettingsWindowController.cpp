#include "app/SettingsWindowController.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>
#include <QScreen>

#include "app/AppUpdater.h"
#include "app/XdgAutostart.h"
#include "basics/AppSettings.h"
#include "basics/Translation.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "views/QuotaSettingsModel.h"
#include "views/SettingsModel.h"

namespace pacemark {

SettingsWindowController::SettingsWindowController(ClaudeQuotaManager* claudeQuotaManager, AppSettings* defaults,
                                                   ProviderManager* providerManager, QObject* parent)
    : QObject(parent)
    , m_loginItem(
          new XdgAutostart(XdgAutostart::defaultAutostartFolder(), QCoreApplication::applicationFilePath(), this))
    , m_model(new SettingsModel(this))
    , m_window(new QQuickView)
{
    m_window->setTitle(tr("설정"));
    m_window->setFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                       | Qt::WindowStaysOnTopHint);
    m_window->setResizeMode(QQuickView::SizeRootObjectToView);
    m_window->setInitialProperties({
        { QStringLiteral("quota"), QVariant::fromValue(new QuotaSettingsModel(claudeQuotaManager, this)) },
        { QStringLiteral("defaults"), QVariant::fromValue(defaults) },
        { QStringLiteral("loginItem"), QVariant::fromValue(m_loginItem) },
        { QStringLiteral("appUpdater"), QVariant::fromValue<UpdateChecker*>(AppUpdater::shared()) },
        { QStringLiteral("settingsWindow"), QVariant::fromValue(m_model) },
        { QStringLiteral("usageSources"), QVariant::fromValue<QObject*>(providerManager) },
    });
    m_window->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Pacemark/Views/SettingsView.qml")));
    m_window->resize(Width, Height);
    m_window->setMinimumSize(QSize(Width, Height));
    m_window->setMaximumSize(QSize(Width, Height));
    // The form's quit button ends the application through its stop sequence.
    connect(m_window->engine(), &QQmlEngine::quit, QCoreApplication::instance(), &QCoreApplication::quit,
            Qt::QueuedConnection);
    connect(&Translation::shared(), &Translation::changed, this, [this] {
        m_window->setTitle(tr("설정"));
        m_window->engine()->retranslate();
    });
}

SettingsWindowController::~SettingsWindowController()
{
    delete m_window;
}

void SettingsWindowController::showWindow()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        m_window->setPosition(area.center() - QPoint(Width / 2, Height / 2));
    }
    Q_EMIT m_model->shown();
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

}
