#include "app/PacemarkApp.h"

#include <cstdio>
#include <optional>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QQuickWindow>

#include "app/AppDelegate.h"
#include "app/DisplayPlatform.h"
#include "app/MenuBarController.h"
#include "app/PopoverHost.h"
#include "app/PopoverWindow.h"
#include "app/SingleInstance.h"
#include "app/UnixSignalHandler.h"
#include "app/tray/TrayIcon.h"
#include "basics/AppSettings.h"
#include "basics/ClaudePaths.h"
#include "basics/ManualClock.h"
#include "basics/SystemTimeZone.h"
#include "basics/TimestampParser.h"
#include "basics/Translation.h"
#include "ingest/ProviderManager.h"
#include "quota/ClaudeQuotaManager.h"
#include "report/Statusline.h"
#include "report/UsageReport.h"
#include "runner/AnimationSpeed.h"
#include "runner/RunCharacter.h"
#include "usage/DailyUsageStore.h"
#include "usage/PriceTable.h"
#include "usage/UsageCalculator.h"
#include "usage/UsageDataManager.h"

namespace pacemark {

namespace {

constexpr int UsageError = 2;

void print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int fail(const QString& message)
{
    print(stderr, QStringLiteral("pacemark: %1\n").arg(message));
    return UsageError;
}

struct Options
{
    bool statusline = false;
    bool report = false;
    bool json = false;
    bool quota = false;
    bool history = false;
    std::optional<Instant> now;
    std::optional<AnimationSpeed> runnerSpeed;
    bool stats = false;
};

QStringList toStringList(const std::vector<std::string>& paths)
{
    QStringList list;
    for (const auto& path : paths)
        list.append(QString::fromStdString(path));
    return list;
}

// Names the folders read on this machine now, not only the rule.
QString helpDescription()
{
    const auto folders = ClaudePaths::projectsPaths();
    const QStringList read = toStringList(ClaudePaths::existingDirectories(folders));
    return QStringLiteral(
               "Pacemark shows your Claude Code token usage as a runner in the tray.\n"
               "Logs are read from the projects folder of each comma-separated $CLAUDE_CONFIG_DIR entry,\n"
               "else from ~/.claude/projects and $XDG_CONFIG_HOME/claude/projects (default\n"
               "~/.config/claude/projects), every one that exists.\n"
               "Codex CLI's rollouts are read from sessions/ and archived_sessions/ of each comma-separated\n"
               "$CODEX_HOME entry (default ~/.codex), Gemini CLI's chats from tmp/*/chats of ~/.gemini\n"
               "($GEMINI_CLI_HOME/.gemini when set).\n")
        + (read.isEmpty()
               ? QStringLiteral("None exists now; looked in %1.").arg(toStringList(folders).join(QStringLiteral(", ")))
               : QStringLiteral("Read now: %1.").arg(read.join(QStringLiteral(", "))));
}

// One quota refresh as the application's poll does it: the credential read without interaction.
QuotaReport fetchQuota()
{
    ClaudeOAuthProvider provider;
    ClaudeQuotaManager manager(&provider);
    // The running application's samples give the forecast; a one-off run at a pinned time adds none.
    manager.setSampleFile(ClaudeQuotaManager::defaultSampleFile(), false);
    QEventLoop loop;
    QObject::connect(&manager, &ClaudeQuotaManager::refreshFinished, &loop, &QEventLoop::quit);
    manager.refreshQuota();
    loop.exec();
    return QuotaReport(manager.status(), manager.quota(), Clock::now());
}

// Runs one refresh exactly as the application does, as of a pinned instant, and prints it.
int runReport(const Options& options)
{
    ManualClock clock(options.now.value_or(Clock::now()));
    Clock::install(&clock);

    const auto folders = ClaudePaths::projectsPaths();
    ProviderManager providers(folders);
    providers.registerOtherAgents();
    // The sources the popover shows, as the settings switch them on.
    AppSettings settings;
    providers.useSettings(&settings);
    UsageCalculator calculator;
    // The application's history counts in the report too; the report never creates the store.
    if (QFile::exists(DailyUsageStore::defaultPath())) {
        if (auto opened = DailyUsageStore::open(DailyUsageStore::defaultPath()); opened.store)
            calculator.setHistoryStore(std::move(opened.store));
        else
            print(stderr, QStringLiteral("pacemark: %1; the report counts the logs alone\n").arg(opened.error));
    }
    const auto enabled = providers.enabledProviders();
    const UsageSnapshot usage = calculator.compute(UsageCalculator::read(enabled), enabled, Clock::now(),
                                                   SystemTimeZone::current(), PriceTable::current());

    UsageReport report(usage, Clock::now());
    QStringList read;
    for (const auto& provider : enabled)
        read += toStringList(provider->watchDirectories());
    report.setLogFolders(read, toStringList(folders));
    report.setHistory(options.history);
    if (options.quota)
        report.setQuota(fetchQuota());
    if (options.json)
        print(stdout, QString::fromUtf8(QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented)));
    else
        print(stdout, report.toText());
    Clock::install(nullptr);
    return 0;
}

int runApplication(QApplication& app, const Options& options)
{
    SingleInstance instance;
    if (!instance.start())
        return 0;

    AppDelegate delegate;
    instance.setRequestHandler(QString(Statusline::RequestKind), [&delegate](const QJsonObject& request) {
        return Statusline::answer(*delegate.usageDataManager(), delegate.claudeQuotaManager()->quota(), request);
    });
    UnixSignalHandler signals;
    QObject::connect(&signals, &UnixSignalHandler::terminationRequested, &app, &QCoreApplication::quit);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    QElapsedTimer uptime;
    uptime.start();
    delegate.applicationDidFinishLaunching();

    MenuBarController* menuBar = delegate.menuBarController();
    PopoverHost* popovers = delegate.popoverHost();
    QObject::connect(menuBar, &MenuBarController::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(&instance, &SingleInstance::activationRequested, popovers, &PopoverHost::open);
    if (options.runnerSpeed)
        delegate.runCharacter()->setDebugSpeedOverride(options.runnerSpeed);
    if (options.stats) {
        QObject::connect(&app, &QCoreApplication::aboutToQuit, menuBar, [menuBar, popovers, &uptime] {
            const PopoverWindow* popover = popovers->popover();
            print(stdout,
                  QStringLiteral("status images: shown %1, composed %2 in %3 s\n"
                                 "popover: built %4 times, the last one shown %5 times; on screen %6 ms after "
                                 "its first request, at most %7 ms after later ones\n")
                      .arg(menuBar->icon()->shownCount())
                      .arg(menuBar->icon()->composedCount())
                      .arg(static_cast<double>(uptime.elapsed()) / 1000.0, 0, 'f', 1)
                      .arg(popovers->buildCount())
                      .arg(popover ? popover->showCount() : 0)
                      .arg(popover ? popover->firstShowMs() : -1)
                      .arg(popover ? popover->slowestLaterShowMs() : -1));
        });
    }
    return app.exec();
}

}

int PacemarkApp::main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("pacemark"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pacemark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PACEMARK_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption statuslineOption(
        QStringLiteral("statusline"),
        QStringLiteral(
            "Print one line for Claude Code's status line (the session's JSON on standard input) and exit."));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("Print today's usage once and exit."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("With --report: print JSON."));
    const QCommandLineOption nowOption(QStringLiteral("now"),
                                       QStringLiteral("With --report: the instant to report as of."),
                                       QStringLiteral("ISO8601"));
    const QCommandLineOption quotaOption(QStringLiteral("quota"),
                                         QStringLiteral("With --report: fetch the quota once too."));
    const QCommandLineOption historyOption(QStringLiteral("history"),
                                           QStringLiteral("With --report: every day from the first known one."));
    const QCommandLineOption speedOption(QStringLiteral("runner-speed"),
                                         QStringLiteral("Force the runner's speed (for testing)."),
                                         QStringLiteral("idle|walking|running|sprinting"));
    const QCommandLineOption statsOption(QStringLiteral("stats"),
                                         QStringLiteral("At exit, print how many tray images were drawn."));
    parser.addOptions({ statuslineOption, reportOption, jsonOption, nowOption, quotaOption, historyOption, speedOption,
                        statsOption });

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(helpOption)) {
        parser.setApplicationDescription(helpDescription());
        // Without an application object Qt cannot name the executable in the usage line; the name
        // is the program's, however it was started.
        print(stdout, parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("pacemark")));
        return 0;
    }
    if (parser.isSet(versionOption)) {
        print(stdout, QStringLiteral("pacemark %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));

    Options options;
    options.statusline = parser.isSet(statuslineOption);
    options.report = parser.isSet(reportOption);
    options.json = parser.isSet(jsonOption);
    options.quota = parser.isSet(quotaOption);
    options.history = parser.isSet(historyOption);
    options.stats = parser.isSet(statsOption);
    if (parser.isSet(nowOption)) {
        const QByteArray text = parser.value(nowOption).toUtf8();
        options.now = TimestampParser::parse(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        if (!options.now)
            return fail(QStringLiteral("invalid time '%1' for --now (expected ISO 8601 such as 2026-01-02T15:04:05Z)")
                            .arg(parser.value(nowOption)));
    }
    if (parser.isSet(speedOption)) {
        options.runnerSpeed = paceFromName(parser.value(speedOption));
        if (!options.runnerSpeed)
            return fail(QStringLiteral("invalid speed '%1' for --runner-speed (expected idle, walking, running or "
                                       "sprinting)")
                            .arg(parser.value(speedOption)));
    }
    if (options.statusline
        && (options.report || options.json || options.now || options.quota || options.history || options.runnerSpeed
            || options.stats))
        return fail(QStringLiteral("--statusline goes with no other option"));
    if (!options.report && (options.json || options.now || options.quota || options.history))
        return fail(QStringLiteral("--json, --now, --quota and --history go with --report"));
    if (options.report && (options.runnerSpeed || options.stats))
        return fail(QStringLiteral("--runner-speed and --stats do not go with --report"));

    if (options.statusline)
        return Statusline::run(argc, argv);
    if (options.report) {
        QCoreApplication app(argc, argv);
        Translation::shared().show(Translation::resolve(AppSettings().language()));
        return runReport(options);
    }
    if (!DisplayPlatform::apply())
        return 1;
    // The dashboard and the settings are a few cards and a chart: Qt Quick's software renderer draws
    // them as fast as OpenGL, without loading a GL driver (a software one, on many machines) that
    // would stay in memory for the life of the tray process. Set before any Qt Quick window exists.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return runApplication(app, options);
}

}
