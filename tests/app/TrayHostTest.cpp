#include <gtest/gtest.h>

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QQuickView>
#include <QQuickWindow>
#include <QScreen>
#include <QSet>
#include <QTest>

#include "EventLoop.h"
#include "LocalHttpServer.h"
#include "TempDir.h"
#include "app/MenuBarController.h"
#include "app/PopoverHost.h"
#include "app/PopoverPlacement.h"
#include "app/PopoverWindow.h"
#include "app/StatusImage.h"
#include "app/tray/DBusTrayTypes.h"
#include "app/tray/StatusNotifierItem.h"
#include "app/tray/SystemTray.h"
#include "app/tray/TrayIconFolder.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "basics/Translation.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "quota/ClaudeWebProvider.h"
#include "quota/FileCredentialStore.h"
#include "runner/RunCharacter.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

const QString WatcherService = u"org.kde.StatusNotifierWatcher"_s;
const QString ItemInterface = u"org.kde.StatusNotifierItem"_s;

// The watcher half of a tray host, as much of it as an item uses, on a bus connection of its own.
// Items that register by path are listed by their connection, as the common watchers list them.
class Watcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool hostRegistered() const { return true; }
    QStringList items() const { return m_items; }
    QStringList m_items;
    // What the item announced through PropertiesChanged, as GNOME's extension applies it.
    QStringList m_iconNames;
    QElapsedTimer m_sinceLastName;
    qint64 m_shortestNameGapMs = std::numeric_limits<qint64>::max();

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service)
    {
        m_items.append(service.startsWith(u'/') ? message().service() + service : service);
    }
    void itemPropertiesChanged(const QString&, const QVariantMap& changed, const QStringList&)
    {
        if (!changed.contains(u"IconName"_s))
            return;
        if (m_sinceLastName.isValid())
            m_shortestNameGapMs = std::min(m_shortestNameGapMs, m_sinceLastName.restart());
        else
            m_sinceLastName.start();
        m_iconNames.append(changed.value(u"IconName"_s).toString());
    }
};

// The host half: reads and calls the item the way panels do, without blocking the item's thread.
class TrayHostTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void SetUp() override
    {
        if (qEnvironmentVariableIsSet("PACEMARK_DESKTOP_UNAVAILABLE"))
            GTEST_SKIP() << qgetenv("PACEMARK_DESKTOP_UNAVAILABLE").constData();
        m_home.write(".credentials.json", R"({"claudeAiOauth": {"accessToken": "sk-ant-oat01-t"}})");
        respond(37.0);
        m_defaults.setRunnerPaused(true);
        m_runner.start();
    }

    void respond(double fiveHour)
    {
        m_server.respond(200,
                         QByteArray(R"({"five_hour": {"utilization": )") + QByteArray::number(fiveHour)
                             + R"(, "resets_at": "2099-01-01T00:00:00Z"}})");
    }

    void startWatcher()
    {
        ASSERT_TRUE(m_bus.isConnected());
        ASSERT_TRUE(m_bus.registerObject(u"/StatusNotifierWatcher"_s, &m_watcher, QDBusConnection::ExportAllContents));
        ASSERT_TRUE(m_bus.registerService(WatcherService));
    }

    QDBusMessage call(const QString& path, const QString& interface, const QString& method, const QVariantList& args)
    {
        QDBusMessage message
            = QDBusMessage::createMethodCall(m_watcher.m_items.value(0).section(u'/', 0, 0), path, interface, method);
        message.setArguments(args);
        QDBusPendingCallWatcher pending(m_bus.asyncCall(message));
        EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); }));
        return pending.reply();
    }

    template <typename T>
    T property(const QString& name)
    {
        const QDBusMessage reply
            = call(u"/StatusNotifierItem"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s, { ItemInterface, name });
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return qdbus_cast<T>(reply.arguments().value(0).value<QDBusVariant>().variant());
    }

    TempDir m_home;
    LocalHttpServer m_server;
    AppSettings m_defaults { QString::fromStdString(m_home.path("settings.ini")) };
    ProviderManager m_providers { m_home.path("projects") };
    UsageDataManager m_usage { &m_providers };
    RunCharacter m_runner { &m_defaults };
    ClaudeOAuthProvider m_oauth { { std::make_shared<FileCredentialStore>(
                                      QString::fromStdString(m_home.path(".credentials.json"))) },
                                  m_server.url() };
    ClaudeQuotaManager m_quota { &m_oauth };
    PopoverHost m_popovers { &m_usage, &m_runner, &m_quota };
    QDBusConnection m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"host"_s);
    Watcher m_watcher;
};

QRect opaqueBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

}

// A panel that starts after the application: the dashboard is a window until the watcher appears,
// then the item registers, the window goes and the host reads a full-size icon and the tooltip.
TEST_F(TrayHostTest, ItemMovesIntoATrayThatAppearsLater)
{
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_defaults, &m_popovers);
    ASSERT_FALSE(controller.tray()->isAvailable());
    ASSERT_TRUE(waitUntil([&] { return m_popovers.isShown(); }));
    EXPECT_EQ(m_popovers.popover()->mode(), PopoverWindow::Mode::NormalWindow);

    startWatcher();
    ASSERT_TRUE(waitUntil([&] { return controller.tray()->kind() == SystemTray::Kind::StatusNotifier; }, 5s));
    EXPECT_EQ(m_watcher.m_items,
              QStringList { controller.tray()->statusNotifierItem()->serviceName() + u"/StatusNotifierItem"_s });
    EXPECT_FALSE(m_popovers.isShown());
    EXPECT_EQ(m_popovers.popover()->mode(), PopoverWindow::Mode::Popover);

    // The runner's extent over the frames of a sprint, at every size the host is offered, above the
    // battery when it is on: read until every frame of the pack has been seen once, however fast the
    // machine draws them.
    m_runner.setDebugSpeedOverride(AnimationSpeed::Sprinting);
    m_defaults.setRunnerPaused(false);
    const auto expectExtent = [this](double share) {
        QList<QRect> boxes(StatusImage::IconSizes.size());
        QSet<QByteArray> seen;
        const bool battery = m_defaults.showMenuBarQuotaBattery();
        EXPECT_TRUE(waitUntil(
            [&] {
                const auto pixmaps = property<DBusImageList>(u"IconPixmap"_s);
                if (pixmaps.size() != boxes.size())
                    return false;
                seen.insert(pixmaps.last().pixels);
                for (qsizetype i = 0; i < boxes.size(); ++i) {
                    const QImage image = pixmaps[i].toImage();
                    EXPECT_EQ(image.size(), QSize(StatusImage::IconSizes[i], StatusImage::IconSizes[i]));
                    boxes[i] |= opaqueBox(image.copy(
                        0, 0, image.width(), battery ? StatusImage::batteryBar(image.width()).top() : image.height()));
                }
                return seen.size() >= m_runner.frames().size();
            },
            30s));
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const int extent = battery ? boxes[i].height() : std::max(boxes[i].width(), boxes[i].height());
            EXPECT_GE(extent / double(StatusImage::IconSizes[i]), share) << StatusImage::IconSizes[i];
        }
    };
    expectExtent(0.75);
    // With the battery on and a quota in: the runner keeps 60 % of the height above the bar.
    m_defaults.setShowMenuBarQuotaBattery(true);
    m_quota.refreshQuota();
    ASSERT_TRUE(waitUntil([&] { return m_quota.quota().has_value(); }));
    expectExtent(0.6);

    // New figures from the background poll reach the battery of a paused runner too.
    m_defaults.setRunnerPaused(true);
    respond(95.0);
    ManualClock clock(Clock::now() + 2min);
    Clock::install(&clock);
    m_quota.refreshQuota();
    const QRect bar = StatusImage::batteryBar(64);
    EXPECT_TRUE(waitUntil([&] {
        const QColor fill
            = property<DBusImageList>(u"IconPixmap"_s).last().toImage().pixelColor(bar.left() + 3, bar.center().y());
        return fill.red() > 200 && fill.green() < 120;
    }));
    Clock::install(nullptr);

    const QString toolTip = property<DBusToolTip>(u"ToolTip"_s).description;
    EXPECT_TRUE(toolTip.startsWith(u"오늘 0 토큰 · 0/min"_s) && toolTip.contains(u"5시간 95%"_s))
        << toolTip.toStdString();

    // A panel that restarts takes the item again, and no window opens meanwhile.
    m_bus.unregisterService(WatcherService);
    ASSERT_TRUE(waitUntil([&] { return !controller.tray()->isAvailable(); }));
    m_bus.registerService(WatcherService);
    EXPECT_TRUE(waitUntil([&] { return controller.tray()->isAvailable() && m_watcher.m_items.size() == 2; }));
    EXPECT_FALSE(m_popovers.isShown());
}

// Hosts that give no icon geometry pass the click position: the popover opens there (under the
// panel the click was on), and closes on Esc and on a click outside it. It is built only when first
// needed and let go of once it has been closed for a while. Hosts that draw no menu ask for it at a
// point; the others read it over dbusmenu and click there.
TEST_F(TrayHostTest, PopoverAtTheClickAndMenuAtAPointOrOverTheBus)
{
    startWatcher();
    MenuBarController controller(&m_usage, &m_runner, &m_quota, &m_defaults, &m_popovers);
    ASSERT_TRUE(waitUntil([&] { return controller.tray()->isAvailable(); }));
    EXPECT_EQ(m_popovers.popover(), nullptr);
    const auto activate = [&](QPoint at) {
        call(u"/StatusNotifierItem"_s, ItemInterface, u"Activate"_s, { at.x(), at.y() });
        EXPECT_TRUE(waitUntil([&] { return m_popovers.popover() && m_popovers.popover()->view()->isExposed(); }));
        return m_popovers.popover() ? m_popovers.popover()->view() : nullptr;
    };

    const QPoint click(1200, 11);
    QQuickView* view = activate(click);
    ASSERT_NE(view, nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint expected = PopoverPlacement::topLeft(QRect(), click, screen, view->size());
    EXPECT_TRUE(waitUntil([&] { return view->position() == expected; }))
        << view->position().x() << "," << view->position().y();

    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !view->isVisible(); }));

    // A click outside it (the pointer is grabbed, so it arrives here) closes it too.
    ASSERT_EQ(activate(click), view);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(-20, 10));
    EXPECT_TRUE(waitUntil([&] { return !view->isVisible(); }));

    // The click that closed it must not reopen it; one that comes later does.
    EXPECT_TRUE(waitUntil([&] { return !m_popovers.popover()->justDismissed(); }));
    m_popovers.setReleaseDelay(50ms);
    ASSERT_NE(activate(click), nullptr);
    QTest::keyClick(m_popovers.popover()->view(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return m_popovers.popover() == nullptr; }));
    EXPECT_NE(activate(click), nullptr);
    EXPECT_EQ(m_popovers.buildCount(), 2);
    QTest::keyClick(m_popovers.popover()->view(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !m_popovers.popover()->view()->isVisible(); }));

    call(u"/StatusNotifierItem"_s, ItemInterface, u"ContextMenu"_s, { 1000, 12 });
    ASSERT_TRUE(waitUntil([&] { return controller.menu()->isVisible(); }));
    EXPECT_LE((controller.menu()->geometry().topLeft() - QPoint(1000, 12)).manhattanLength(), 2);
    controller.menu()->hide();

    EXPECT_EQ(property<QDBusObjectPath>(u"Menu"_s).path(), u"/MenuBar"_s);
    const QDBusMessage reply
        = call(u"/MenuBar"_s, u"com.canonical.dbusmenu"_s, u"GetLayout"_s, { 0, -1, QStringList() });
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const auto layout = qdbus_cast<DBusMenuLayoutItem>(reply.arguments().value(1));
    QStringList labels;
    int pauseId = 0;
    for (const DBusMenuLayoutItem& item : layout.children) {
        labels.append(item.properties.value(u"label"_s).toString());
        if (item.properties.contains(u"toggle-type"_s))
            pauseId = item.id;
    }
    EXPECT_EQ(labels.join(u'|'), u"대시보드 열기|설정|러너 일시정지||Pacemark 종료"_s);

    // A host reads the entries and the tooltip again in the language chosen since.
    Translation::shared().show(Translation::Language::english);
    const QDBusMessage english
        = call(u"/MenuBar"_s, u"com.canonical.dbusmenu"_s, u"GetLayout"_s, { 0, -1, QStringList() });
    const QString englishToolTip = property<DBusToolTip>(u"ToolTip"_s).description;
    Translation::shared().show(Translation::Language::korean);
    QStringList englishLabels;
    for (const DBusMenuLayoutItem& item : qdbus_cast<DBusMenuLayoutItem>(english.arguments().value(1)).children)
        englishLabels.append(item.properties.value(u"label"_s).toString());
    EXPECT_EQ(englishLabels.join(u'|'), u"Open Dashboard|Settings…|Pause Runner||Quit Pacemark"_s);
    EXPECT_TRUE(englishToolTip.startsWith(u"Today: 0 tokens"_s)) << englishToolTip.toStdString();

    ASSERT_TRUE(m_defaults.runnerPaused());
    call(u"/MenuBar"_s, u"com.canonical.dbusmenu"_s, u"Event"_s,
         { pauseId, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u });
    EXPECT_TRUE(waitUntil([&] { return !m_defaults.runnerPaused(); }));
}

// A host that fetches as GNOME's extension does: it listens to the item before the item exists,
// reads every property the moment the item registers, takes each frame by name from the item's
// folder as PropertiesChanged announces it, and drops the item once. The item comes back, every
// property reads, and the frames come a few a second from a bounded set of files that goes with it.
TEST_F(TrayHostTest, ItemOutlivesAHostThatDropsItAndEveryPropertyReads)
{
    qputenv("PACEMARK_TRAY_HOST", "gnome-shell");
    const TempDir runtime;
    const QByteArray sessionRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path()));
    ASSERT_TRUE(m_bus.connect(QString(), u"/StatusNotifierItem"_s, u"org.freedesktop.DBus.Properties"_s,
                              u"PropertiesChanged"_s, &m_watcher,
                              SLOT(itemPropertiesChanged(QString, QVariantMap, QStringList))));
    startWatcher();
    auto controller = std::make_unique<MenuBarController>(&m_usage, &m_runner, &m_quota, &m_defaults, &m_popovers);
    StatusNotifierItem* item = controller->tray()->statusNotifierItem();
    ASSERT_TRUE(waitUntil([&] { return !m_watcher.m_items.isEmpty(); }));
    // Read at once, before anything else could be set.
    const QDBusMessage all
        = call(u"/StatusNotifierItem"_s, u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s, { ItemInterface });
    const QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().value(0));
    for (const char* name : { "Id", "Category", "Status", "Title", "WindowId", "IconThemePath", "IconName",
                              "IconPixmap", "IconAccessibleDesc", "AttentionAccessibleDesc", "OverlayIconName",
                              "AttentionIconName", "AttentionMovieName", "ToolTip", "ItemIsMenu", "Menu" })
        EXPECT_TRUE(properties.contains(QString::fromLatin1(name))) << name;
    EXPECT_EQ(properties.value(u"Menu"_s).value<QDBusObjectPath>().path(), u"/MenuBar"_s);
    EXPECT_TRUE(
        properties.value(u"IconAccessibleDesc"_s).toString().startsWith(u"Pacemark 러너 토키 일시정지 · 오늘 0 토큰"_s))
        << properties.value(u"IconAccessibleDesc"_s).toString().toStdString();
    EXPECT_TRUE(property<DBusImageList>(u"IconPixmap"_s).isEmpty()) << "GNOME takes names: no pixmaps";

    // Dropped once (as the extension drops an item it failed to read): the item registers again.
    const QString listed = m_watcher.m_items.takeFirst();
    m_bus.send(
        QDBusMessage::createSignal(u"/StatusNotifierWatcher"_s, WatcherService, u"StatusNotifierItemUnregistered"_s)
        << listed);
    ASSERT_TRUE(waitUntil([&] { return m_watcher.m_items == QStringList { listed }; }, 5s));
    EXPECT_EQ(item->registrationCount(), 2);

    // Sprinting: frames by name, each a file at 16 and 32 px, a few a second however fast the runner steps.
    m_runner.setDebugSpeedOverride(AnimationSpeed::Sprinting);
    m_defaults.setRunnerPaused(false);
    ASSERT_TRUE(waitUntil(
        [&] {
            return QSet<QString>(m_watcher.m_iconNames.begin(), m_watcher.m_iconNames.end()).size()
                >= m_runner.frames().size() / 3;
        },
        15s));
    EXPECT_GE(m_watcher.m_shortestNameGapMs, 200);
    const QDir folder(property<QString>(u"IconThemePath"_s));
    for (const QString& name : m_watcher.m_iconNames) {
        for (int size : { 16, 32 })
            EXPECT_EQ(QImage(folder.filePath(u"hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(name))).size(),
                      QSize(size, size))
                << name.toStdString();
    }
    EXPECT_LE(folder.entryList({ u"*.png"_s }).size(), m_runner.frames().size());
    // A host that fetches a frame as the item goes still finds it; the next start empties the folder.
    const QString frame = folder.filePath(m_watcher.m_iconNames.last() + u".png"_s);
    controller.reset();
    EXPECT_TRUE(QFileInfo::exists(frame));
    EXPECT_EQ(TrayIconFolder().path(), folder.path());
    EXPECT_FALSE(QFileInfo::exists(frame));
    qputenv("XDG_RUNTIME_DIR", sessionRuntime);
    qunsetenv("PACEMARK_TRAY_HOST");
}

#include "TrayHostTest.moc"
