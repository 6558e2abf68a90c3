#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ClaudeLog.h"
#include "EventLoop.h"
#include "QuotaLimits.h"
#include "TempDir.h"
#include "UsageAnswers.h"
#include "UsageRefresh.h"
#include "app/SingleInstance.h"
#include "basics/AgentPaths.h"
#include "basics/AppSettings.h"
#include "basics/BinaryWriter.h"
#include "basics/ClaudePaths.h"
#include "basics/Clock.h"
#include "basics/InstanceSocket.h"
#include "basics/ManualClock.h"
#include "basics/TimestampParser.h"
#include "ingest/ClaudeCodeProvider.h"
#include "ingest/CodexProvider.h"
#include "ingest/FileStamp.h"
#include "ingest/GeminiProvider.h"
#include "ingest/ProviderManager.h"
#include "report/LogCache.h"
#include "report/Statusline.h"
#include "report/StatuslineBasis.h"
#include "usage/PriceTable.h"
#include "usage/UsageDataManager.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

namespace {

using namespace std::chrono_literals;

std::string ago(std::chrono::milliseconds before)
{
    return InstantFormat::toIsoUtcMillis(Clock::now() - before).toStdString();
}

// A Claude Code status-line input as it sends it.
QByteArray claudeInput(const std::string& session, const std::string& transcript)
{
    return QByteArray::fromStdString(
        R"({"hook_event_name":"Status","session_id":")" + session + R"(","transcript_path":")" + transcript
        + R"(","cwd":"/home/dev/app","model":{"id":"claude-opus-4-1","display_name":"Opus"},"version":"2.0.30",)"
        + R"("workspace":{"current_dir":"/home/dev/app","project_dir":"/home/dev/app"},"exceeds_200k_tokens":false,)"
        + R"("output_style":{"name":"default"},"cost":{"total_cost_usd":0.01234,"total_duration_ms":45000}})");
}

// Logs of today in two sessions, one of them resumed: its log starts with a copy of the other's.
struct Logs
{
    TempDir home;
    std::string folder = ".claude/projects/-home-dev-app/";

    Logs()
    {
        home.write(folder + "s1.jsonl",
                   ClaudeLog::user(ago(10min))
                       + ClaudeLog::assistant("msg_a", ago(9min), { 100, 200, 300, 4000 }, ClaudeLog::Opus, "s1", 2)
                       + ClaudeLog::assistant("msg_b", ago(1min), { 10, 2000, 0, 500 }, ClaudeLog::Sonnet, "s1"));
        home.write(folder + "s2.jsonl",
                   ClaudeLog::assistant("msg_a", ago(9min), { 100, 200, 300, 4000 }, ClaudeLog::Opus, "s2")
                       + ClaudeLog::assistant("msg_c", ago(30s), { 5, 7000, 0, 0 }, ClaudeLog::Opus, "s2"));
        qputenv("CLAUDE_CONFIG_DIR", QByteArray::fromStdString(home.path(".claude")));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~Logs() { qunsetenv("CLAUDE_CONFIG_DIR"); }

    QString cache() const { return QString::fromStdString(home.path("cache/pacemark/logs.cache")); }
    const QString runtime = QString::fromStdString(home.path("runtime"));
};

// The usage figures of the logs, refreshed once.
struct Usage
{
    ProviderManager providers { ClaudePaths::projectsPaths() };
    UsageDataManager usage { &providers };
    Usage()
    {
        EXPECT_TRUE(refreshedBy(usage, [this] { usage.refresh(); }));
    }
};

// The figures of one refresh over the logs with nothing cached, as the report makes them.
StatuslineFigures fresh(const QString& session)
{
    return StatuslineFigures::of(*Usage().usage.snapshot(), session, std::nullopt, *PriceTable::current());
}

void expectSame(const StatuslineFigures& a, const StatuslineFigures& b)
{
    EXPECT_EQ(std::tie(a.todayTokens, a.tokensPerMinute, a.pace, a.sessionTokens, a.todayCostUsd, a.sessionCostUsd),
              std::tie(b.todayTokens, b.tokensPerMinute, b.pace, b.sessionTokens, b.todayCostUsd, b.sessionCostUsd));
}

// The executable as Claude Code runs it, with its own runtime and cache folders; the event loop
// runs meanwhile, so that an instance in this process can answer. Whatever happens, it must end
// with success: its output.
QByteArray statusline(const Logs& logs, const QByteArray& input)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, QString::fromStdString(logs.home.path()));
    env.insert(u"CLAUDE_CONFIG_DIR"_s, QString::fromStdString(logs.home.path(".claude")));
    env.insert(u"XDG_CACHE_HOME"_s, QString::fromStdString(logs.home.path("cache")));
    env.insert(u"XDG_RUNTIME_DIR"_s, logs.runtime);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PACEMARK_EXECUTABLE), { u"--statusline"_s });
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30s)
                && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
    return process.readAllStandardOutput();
}

// Whatever comes on standard input: the session it names, if any, and one line and success, so that
// Claude Code's screen stays whole. The running application answers with its figures and quota; an
// earlier release's message still shows the popover; a listener that never answers is passed over for
// the logs.
TEST(Statusline, AnyInputPrintsOneLineAndTheRunningInstanceAnswers)
{
    Logs logs;
    const std::pair<QByteArray, QString> cases[] = {
        { claudeInput("s1", "/home/dev/.claude/projects/-home-dev-app/s1.jsonl"), u"s1"_s },
        { R"({"transcript_path":"/home/dev/.claude/projects/-home-dev-app/s2.jsonl"})", u"s2"_s },
        { R"({"transcript_path":"/home/dev/notes.txt"})", QString() },
        { "", QString() },
        { "{\"session_id\":\"s1\"", QString() },
        { "[\"s1\"]", QString() },
        { R"({"session_id":42})", QString() },
        { "null", QString() },
        { QByteArray("\xff\xfe\0garbage", 10), QString() },
        { QByteArray(3000, '\x07'), QString() },
    };
    for (const auto& [input, session] : cases) {
        EXPECT_EQ(Statusline::sessionId(Statusline::request(input)), session) << input.constData();
        const QByteArray out = statusline(logs, input);
        SCOPED_TRACE(out.constData());
        EXPECT_TRUE(out.count('\n') == 1 && out.endsWith('\n') && out.contains("오늘 "));
        EXPECT_EQ(out.contains("세션 "), !session.isEmpty());
    }
    // The line reads in the language of the application's settings.
    const std::string settings = logs.home.write(".config/Pacemark/pacemark.conf", "[General]\nlanguage=en\n");
    const QByteArray english = statusline(logs, claudeInput("s1", "/home/dev/.claude/projects/-home-dev-app/s1.jsonl"));
    EXPECT_TRUE(english.contains(" · today ") && english.contains(" · session ")) << english.constData();
    QFile::remove(QString::fromStdString(settings));
    QFile::remove(logs.cache());

    qputenv("XDG_RUNTIME_DIR", logs.runtime.toUtf8());

    const Usage refreshed;
    const UsageDataManager& usage = refreshed.usage;
    ClaudeQuota quota;
    quota.limits
        = { quotaLimit(ClaudeQuota::Limit::Kind::session, u"5시간"_s, 42.4, Clock::now() + 2h + 5min + 30s, true) };
    {
        SingleInstance instance;
        ASSERT_TRUE(instance.start());
        instance.setRequestHandler(QString(Statusline::RequestKind), [&](const QJsonObject& request) {
            return Statusline::answer(usage, quota, request);
        });

        const QByteArray out = statusline(logs, claudeInput("s2", ""));
        const StatuslineFigures expected
            = StatuslineFigures::of(*usage.snapshot(), u"s2"_s, quota, *PriceTable::current());
        EXPECT_EQ(QString::fromUtf8(out), expected.toLine(Clock::now()) + u'\n');
        EXPECT_TRUE(out.contains("5h 42% (2h 5m)")) << out.constData();
        // A model's weekly cap that binds takes the quota's place, also across the socket.
        const auto capped = StatuslineFigures::fromJson(
            StatuslineFigures::of(*usage.snapshot(), u"s2"_s, UsageAnswers::parse(UsageAnswers::BindingScopedCap),
                                  *PriceTable::current())
                .toJson());
        ASSERT_TRUE(capped);
        EXPECT_TRUE(
            capped->toLine(*TimestampParser::parse("2026-08-14T20:00:00Z")).endsWith(u" · Fable 74% (4d 9h)"_s));
        EXPECT_FALSE(QFile::exists(logs.cache())) << "the logs were read although the application answered";

        QLocalSocket earlier;
        earlier.connectToServer(InstanceSocket::path());
        ASSERT_TRUE(earlier.waitForConnected(2000));
        QSignalSpy activated(&instance, &SingleInstance::activationRequested);
        earlier.write("activate\n");
        EXPECT_TRUE(waitUntil([&] { return !activated.isEmpty(); }));
    }

    QLocalServer silent;
    QLocalServer::removeServer(InstanceSocket::path());
    ASSERT_TRUE(silent.listen(InstanceSocket::path()));
    EXPECT_EQ(QString::fromUtf8(statusline(logs, claudeInput("s2", ""))), fresh(u"s2"_s).toLine(Clock::now()) + u'\n');
    qunsetenv("XDG_RUNTIME_DIR");
}

// Without the application: the logs through the cache, which follows grown and new logs and is
// rebuilt when it cannot be used.
TEST(Statusline, CacheFollowsTheLogs)
{
    Logs logs;
    const auto folders = ClaudePaths::projectsPaths();

    expectSame(Statusline::fromLogs(u"s1"_s, logs.cache()), fresh(u"s1"_s));
    const auto cached = LogCache::load(logs.cache());
    ASSERT_TRUE(cached && cached->size() == 1u && cached->front().files.size() == 2u);
    EXPECT_EQ(
        LogCache::restore(*cached,
                          { std::make_shared<ClaudeCodeProvider>(std::vector<std::string> { "/elsewhere/projects" }) }),
        0u)
        << "a cache made for other folders is not used";

    logs.home.append(logs.folder + "s1.jsonl",
                     ClaudeLog::assistant("msg_d", ago(20s), { 1, 3000, 0, 0 }, ClaudeLog::Sonnet, "s1"));
    logs.home.write(logs.folder + "s3.jsonl",
                    ClaudeLog::assistant("msg_b", ago(1min), { 10, 2000, 0, 500 }, ClaudeLog::Sonnet, "s1")
                        + ClaudeLog::assistant("msg_e", ago(10s), { 1, 1, 1, 1 }, "claude-haiku-4-5-20251001", "s3"));
    const auto reader = std::make_shared<ClaudeCodeProvider>(folders);
    EXPECT_EQ(LogCache::restore(*cached, { reader }), 2u);
    reader->fetchRecords();
    EXPECT_EQ(reader->lastParsedFileCount(), 2u) << "only the grown and the new log are read";
    EXPECT_EQ(reader->lastAppendReadCount(), 1u);

    const StatuslineFigures grown = Statusline::fromLogs(u"s1"_s, logs.cache());
    expectSame(grown, fresh(u"s1"_s));
    EXPECT_EQ(grown.todayTokens, 4600 + 2510 + 7005 + 3001 + 4);
    ASSERT_TRUE(grown.todayCostUsd && grown.sessionCostUsd);
    EXPECT_GT(*grown.todayCostUsd, *grown.sessionCostUsd);
    EXPECT_GT(*grown.sessionCostUsd, 0.0);

    // A model without a price adds nothing to today's cost, as in the popover; a session of it alone has none.
    logs.home.write(logs.folder + "s4.jsonl",
                    ClaudeLog::assistant("msg_f", ago(5s), { 1, 1, 0, 0 }, "claude-next-9", "s4"));
    const StatuslineFigures unpriced = Statusline::fromLogs(u"s1"_s, logs.cache());
    EXPECT_TRUE(unpriced.todayCostUsd == grown.todayCostUsd && unpriced.sessionCostUsd == grown.sessionCostUsd);
    EXPECT_FALSE(Statusline::fromLogs(u"s4"_s, logs.cache()).sessionCostUsd);

    const QByteArray good = TempDir::contents(logs.cache());
    ASSERT_GT(good.size(), 16);
    QByteArray otherVersion = good;
    otherVersion[16] = static_cast<char>(LogCache::Version + 1);
    QByteArray flipped = good;
    flipped[flipped.size() - 9] = static_cast<char>(flipped[flipped.size() - 9] ^ 1);
    for (const QByteArray& damaged : { QByteArray("not a cache"), good.left(good.size() / 2), otherVersion, flipped }) {
        logs.home.write("cache/pacemark/logs.cache", damaged.toStdString());
        EXPECT_FALSE(LogCache::load(logs.cache()));
        expectSame(Statusline::fromLogs(u"s1"_s, logs.cache()), fresh(u"s1"_s));
        EXPECT_TRUE(LogCache::load(logs.cache())) << "the cache was not rebuilt";
    }
}

}

// Codex CLI and Gemini CLI count as they do in the popover, each source keeps its part of the cache,
// and a source switched off in the settings is left out.
TEST(Statusline, EverySourceCountsAndIsCached)
{
    Logs logs;
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(logs.home.path()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(logs.home.path("config")));
    qunsetenv("CODEX_HOME");
    qunsetenv("GEMINI_CLI_HOME");
    const std::string rollout = ".codex/sessions/2026/01/01/rollout-2026-01-01T10-00-00-a.jsonl";
    logs.home.write(
        rollout,
        R"({"timestamp":")" + ago(5min) + R"(","type":"turn_context","payload":{"model":"gpt-5"}})" + "\n"
            + R"({"timestamp":")" + ago(4min)
            + R"(","type":"event_msg","payload":{"type":"token_count","info":{"last_token_usage":)"
            + R"({"input_tokens":900,"cached_input_tokens":400,"output_tokens":100,"total_tokens":1000}},)"
            + R"("rate_limits":{"primary":{"used_percent":41.5,"window_minutes":300,"resets_at":1757500000},)"
            + R"("plan_type":"pro","credits":{"has_credits":true,"unlimited":false,"balance":"1.50"}}}})" + "\n");
    logs.home.write(".gemini/tmp/app/chats/session-g.jsonl",
                    R"({"sessionId":"g","projectHash":"h"})"
                    "\n"
                    R"({"id":"m1","timestamp":")"
                        + ago(3min)
                        + R"(","type":"gemini","model":"gemini-2.5-pro","tokens":{"input":70,"output":20,"cached":0,)"
                        + R"("thoughts":10,"tool":0,"total":100}})" + "\n");
    const qint64 claude = fresh(u"s1"_s).todayTokens;
    EXPECT_EQ(Statusline::fromLogs(u"s1"_s, logs.cache()).todayTokens, claude + 1000 + 100);

    const auto cached = LogCache::load(logs.cache());
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->size(), 3u);
    const auto codex = std::make_shared<CodexProvider>(AgentPaths::codexHomes());
    const auto gemini = std::make_shared<GeminiProvider>(AgentPaths::geminiHome());
    EXPECT_EQ(LogCache::restore(*cached, { codex, gemini }), 2u);
    EXPECT_EQ(codex->fetchRecords().size() + gemini->fetchRecords().size(), 2u);
    EXPECT_EQ(codex->lastParsedFileCount() + gemini->lastParsedFileCount(), 0u) << "read again though cached";
    const auto reread = std::make_shared<CodexProvider>(AgentPaths::codexHomes());
    reread->fetchRecords();
    EXPECT_TRUE(codex->rateLimits() && codex->rateLimits() == reread->rateLimits());

    ProviderManager settings(ClaudePaths::projectsPaths());
    settings.registerOtherAgents();
    AppSettings defaults;
    settings.useSettings(&defaults);
    settings.setEnabled(u"codex"_s, false);
    EXPECT_EQ(Statusline::fromLogs(u"s1"_s, logs.cache()).todayTokens, claude + 100);
    settings.setEnabled(u"codex"_s, true);
    qputenv("HOME", home);
    qunsetenv("XDG_CONFIG_HOME");
}

// Without the application, a call that finds nothing changed answers from the basis the last read of
// the logs left, with the figures that read would give; anything the basis was made of that changed
// sends the call back to the logs.
TEST(Statusline, TheBasisAnswersUntilWhatItWasMadeOfChanges)
{
    Logs logs;
    const std::string s1 = logs.home.path(logs.folder + "s1.jsonl");
    const std::string old = logs.home.write(
        logs.folder + "old.jsonl", ClaudeLog::assistant("msg_o", ago(72h), { 1, 1, 0, 0 }, ClaudeLog::Opus, "old"));
    TempDir::setModified(
        old, std::chrono::duration_cast<std::chrono::seconds>((Clock::now() - 72h).time_since_epoch()).count());
    const QString basis = StatuslineBasis::pathBeside(logs.cache());
    const QByteArray first = statusline(logs, claudeInput("s1", s1));
    const auto written = FileStamp::read(basis.toStdString());
    ASSERT_TRUE(written);
    EXPECT_EQ(statusline(logs, claudeInput("s1", s1)), first);
    EXPECT_EQ(FileStamp::read(basis.toStdString()), written) << "the second call read the logs";

    ManualClock clock(Clock::now());
    Clock::install(&clock);
    const auto read = [&](const QString& session) { return Statusline::fromLogs(session, logs.cache()); };
    const auto quick = [&](const QString& session, const std::string& transcript) {
        return Statusline::fromBasis(session, transcript, logs.cache());
    };
    read(u"s1"_s);
    clock.advance(40s);
    const auto later = quick(u"s1"_s, s1);
    ASSERT_TRUE(later);
    expectSame(*later, read(u"s1"_s));
    const auto fresh = quick(u"new"_s, logs.home.path(logs.folder + "new.jsonl"));
    ASSERT_TRUE(fresh) << "a session without a log yet has spent nothing";
    EXPECT_EQ(fresh->sessionTokens, 0);
    EXPECT_FALSE(quick(u"old"_s, old)) << "a session the basis does not know may have older records";

    const std::pair<const char*, std::function<void()>> changes[] = {
        { "a recent log grew",
          [&] {
              logs.home.append(logs.folder + "s1.jsonl", ClaudeLog::assistant("msg_g", ago(1s), { 1, 2, 0, 0 }));
          } },
        { "a log came",
          [&] {
              logs.home.write(logs.folder + "s9.jsonl", ClaudeLog::assistant("msg_n", ago(1s), { 1, 2, 0, 0 }));
          } },
        { "a log went", [&] { std::filesystem::remove(logs.home.path(logs.folder + "s9.jsonl")); } },
        { "a project came", [&] { logs.home.mkdir(".claude/projects/-home-dev-other"); } },
        { "the log of the session, idle for days, grew",
          [&] {
              logs.home.append(logs.folder + "old.jsonl",
                               ClaudeLog::assistant("msg_p", ago(1s), { 1, 2, 0, 0 }, ClaudeLog::Opus, "old"));
          } },
        { "the zone changed", [&] { qputenv("TZ", "Asia/Seoul"); } },
        { "a minute passed", [&] { clock.advance(61s); } },
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        clock.advance(1s);
        change();
        EXPECT_FALSE(quick(u"s1"_s, old));
        const StatuslineFigures figures = read(u"s1"_s);
        const auto again = quick(u"s1"_s, old);
        ASSERT_TRUE(again);
        expectSame(*again, figures);
    }
    qputenv("TZ", "UTC");
    Clock::install(nullptr);
}

// What stands at the cache's path may be anything: whatever is not a plausible cache of ours is passed
// over, never read without end, blocked on or written through, and a cache of ours takes its place.
TEST(Statusline, ACacheThatIsNotOursIsPassedOverAndReplaced)
{
    Logs logs;
    const auto folders = ClaudePaths::projectsPaths();
    const QString cache = logs.cache();
    const QString basis = StatuslineBasis::pathBeside(cache);
    QByteArray path;
    const QByteArray expected = (fresh(u"s1"_s).toLine(Clock::now()) + u'\n').toUtf8();

    const QString elsewhere = QString::fromStdString(logs.home.path("elsewhere/logs.cache"));
    QString error;
    ASSERT_TRUE(LogCache::save(elsewhere, {}, &error));
    const QByteArray elsewherePath = QFile::encodeName(elsewhere);
    const std::pair<const char*, std::function<void()>> plants[] = {
        { "a FIFO", [&] { ASSERT_EQ(::mkfifo(path.constData(), 0600), 0); } },
        { "a link to /dev/zero", [&] { ASSERT_EQ(::symlink("/dev/zero", path.constData()), 0); } },
        { "a link to a cache elsewhere",
          [&] { ASSERT_EQ(::symlink(elsewherePath.constData(), path.constData()), 0); } },
        { "a file past the size cap",
          [&] {
              ASSERT_TRUE(QFile(QFile::decodeName(path)).open(QIODevice::WriteOnly));
              ASSERT_EQ(::truncate(path.constData(), LogCache::MaxBytes + 1), 0);
          } },
    };
    // The basis beside the cache is ours as well.
    for (const QString& planted : { cache, basis }) {
        path = QFile::encodeName(planted);
        for (const auto& [what, plant] : plants) {
            SCOPED_TRACE(std::string(what) + " at " + path.toStdString());
            QDir().mkpath(QFileInfo(cache).absolutePath());
            QFile::remove(cache);
            QFile::remove(basis);
            plant();
            EXPECT_FALSE(LogCache::load(cache));
            EXPECT_FALSE(StatuslineBasis::load(basis));
            EXPECT_EQ(statusline(logs, claudeInput("s1", "")), expected);
            EXPECT_FALSE(QFileInfo(planted).isSymLink());
            EXPECT_TRUE(LogCache::load(cache)) << "the cache was not replaced by one of ours";
            EXPECT_TRUE(StatuslineBasis::load(basis)) << "the basis was not replaced by one of ours";
        }
    }
    const auto untouched = LogCache::load(elsewhere);
    EXPECT_TRUE(untouched && untouched->empty()) << "written through the link";

    // Checksums only say the file is as written: states no reader makes are doubted as well.
    const std::string log = logs.home.path(logs.folder + "s1.jsonl");
    const auto stamp = *FileStamp::read(log);
    UsageRecord farFuture;
    farFuture.messageId = MessageId("m");
    farFuture.timestamp = Instant(std::chrono::milliseconds(INT64_MAX));
    // Where a read stopped, and the pieces before it: the log reader's own part of a state.
    const auto readTo = [](std::int64_t end, std::vector<std::int64_t> pieces) {
        BinaryWriter extra;
        extra.put(end);
        extra.put(static_cast<quint32>(pieces.size()));
        for (const auto piece : pieces) {
            extra.put(piece);
            extra.put(std::uint64_t(0));
        }
        return extra.bytes.toStdString();
    };
    const SourceFileState doubtful[] = {
        { "/etc/passwd", stamp, {}, readTo(-1, {}) },
        { log, stamp, {}, readTo(stamp.size + 1, { stamp.size + 1 }) },
        { log, stamp, {}, readTo(10, { 20, 10 }) },
        { log, stamp, {}, "not the reader's" },
        { log, { stamp.modifiedNs, -5, stamp.device, stamp.inode }, {}, readTo(-1, {}) },
        { log, stamp, { farFuture }, readTo(-1, {}) },
    };
    for (const auto& state : doubtful) {
        ASSERT_TRUE(LogCache::save(cache, { { "claude-code", folders, { state } } }, &error)) << error.toStdString();
        const auto loaded = LogCache::load(cache);
        EXPECT_TRUE(!loaded || LogCache::restore(*loaded, { std::make_shared<ClaudeCodeProvider>(folders) }) == 0)
            << state.path << " " << state.extra.size();
    }
}

// A log that cannot be read in time (a sparse file of 200 GB through a link, all of it one line): the
// line still comes, with the figures of the last read, and the process ends.
TEST(Statusline, ALogTooLargeToReadInTimeGivesTheLastFiguresAtTheDeadline)
{
    Logs logs;
    EXPECT_EQ(Statusline::lastFigures(logs.cache(), u"s1"_s), u"\u23F3 로그를 읽는 중"_s);
    const QByteArray first = statusline(logs, claudeInput("s1", ""));

    const std::string huge = logs.home.write("elsewhere/zeros.jsonl", "");
    ASSERT_EQ(::truncate(huge.c_str(), 200LL << 30), 0);
    std::filesystem::create_symlink(huge, logs.home.path(logs.folder + "zeros.jsonl"));
    EXPECT_EQ(statusline(logs, claudeInput("s1", "")), first);
    EXPECT_FALSE(statusline(logs, claudeInput("s2", "")).contains("세션")) << "another session's figures were shown";
}
