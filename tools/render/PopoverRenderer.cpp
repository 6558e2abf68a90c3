// Draws the popover's pages with a realistic week of sample logs, a year of days in the history store
// and a quota snapshot, and the settings window, in the light and the dark palette, at twice the point
// size, for the screenshots in the documentation. Prints how long the history page takes to open.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPalette>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include "app/AppUpdater.h"
#include "app/XdgAutostart.h"
#include "basics/AppSettings.h"
#include "basics/ManualClock.h"
#include "basics/Translation.h"
#include "ingest/CodexProvider.h"
#include "ingest/ProviderManager.h"
#include "runner/RunCharacter.h"
#include "usage/DailyUsageStore.h"
#include "usage/UsageDataManager.h"
#include "views/CodexQuotaCardModel.h"
#include "views/PopoverActions.h"
#include "views/QuotaCardModel.h"
#include "views/QuotaSettingsModel.h"
#include "views/SettingsModel.h"

using namespace pacemark;

Q_IMPORT_QML_PLUGIN(Pacemark_ViewsPlugin)

using namespace std::chrono_literals;

namespace {

const Instant Now { std::chrono::sys_days { std::chrono::year { 2026 } / 3 / 7 } + 15h + 42min };

std::string line(int id, const char* model, Instant at, int session, long long in, long long out, long long write,
                 long long read)
{
    // Six projects, so the project card shows its top five and the rest.
    static const char* const folders[]
        = { "/code/pacemark", "/code/pacemark", "/work/billing/services/invoice-renderer-api",
            "/code/dotfiles", "/work/site",     "/code/notes",
            "/tmp/scratch" };
    const std::string cwd = QDir::homePath().toStdString() + folders[session % 7];
    return R"({"type":"assistant","cwd":")" + cwd + R"(","timestamp":")"
        + InstantFormat::toIsoUtcMillis(at).toStdString() + R"(","sessionId":"session-)" + std::to_string(session)
        + R"(","message":{"id":"msg_)" + std::to_string(id) + R"(","model":")" + model
        + R"(","role":"assistant","usage":{"input_tokens":)" + std::to_string(in) + R"(,"output_tokens":)"
        + std::to_string(out) + R"(,"cache_creation_input_tokens":)" + std::to_string(write)
        + R"(,"cache_read_input_tokens":)" + std::to_string(read) + "}}}\n";
}

// A week of work: busy days with Opus and Sonnet, some Haiku, and a burst in the last three minutes.
void writeSampleLogs(const QString& projects)
{
    QDir().mkpath(projects + QStringLiteral("/app"));
    std::ofstream out((projects + QStringLiteral("/app/session.jsonl")).toStdString());
    const int weight[] = { 6, 0, 9, 4, 11, 7, 3, 8 };
    int id = 0;
    for (int day = 7; day >= 0; --day) {
        for (int i = 0; i < weight[7 - day] * 12; ++i) {
            const Instant at = Now - day * 24h - 6h + i * 2min;
            const char* model = i % 5 == 0 ? "claude-sonnet-4-5" : i % 7 == 0 ? "claude-haiku-4-5" : "claude-opus-4-1";
            out << line(++id, model, at, day * 10 + i / 20, 40 + i % 90, 600 + (i * 37) % 1800, (i * 53) % 4000,
                        12000 + (i * 211) % 30000);
        }
    }
    for (int i = 0; i < 6; ++i)
        out << line(++id, "claude-opus-4-1", Now - 150s + i * 25s, 99, 120, 560, 900, 38000);
}

// Codex CLI and Gemini CLI beside Claude Code today: a few turns each, and Codex's limits.
void writeAgentLogs(const QString& home)
{
    const QString day = InstantFormat::toIsoUtc(Now).left(10);
    const QString folder = home + QStringLiteral("/codex/sessions/") + day.left(4) + QLatin1Char('/') + day.mid(5, 2)
        + QLatin1Char('/') + day.mid(8, 2);
    QDir().mkpath(folder);
    std::ofstream codex(
        (folder + QStringLiteral("/rollout-") + day + QStringLiteral("T09-00-00-c0de.jsonl")).toStdString());
    codex << R"({"timestamp":")" << InstantFormat::toIsoUtcMillis(Now - 5h).toStdString()
          << R"(","type":"session_meta","payload":{"id":"c0de","cwd":")" << QDir::homePath().toStdString()
          << R"(/code/pacemark"}})"
             "\n";
    codex << R"({"timestamp":")" << InstantFormat::toIsoUtcMillis(Now - 5h).toStdString()
          << R"(","type":"turn_context","payload":{"model":"gpt-5.1-codex-max"}})"
             "\n";
    for (int i = 0; i < 40; ++i) {
        const long long in = 30000 + i * 1500, cached = in * 8 / 10, out = 900 + (i * 97) % 2500;
        codex << R"({"timestamp":")" << InstantFormat::toIsoUtcMillis(Now - 4h + i * 6min).toStdString()
              << R"(","type":"event_msg","payload":{"type":"token_count","info":{"last_token_usage":{"input_tokens":)"
              << in << R"(,"cached_input_tokens":)" << cached << R"(,"output_tokens":)" << out
              << R"(}},"rate_limits":{"primary":{"used_percent":)" << 20 + i << R"(,"window_minutes":300,"resets_at":)"
              << std::chrono::duration_cast<std::chrono::seconds>((Now + 95min).time_since_epoch()).count()
              << R"(},"secondary":{"used_percent":47,"window_minutes":10080,"resets_at":)"
              << std::chrono::duration_cast<std::chrono::seconds>((Now + 3 * 24h).time_since_epoch()).count()
              << R"(},"plan_type":"plus"}}})"
                 "\n";
    }
    const QString chats = home + QStringLiteral("/gemini/.gemini/tmp/notes/chats");
    QDir().mkpath(chats);
    std::ofstream gemini(
        (chats + QStringLiteral("/session-") + day + QStringLiteral("T10-00-9e1.jsonl")).toStdString());
    gemini << R"({"sessionId":"9e1","projectHash":"h","startTime":")"
           << InstantFormat::toIsoUtcMillis(Now - 3h).toStdString()
           << R"("})"
              "\n";
    for (int i = 0; i < 25; ++i)
        gemini << R"({"id":"m)" << i << R"(","timestamp":")"
               << InstantFormat::toIsoUtcMillis(Now - 3h + i * 5min).toStdString()
               << R"(","type":"gemini","content":"","model":")" << (i % 3 ? "gemini-2.5-pro" : "gemini-2.5-flash")
               << R"(","tokens":{"input":)" << 20000 + i * 800 << R"(,"output":)" << 700 + i * 30
               << R"(,"cached":12000,"thoughts":400,"tool":0,"total":)" << 20000 + i * 800 + 700 + i * 30 + 400
               << "}}\n";
}

// A year of ended days in the history store, as a user who has kept Pacemark running would have:
// quiet weekends, busy stretches, a holiday.
std::shared_ptr<DailyUsageStore> sampleHistory(const QString& path)
{
    std::shared_ptr<DailyUsageStore> store = DailyUsageStore::open(path).store;
    if (!store)
        return store;
    std::vector<LedgerDay> days;
    const QDate today = QDateTime::fromMSecsSinceEpoch(Now.time_since_epoch().count(), Qt::UTC).date();
    for (QDate date = today.addDays(-370); date < today.addDays(-7); date = date.addDays(1)) {
        const qint64 n = date.toJulianDay();
        if (date.dayOfWeek() == 7 || (date.month() == 8 && date.day() < 15) || n % 11 == 0)
            continue;
        const qint64 base = 2'000'000 + (n * 7919) % 9'000'000 + (date.month() % 4) * 3'000'000;
        const qint64 in = base / 50, out = base / 20, write = base / 8, read = base - in - out - write;
        days.push_back({ date.toString(Qt::ISODate),
                         in,
                         out,
                         write,
                         read,
                         3,
                         { { QStringLiteral("claude-sonnet-4-5"), in, out, write, read, std::nullopt } } });
    }
    store->record(days);
    return store;
}

ClaudeQuota::Limit sampleLimit(ClaudeQuota::Limit::Kind kind, const QString& label, double percent,
                               std::chrono::minutes resetsIn)
{
    ClaudeQuota::Limit limit;
    limit.kind = kind;
    limit.label = kind == ClaudeQuota::Limit::Kind::weeklyScoped ? label : QString();
    limit.percent = percent;
    limit.resetsAt = Now + resetsIn;
    return limit;
}

// The popover's card as a newer answer fills it: a model's weekly cap binds, and at its pace of the last
// hour it is reached before its reset.
ClaudeQuota sampleQuota()
{
    using Kind = ClaudeQuota::Limit::Kind;
    const auto week = std::chrono::minutes(3 * 24h + 4h + 10min);
    ClaudeQuota quota;
    quota.limits
        = { sampleLimit(Kind::session, QString(), 42.0, 2h + 5min), sampleLimit(Kind::weekly, QString(), 73.5, week),
            sampleLimit(Kind::weeklyScoped, QStringLiteral("Fable"), 91.2, week),
            sampleLimit(Kind::weeklyScoped, QStringLiteral("Sonnet"), 12.0, week) };
    quota.limits[2].binding = true;
    quota.limits[2].forecastAt = Now + 1h + 18min;
    quota.fiveHour = quota.limits[0].window();
    quota.sevenDay = quota.limits[1].window();
    quota.extraUsage = ClaudeQuota::ExtraUsage { true, 5000, 1234, 24.68, QStringLiteral("USD"), 2, {} };
    return quota;
}

QPalette palette(bool dark)
{
    QPalette p;
    p.setColor(QPalette::Window, dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(0xF2, 0xF2, 0xF4));
    p.setColor(QPalette::WindowText, dark ? QColor(0xF5, 0xF5, 0xF7) : QColor(0x1D, 0x1D, 0x1F));
    p.setColor(QPalette::Highlight, dark ? QColor(0x0A, 0x84, 0xFF) : QColor(0x00, 0x7A, 0xFF));
    return p;
}

bool refreshed(UsageDataManager& usage)
{
    QEventLoop loop;
    bool read = false;
    QObject::connect(&usage, &UsageDataManager::refreshed, &loop, [&] {
        read = true;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    usage.refresh();
    loop.exec();
    if (!read)
        std::fprintf(stderr, "the sample logs were not read in time\n");
    return read;
}

// The settings window's quota section as it looks while connected.
ClaudeQuota sampleClaudeQuota()
{
    ClaudeQuota quota = sampleQuota();
    quota.fetchedAt = Now - 3min;
    return quota;
}

bool load(QQuickView& view, const QString& file, const QVariantMap& properties)
{
    view.engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
    view.setInitialProperties(properties);
    view.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Pacemark/Views/") + file));
    if (view.status() != QQuickView::Ready) {
        for (const auto& error : view.errors())
            std::fprintf(stderr, "%s\n", qPrintable(error.toString()));
        return false;
    }
    view.show();
    return true;
}

bool load(QQuickView& view, UsageDataManager& usage, QuotaCardModel& quota, RunCharacter& runner,
          CodexQuotaCardModel* codexQuota = nullptr)
{
    auto* actions = new PopoverActions(&view);
    return load(view, QStringLiteral("MainPopoverView.qml"),
                { { QStringLiteral("usageDataManager"), QVariant::fromValue(&usage) },
                  { QStringLiteral("quotaCard"), QVariant::fromValue(&quota) },
                  { QStringLiteral("codexQuotaCard"), QVariant::fromValue(codexQuota) },
                  { QStringLiteral("runCharacter"), QVariant::fromValue(&runner) },
                  { QStringLiteral("actions"), QVariant::fromValue(actions) } });
}

// The whole window, or only the given item of it.
bool save(QQuickView& view, const QString& path, const QQuickItem* item = nullptr)
{
    QImage image = view.grabWindow();
    if (item) {
        const qreal scale = image.width() / qreal(view.width());
        const QRectF area = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        // A margin of the popover's background around the card.
        const QRectF margin = area.adjusted(-8, -8, 8, 8);
        image = image.copy(QRectF(margin.topLeft() * scale, margin.size() * scale).toAlignedRect());
    }
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QGuiApplication app(argc, argv);
    const QString language = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("ko");
    if (argc < 2 || argc > 3 || (language != QLatin1StringView("ko") && language != QLatin1StringView("en"))) {
        std::fprintf(stderr, "usage: pacemark_render <output-folder> [ko|en]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    // The system font of a Korean desktop at its usual size, which draws Latin text as well.
    QGuiApplication::setFont(QFont(QStringLiteral("Noto Sans CJK KR"), 10));
    Translation::shared().show(Translation::resolve(language));
    QLocale::setDefault(language == QLatin1StringView("en") ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                            : QLocale(QLocale::Korean, QLocale::SouthKorea));
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    ManualClock clock(Now);
    Clock::install(&clock);
    QTemporaryDir home;
    writeSampleLogs(home.path() + QStringLiteral("/projects"));
    ProviderManager providers((home.path() + QStringLiteral("/projects")).toStdString());
    writeAgentLogs(home.path());
    providers.registerOtherAgents({ (home.path() + QStringLiteral("/codex")).toStdString() },
                                  (home.path() + QStringLiteral("/gemini/.gemini")).toStdString());
    UsageDataManager usage(&providers);
    usage.setHistoryStore(sampleHistory(home.path() + QStringLiteral("/history.sqlite")));
    if (!refreshed(usage))
        return 1;
    QuotaCardModel quota;
    quota.setCredentialFound(true);
    quota.setQuota(sampleQuota());
    quota.setStatus(ClaudeQuotaManager::Status::loaded());
    AppSettings defaults(home.path() + QStringLiteral("/settings.ini"));
    defaults.setShowMenuBarQuotaBattery(true);
    defaults.setLanguage(language);
    RunCharacter runner(&defaults);
    runner.start();

    QGuiApplication::setPalette(palette(false));
    CodexQuotaCardModel codexQuota;
    for (const auto& provider : providers.providers())
        if (const auto* codex = dynamic_cast<const CodexProvider*>(provider.get()))
            codexQuota.setLimits(codex->rateLimits());
    QQuickView view;
    if (!load(view, usage, quota, runner, &codexQuota))
        return 1;

    QQuickItem* root = view.rootObject();
    auto* dashboard = root->findChild<QQuickItem*>(QStringLiteral("dashboardPage"));
    bool ok = true;
    for (const bool dark : { false, true }) {
        QGuiApplication::setPalette(palette(dark));
        const QString theme = dark ? QStringLiteral("dark") : QStringLiteral("light");
        root->setProperty("currentPage", 0);
        dashboard->setProperty("contentY", 0);
        ok &= save(view, folder + QStringLiteral("/dashboard-top-%1.png").arg(theme));
        const qreal overflow = dashboard->property("contentHeight").toReal() - dashboard->height();
        // The quota card alone, scrolled whole into view.
        auto* card = dashboard->findChild<QQuickItem*>(QStringLiteral("quotaCard"));
        auto* content = dashboard->property("contentItem").value<QQuickItem*>();
        const qreal cardTop = card->mapToItem(content, QPointF()).y();
        dashboard->setProperty("contentY", std::clamp(cardTop - 16, 0.0, overflow));
        ok &= save(view, folder + QStringLiteral("/quota-card-%1.png").arg(theme), card);
        auto* codexCard = dashboard->findChild<QQuickItem*>(QStringLiteral("codexQuotaCard"));
        ok &= save(view, folder + QStringLiteral("/codex-quota-card-%1.png").arg(theme), codexCard);
        dashboard->setProperty("contentY", overflow / 2);
        ok &= save(view, folder + QStringLiteral("/dashboard-middle-%1.png").arg(theme));
        dashboard->setProperty("contentY", overflow);
        ok &= save(view, folder + QStringLiteral("/dashboard-bottom-%1.png").arg(theme));
        // The first opening of the history page builds it: timed up to the drawn frame.
        QElapsedTimer opening;
        opening.start();
        root->setProperty("currentPage", 1);
        view.grabWindow();
        if (!dark)
            std::printf("history page with %lld days opened and drawn in %lld ms\n",
                        static_cast<long long>(usage.historyData().size()), static_cast<long long>(opening.elapsed()));
        ok &= save(view, folder + QStringLiteral("/history-page-%1.png").arg(theme));
        root->setProperty("currentPage", 2);
        ok &= save(view, folder + QStringLiteral("/runner-page-%1.png").arg(theme));
    }

    // The settings window while connected, with launch at login on. The sources' folders show as
    // under the home folder, as they would on a user's machine.
    qputenv("HOME", home.path().toLocal8Bit());
    XdgAutostart loginItem(home.path() + QStringLiteral("/autostart"), QCoreApplication::applicationFilePath());
    loginItem.setLaunchAtLogin(true);
    AppUpdater updater(QUrl(QStringLiteral("https://updates.invalid/appcast.xml")));
    QuotaSettingsModel settingsQuota;
    SettingsModel settingsWindow;
    settingsQuota.setStatus(ClaudeQuotaManager::Status::loaded());
    settingsQuota.setQuota(sampleClaudeQuota());
    QQuickView settings;
    settings.setResizeMode(QQuickView::SizeRootObjectToView);
    settings.resize(480, 540);
    if (!load(settings, QStringLiteral("SettingsView.qml"),
              { { QStringLiteral("quota"), QVariant::fromValue(&settingsQuota) },
                { QStringLiteral("defaults"), QVariant::fromValue(&defaults) },
                { QStringLiteral("loginItem"), QVariant::fromValue<Autostart*>(&loginItem) },
                { QStringLiteral("appUpdater"), QVariant::fromValue<UpdateChecker*>(&updater) },
                { QStringLiteral("settingsWindow"), QVariant::fromValue(&settingsWindow) },
                { QStringLiteral("usageSources"), QVariant::fromValue<QObject*>(&providers) } }))
        return 1;
    Q_EMIT settingsWindow.shown();
    for (const bool dark : { false, true }) {
        QGuiApplication::setPalette(palette(dark));
        ok &= save(
            settings,
            folder + QStringLiteral("/settings-%1.png").arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));
    }
    // Scrolled to its end: the language, launch at login and the version.
    for (auto* form : settings.rootObject()->findChildren<QQuickItem*>()) {
        if (!form->inherits("QQuickFlickable"))
            continue;
        form->setProperty("contentY", form->property("contentHeight").toReal() - form->height());
        for (const bool dark : { false, true }) {
            QGuiApplication::setPalette(palette(dark));
            ok &= save(settings,
                       folder
                           + QStringLiteral("/settings-bottom-%1.png")
                                 .arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));
        }
        form->setProperty("contentY", 0);
        break;
    }
    // Not yet connected: the status and the one action of that state.
    settingsQuota.setStatus(ClaudeQuotaManager::Status::denied());
    settingsQuota.setQuota(std::nullopt);
    QGuiApplication::setPalette(palette(false));
    ok &= save(settings, folder + QStringLiteral("/settings-disconnected-light.png"));

    // A fresh start while logged in to Claude Code: no logs yet, the first quota answer on its way.
    QDir().mkpath(home.path() + QStringLiteral("/empty"));
    ProviderManager noProviders((home.path() + QStringLiteral("/empty")).toStdString());
    UsageDataManager noUsage(&noProviders);
    QuotaCardModel noQuota;
    noQuota.setCredentialFound(true);
    noQuota.setStatus(ClaudeQuotaManager::Status::loading());
    QQuickView empty;
    if (!refreshed(noUsage) || !load(empty, noUsage, noQuota, runner))
        return 1;
    for (const bool dark : { false, true }) {
        QGuiApplication::setPalette(palette(dark));
        ok &= save(
            empty,
            folder
                + QStringLiteral("/first-start-%1.png").arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));
    }
    return ok ? 0 : 1;
}
