#include "app/BurrowbitApp.h"

#include <cstdio>
#include <optional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>

#include "app/AppDelegate.h"
#include "app/UnixSignalHandler.h"
#include "app/UsageReport.h"
#include "ingest/ClaudePaths.h"
#include "ingest/ProviderManager.h"
#include "ingest/TimestampParser.h"
#include "quota/ClaudeQuotaManager.h"
#include "usage/ManualClock.h"
#include "usage/UsageDataManager.h"

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
    bool report = false;
    bool json = false;
    bool quota = false;
    std::optional<Instant> now;
};

// One quota refresh as the application's poll does it: the credential read without interaction.
QuotaReport fetchQuota()
{
    ClaudeOAuthProvider provider;
    ClaudeQuotaManager manager(&provider);
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

    ProviderManager providers(ClaudePaths::projectsPath());
    UsageDataManager usage(&providers);
    QEventLoop loop;
    QObject::connect(&usage, &UsageDataManager::refreshed, &loop, &QEventLoop::quit);
    usage.refresh();
    loop.exec();

    UsageReport report(usage, Clock::now(), usage.activityLevel());
    if (options.quota)
        report.setQuota(fetchQuota());
    if (options.json)
        print(stdout, QString::fromUtf8(QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented)));
    else
        print(stdout, report.toText());
    Clock::install(nullptr);
    return 0;
}

int runApplication(QCoreApplication& app)
{
    AppDelegate delegate;
    UnixSignalHandler signals;
    QObject::connect(&signals, &UnixSignalHandler::terminationRequested, &app, &QCoreApplication::quit);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);

    // Until the tray arrives the application prints the summary whenever the figures change.
    auto* usage = delegate.usageDataManager();
    QObject::connect(usage, &UsageDataManager::refreshed, usage, [usage] {
        print(stdout, UsageReport(*usage, Clock::now(), usage->activityLevel()).toText() + QLatin1Char('\n'));
    });
    delegate.applicationDidFinishLaunching();
    return app.exec();
}

}

int BurrowbitApp::main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pacemark"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pacemark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PACEMARK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pacemark shows your Claude Code token usage as a runner in the tray.\n"
                       "Logs are read from $CLAUDE_CONFIG_DIR/projects, or ~/.claude/projects."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("Print today's usage once and exit."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("With --report: print JSON."));
    const QCommandLineOption nowOption(QStringLiteral("now"),
                                       QStringLiteral("With --report: the instant to report as of."),
                                       QStringLiteral("ISO8601"));
    const QCommandLineOption quotaOption(QStringLiteral("quota"),
                                         QStringLiteral("With --report: fetch the quota once too."));
    parser.addOptions({ reportOption, jsonOption, nowOption, quotaOption });

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(helpOption)) {
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(versionOption)) {
        print(stdout, QStringLiteral("pacemark %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));

    Options options;
    options.report = parser.isSet(reportOption);
    options.json = parser.isSet(jsonOption);
    options.quota = parser.isSet(quotaOption);
    if (parser.isSet(nowOption)) {
        const QByteArray text = parser.value(nowOption).toUtf8();
        options.now = TimestampParser::parse(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        if (!options.now)
            return fail(QStringLiteral("invalid time '%1' for --now (expected ISO 8601 such as 2026-01-02T15:04:05Z)")
                            .arg(parser.value(nowOption)));
    }
    if (!options.report && (options.json || options.now || options.quota))
        return fail(QStringLiteral("--json, --now and --quota go with --report"));

    return options.report ? runReport(options) : runApplication(app);
}
