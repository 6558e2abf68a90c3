#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include "ClaudeLog.h"
#include "TempDir.h"
#include "usage/DailyUsageStore.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// Starts pacemark with its logs in a temporary home, in UTC unless the environment says otherwise.
void start(QProcess& process, const QStringList& arguments, const std::string& home,
           const QStringList& environment = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"CLAUDE_CONFIG_DIR"_s);
    env.remove(u"XDG_CONFIG_HOME"_s);
    env.insert(u"HOME"_s, QString::fromStdString(home));
    env.insert(u"TZ"_s, u"UTC"_s);
    for (const auto& entry : environment)
        env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PACEMARK_EXECUTABLE), arguments);
}

QStringList args(const char* line)
{
    return QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts);
}

Run pacemark(const QStringList& arguments, const std::string& home, const QStringList& environment = {})
{
    QProcess process;
    start(process, arguments, home, environment);
    Run run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

Run pacemark(const char* line, const std::string& home, const QStringList& environment = {})
{
    return pacemark(args(line), home, environment);
}

const char* const JsonAt = "--report --json --now 2025-06-10T12:00:00Z";
const char* const TextAt = "--report --now 2025-06-10T12:00:00Z";

void writeLogs(const TempDir& home, const std::string& root = ".claude")
{
    const auto dir = root + "/projects/-home-dev-app/";
    home.write(
        dir + "a1b2.jsonl",
        ClaudeLog::otherLines("2025-06-10T11:50:00Z") + ClaudeLog::user("2025-06-10T11:57:59Z", 100'000)
            + ClaudeLog::assistant("msg_a", "2025-06-10T11:58:00Z", { 100, 200, 300, 4000 }, ClaudeLog::Opus, "s1", 3)
            + ClaudeLog::assistant("msg_b", "2025-06-09T20:00:00Z", { 1, 1, 1, 1 }, ClaudeLog::Sonnet, "s0"));
    home.write(
        dir + "a1b2/subagents/agent-7f.jsonl",
        ClaudeLog::assistant("msg_c", "2025-06-10T11:59:00.5Z", { 0, 10, 0, 0 }, "claude-haiku-9-20991231", "s1", 2));
}

// Compact JSON of a value, without the costs of the entries of a list: those are compared apart.
QByteArray compact(const QJsonValue& value)
{
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    QJsonArray list;
    for (const auto& entry : value.toArray()) {
        QJsonObject object = entry.toObject();
        object.remove(u"costUSD"_s);
        list.append(object);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

TEST(Report, JsonMembersValuesAndHistory)
{
    TempDir home;
    writeLogs(home);
    const auto run = pacemark(JsonAt, home.path());
    ASSERT_TRUE(run.exitCode == 0 && run.err.isEmpty()) << run.err.constData();
    auto json = run.json();
    // Opus is priced; claude-haiku-9 is not in the price table: its tokens are counted apart, its cost null.
    const double opus = 100 * 15e-6 + 200 * 75e-6 + 300 * 18.75e-6 + 4000 * 1.5e-6,
                 sonnet = 3e-6 + 15e-6 + 3.75e-6 + 0.3e-6;
    EXPECT_NEAR(json[u"todayCostUSD"_s].toDouble(), opus, 1e-12);
    EXPECT_NEAR(json[u"cumulativeCostUSD"_s].toDouble(), opus + sonnet, 1e-12);
    EXPECT_NEAR(json[u"todayBreakdown"_s][0][u"costUSD"_s].toDouble(), opus, 1e-12);
    EXPECT_TRUE(json[u"todayBreakdown"_s][1][u"costUSD"_s].isNull());
    EXPECT_NEAR(json[u"weeklyData"_s][0][u"costUSD"_s].toDouble(), sonnet, 1e-12);
    EXPECT_NEAR(json[u"weeklyData"_s][1][u"costUSD"_s].toDouble(), opus, 1e-12);
    // Every line names the same working folder.
    EXPECT_NEAR(json[u"projects"_s][u"today"_s][0][u"costUSD"_s].toDouble(), opus, 1e-12);
    EXPECT_EQ(compact(json[u"projects"_s][u"today"_s]) + compact(json[u"projects"_s][u"lastSevenDays"_s]),
              R"([{"path":"/home/dev/project","tokens":4610}][{"path":"/home/dev/project","tokens":4614}])");
    EXPECT_EQ(
        compact(QJsonArray { json[u"todayBreakdown"_s][0] }),
        R"([{"cacheReadTokens":4000,"cacheWriteTokens":300,"displayName":"Opus","id":"claude-code_claude-opus-4-1-20250805",)"
        R"("inputTokens":100,"model":"claude-opus-4-1-20250805","outputTokens":200,"providerId":"claude-code","totalTokens":4600}])");
    EXPECT_EQ(json[u"todayBreakdown"_s][1][u"displayName"_s], u"Haiku"_s);
    EXPECT_EQ(
        compact(json[u"weeklyData"_s]),
        R"([{"dateString":"2025-06-09","outputTokens":1,"totalTokens":4},{"dateString":"2025-06-10","outputTokens":210,"totalTokens":4610}])");
    QJsonObject claude = json[u"providerSummaries"_s][0].toObject();
    EXPECT_NEAR(claude.take(u"cumulativeCostUSD"_s).toDouble(), opus + sonnet, 1e-12);
    EXPECT_NEAR(claude.take(u"costUSD"_s).toDouble(), opus, 1e-12);
    EXPECT_EQ(
        compact(QJsonArray { claude }).toStdString(),
        R"([{"cumulativeTokens":4614,"providerIcon":"🤖","providerId":"claude-code","providerName":"Claude Code",)"
        R"("tokens":4610,"tokensPerMinute":103}])");
    // What is left, whole: no member more, none less.
    for (const char* key :
         { "todayCostUSD", "cumulativeCostUSD", "projects", "todayBreakdown", "weeklyData", "providerSummaries" })
        json.remove(QLatin1StringView(key));
    EXPECT_EQ(
        compact(json),
        R"({"activityLevel":"active","cumulativeTokens":4614,"cumulativeUnpricedTokens":10,)"
        R"("generatedAt":"2025-06-10T12:00:00Z","isActive":true,"lastActivityTimestamp":"2025-06-10T11:59:00.500Z",)"
        R"("recordCount":3,"sessionCount":1,"todayOutputTokens":210,"todayTokens":4610,"todayUnpricedTokens":10,)"
        R"("tokensPerMinute":103})");

    const auto later = pacemark("--report --json --now 2025-06-10T21:30:00+09:00", home.path()).json();
    EXPECT_EQ(std::tuple(later[u"generatedAt"_s], later[u"activityLevel"_s], later[u"tokensPerMinute"_s]),
              std::tuple(u"2025-06-10T12:30:00Z"_s, u"stale"_s, 0));

    const auto text = pacemark(TextAt, home.path());
    EXPECT_TRUE(text.out.contains("Today      4.6K tokens (210 output) in 1 session")) << text.out.constData();

    // --history: one entry a day from the first known day, the application's history store included.
    {
        auto opened
            = DailyUsageStore::open(QString::fromStdString(home.path(".local/share/Pacemark/pacemark/history.sqlite")));
        ASSERT_TRUE(opened.store);
        ASSERT_TRUE(opened.store->record({ { u"2025-06-07"_s, 5, 5, 0, 0, 1, {} } }));
    }
    const QStringList data { u"XDG_DATA_HOME="_s + QString::fromStdString(home.path(".local/share")) };
    const auto history = pacemark("--report --json --history --now 2025-06-10T12:00:00Z", home.path(), data).json();
    EXPECT_TRUE(history[u"history"_s][0][u"costUSD"_s].isNull()); // a stored day without models
    EXPECT_EQ(
        compact(history[u"history"_s]),
        R"([{"dateString":"2025-06-07","outputTokens":5,"totalTokens":10},{"dateString":"2025-06-08","outputTokens":0,"totalTokens":0},)"
        R"({"dateString":"2025-06-09","outputTokens":1,"totalTokens":4},{"dateString":"2025-06-10","outputTokens":210,"totalTokens":4610}])");
    EXPECT_EQ(history[u"cumulativeTokens"_s], 4624);
    const auto historyText = pacemark("--report --history --now 2025-06-10T12:00:00Z", home.path(), data);
    EXPECT_TRUE(
        historyText.out.contains("History\n  2025-06-07        10         \u2014\n  2025-06-08         0     $0.00\n"))
        << historyText.out.constData();
    EXPECT_EQ(pacemark("--history", home.path()).exitCode, 2);
}

TEST(Report, WhereLogsAreTheTimeZoneAndTheCommandLine)
{
    TempDir home, config;
    writeLogs(config, ".");
    const auto tokens = [&](const QStringList& environment = {}) {
        return pacemark(JsonAt, home.path(), environment).json()[u"cumulativeTokens"_s].toInteger();
    };
    home.write(".claude/projects/p/x.jsonl", ClaudeLog::assistant("other", "2025-06-10T10:00:00Z", { 7, 0, 0, 0 }));
    EXPECT_EQ(tokens(), 7);
    const QString configured = u"CLAUDE_CONFIG_DIR="_s + QString::fromStdString(config.path()) + u'/';
    EXPECT_EQ(tokens({ configured }), 4614);
    const auto seoul = pacemark(JsonAt, home.path(), { configured, u"TZ=Asia/Seoul"_s }).json();
    EXPECT_TRUE(seoul[u"todayTokens"_s].toInteger() == 4614 && seoul[u"weeklyData"_s].toArray().size() == 1);

    // Newer releases write to ~/.config/claude; a log copied there by a migration counts once.
    home.write(".config/claude/projects/p/x.jsonl",
               ClaudeLog::assistant("other", "2025-06-10T10:00:00Z", { 7, 0, 0, 0 }));
    home.write(".config/claude/projects/p/y.jsonl",
               ClaudeLog::assistant("new", "2025-06-10T10:00:00Z", { 1, 0, 0, 0 }));
    EXPECT_EQ(tokens(), 8);
    const QByteArray folders
        = QByteArray::fromStdString(home.path(".claude/projects") + ", " + home.path(".config/claude/projects"));
    const auto text = pacemark(TextAt, home.path());
    EXPECT_TRUE(text.out.contains("\nLogs       " + folders + "\n\n")) << text.out.constData();
    const auto help = pacemark("--help", home.path());
    EXPECT_TRUE(help.exitCode == 0 && help.out.startsWith("Usage: pacemark [options]\n")
                && help.out.contains("Read now: " + folders + "."))
        << help.out.constData();

    // Codex CLI's rollouts count and are named, unless its switch in the settings is off.
    home.write(".codex/sessions/2025/06/10/rollout-2025-06-10T09-00-00-a.jsonl",
               R"({"timestamp":"2025-06-10T09:00:00.000Z","type":"event_msg","payload":{"type":"token_count",)"
               R"("info":{"last_token_usage":{"input_tokens":50,"cached_input_tokens":0,"output_tokens":50}}}})"
               "\n");
    const QByteArray codex = QByteArray::fromStdString(home.path(".codex/sessions"));
    EXPECT_EQ(tokens(), 108);
    const QByteArray both = pacemark(TextAt, home.path()).out;
    EXPECT_TRUE(both.contains(codex) && both.contains("\nSources today\n") && both.contains("Codex CLI"))
        << both.constData();
    home.write(".config/Pacemark/pacemark.conf", "[usageSources]\ncodex=false\n");
    EXPECT_EQ(tokens(), 8);
    EXPECT_FALSE(pacemark(TextAt, home.path()).out.contains(codex));

    TempDir none;
    const auto empty = pacemark(JsonAt, none.path()).json();
    EXPECT_TRUE(empty[u"recordCount"_s].toInteger() == 0 && empty[u"activityLevel"_s] == u"dormant"_s
                && empty[u"lastActivityTimestamp"_s].isNull());
    EXPECT_TRUE(pacemark("--report", none.path())
                    .out.contains(QByteArray::fromStdString("Logs       none found in " + none.path(".claude/projects")
                                                            + ", " + none.path(".config/claude/projects") + "\n")));

    // Totals past the largest count print saturated, exactly.
    none.write(".claude/projects/p/x.jsonl",
               ClaudeLog::assistant("a", "2025-06-10T10:00:00Z", { std::numeric_limits<std::int64_t>::max(), 0, 0, 0 })
                   + ClaudeLog::assistant("b", "2025-06-10T10:00:00Z", { 0, 1, 0, 0 }));
    const auto saturated = pacemark(JsonAt, none.path());
    EXPECT_TRUE(saturated.out.contains("\"cumulativeTokens\": 9223372036854775807")) << saturated.out.constData();

    // Command lines that say nothing sensible.
    const QStringList bad[] = { args("--bogus"),
                                args("--report --now yesterday"),
                                { u"--report"_s, u"--now"_s, u"2025-06-10 12:00:00"_s },
                                args("--report --now"),
                                args("--json"),
                                args("--report extra") };
    for (const auto& arguments : bad) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const auto run = pacemark(arguments, home.path());
        EXPECT_TRUE(run.exitCode == 2 && run.out.isEmpty() && run.err.startsWith("pacemark: ")
                    && run.err.count('\n') == 1 && run.err.endsWith('\n'))
            << run.err.constData();
    }
    const auto version = pacemark("--version", home.path());
    EXPECT_TRUE(version.exitCode == 0 && version.out == "pacemark " PACEMARK_VERSION "\n");
}

// Without a tray (the offscreen platform has none) the dashboard opens as a window; a second start
// hands over to the running instance; SIGTERM stops the application cleanly.
TEST(Application, RunsWithoutATrayHandsOverAndStopsOnTerm)
{
    TempDir home;
    writeLogs(home);
    const QStringList environment { u"TMPDIR="_s + QString::fromStdString(home.path()),
                                    u"QT_QPA_PLATFORM=offscreen"_s };
    QProcess first;
    start(first, args("--stats"), home.path(), environment);
    first.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains("no system tray") && first.waitForReadyRead(30000))
        err += first.readAllStandardError();
    EXPECT_TRUE(err.contains("pacemark: no system tray is available")) << err.constData();

    EXPECT_EQ(pacemark(QStringList(), home.path(), environment).exitCode, 0);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_TRUE(first.exitStatus() == QProcess::NormalExit && first.exitCode() == 0);
    EXPECT_TRUE(first.readAllStandardOutput().contains("status images: shown"));
}

}
