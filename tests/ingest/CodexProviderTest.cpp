#include <cstdlib>
#include <set>
#include <tuple>

#include <gtest/gtest.h>
#include <zstd.h>

#include "TempDir.h"
#include "basics/AgentPaths.h"
#include "ingest/CodexProvider.h"
#include "ingest/ProviderManager.h"

using namespace pacemark;

namespace {

using Lines = std::vector<std::string>;

std::string usage(std::int64_t in, std::int64_t cached, std::int64_t out, std::int64_t reasoning = 0)
{
    return R"({"input_tokens":)" + std::to_string(in) + R"(,"cached_input_tokens":)" + std::to_string(cached)
        + R"(,"output_tokens":)" + std::to_string(out) + R"(,"reasoning_output_tokens":)" + std::to_string(reasoning)
        + R"(,"total_tokens":)" + std::to_string(in + out) + "}";
}

std::string at(int second)
{
    return "2025-09-10T10:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second) + ".000Z";
}

// A token_count line: total and last are raw JSON ("" leaves one out).
std::string count(int second, const std::string& total, const std::string& last, const std::string& extra = "")
{
    std::string info;
    if (!total.empty())
        info += R"("total_token_usage":)" + total;
    if (!last.empty())
        info += std::string(info.empty() ? "" : ",") + R"("last_token_usage":)" + last;
    return R"({"timestamp":")" + at(second) + R"(","type":"event_msg","payload":{"type":"token_count","info":{)" + info
        + "}" + extra + "}}";
}

std::string meta(int second, const std::string& id, const std::string& more = "")
{
    return R"({"timestamp":")" + at(second) + R"(","type":"session_meta","payload":{"id":")" + id
        + R"(","cwd":"/home/u/app")" + more + "}}";
}

std::string context(int second, const std::string& model)
{
    return R"({"timestamp":")" + at(second) + R"(","type":"turn_context","payload":{"cwd":"/w","model":")" + model
        + R"("}})";
}

std::string join(const Lines& lines)
{
    std::string text;
    for (const auto& l : lines)
        text += l + "\n";
    return text;
}

std::string compress(const std::string& text)
{
    std::string out(ZSTD_compressBound(text.size()), '\0');
    out.resize(ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 3));
    return out;
}

const std::string Day = "sessions/2025/09/10/";

// model/input/cacheRead/output/session of each record.
std::multiset<std::string> kept(const RecordList& records)
{
    std::multiset<std::string> out;
    records.forEach([&](const UsageRecord& r) {
        out.insert(r.model.str() + "/" + std::to_string(r.inputTokens) + "/" + std::to_string(r.cacheReadTokens) + "/"
                   + std::to_string(r.outputTokens) + "/" + r.sessionId.str());
    });
    return out;
}

using Files = std::vector<std::pair<std::string, std::string>>;

void expectKept(std::initializer_list<std::tuple<const char*, Files, std::multiset<std::string>>> cases)
{
    for (const auto& [name, files, expected] : cases) {
        TempDir home;
        for (const auto& [path, content] : files)
            home.write(path, content);
        EXPECT_EQ(kept(CodexProvider({ home.path() }).fetchRecords()), expected) << name;
    }
}

const std::string Rollout = Day + "rollout-2025-09-10T10-00-00-a.jsonl";

}

TEST(CodexProvider, CountsEachTurnOnce)
{
    expectKept({
        { "a repeated total is skipped; cached tokens leave input, reasoning stays in output",
          { { Rollout,
              join({ meta(0, "s1"), context(1, "gpt-5"), count(2, usage(100, 40, 10, 4), usage(100, 40, 10, 4)),
                     count(3, usage(100, 40, 10, 4), usage(100, 40, 10, 4)),
                     count(4, usage(250, 40, 30), usage(150, 0, 20)) }) } },
          { "gpt-5/60/40/10/s1", "gpt-5/150/0/20/s1" } },
        { "without a turn's usage, the rise of the total; after a fall, the new total",
          { { Rollout,
              join({ meta(0, "s1"), context(1, "gpt-5"), count(2, usage(100, 0, 10), ""),
                     count(3, usage(160, 0, 15), ""), count(4, usage(30, 0, 3), ""),
                     count(5, usage(50, 0, 5), "") }) } },
          { "gpt-5/100/0/10/s1", "gpt-5/60/0/5/s1", "gpt-5/30/0/3/s1", "gpt-5/20/0/2/s1" } },
        { "the latest turn context names the model, then info.model, then codex",
          { { Rollout,
              join(
                  { count(1, "", usage(1, 0, 1)),
                    R"({"timestamp":")" + at(3)
                        + R"(","type":"event_msg","payload":{"type":"token_count","info":{"model":"o3","last_token_usage":)"
                        + usage(3, 0, 1) + "}}}",
                    context(4, "gpt-5-codex"), context(5, "gpt-5.1"), count(6, "", usage(4, 0, 1)) }) } },
          { "codex/1/0/1/rollout-2025-09-10T10-00-00-a", "o3/3/0/1/rollout-2025-09-10T10-00-00-a",
            "gpt-5.1/4/0/1/rollout-2025-09-10T10-00-00-a" } },
        { "broken lines, wrong types and a null info contribute nothing else",
          { { Rollout,
              join(
                  { meta(0, "s1"), "{\"timestamp\":", "[1,2]", count(1, "", R"({"input_tokens":"many"})"),
                    R"({"timestamp":"yesterday","type":"event_msg","payload":{"type":"token_count","info":{"last_token_usage":)"
                        + usage(9, 0, 9) + "}}}",
                    R"({"timestamp":")" + at(2)
                        + R"(","type":"event_msg","payload":{"type":"token_count","info":null}})",
                    count(3, "", usage(5, 9, 1)) }) } },
          { "codex/0/5/1/s1" } },
    });
}

TEST(CodexProvider, ReadsEachRolloutOnceWhereverItIs)
{
    const std::string name = "rollout-2025-09-10T10-00-00-a.jsonl";
    const auto with = [](std::int64_t out) { return join({ meta(0, "s1"), count(1, "", usage(1, 0, out)) }); };
    expectKept({
        { "the sessions copy over the archived one",
          { { Day + name, with(1) }, { "archived_sessions/" + name, with(2) } },
          { "codex/1/0/1/s1" } },
        { "an archived rollout alone counts", { { "archived_sessions/" + name, with(2) } }, { "codex/1/0/2/s1" } },
        { "the plain file over the compressed one",
          { { Day + name, with(1) }, { Day + name + ".zst", compress(with(3)) } },
          { "codex/1/0/1/s1" } },
        { "a compressed rollout alone counts", { { Day + name + ".zst", compress(with(3)) } }, { "codex/1/0/3/s1" } },
        { "a truncated compressed rollout gives the lines before the cut",
          { { Day + name + ".zst",
              [&] {
                  std::string big = meta(0, "s1") + "\n" + count(1, "", usage(1, 0, 7)) + "\n";
                  for (int i = 0; i < 20000; ++i)
                      big += R"({"timestamp":")" + at(2) + R"(","type":"response_item","payload":{"n":)"
                          + std::to_string(i * 7919) + "}}\n";
                  const std::string z = compress(big + count(3, "", usage(1, 0, 9)) + "\n");
                  return z.substr(0, z.size() / 2);
              }() } },
          { "codex/1/0/7/s1" } },
        { "other names and folders are not rollouts",
          { { Day + "notes.jsonl", with(1) }, { "history.jsonl", with(1) } },
          {} },
    });
}

TEST(CodexProvider, CountsTurnsCopiedIntoOtherRolloutsOnce)
{
    const std::string parent
        = join({ meta(0, "p"), context(1, "gpt-5"), count(10, usage(100, 0, 10), usage(100, 0, 10)),
                 count(20, usage(300, 0, 30), usage(200, 0, 20)) });
    // The fork writes the parent's turns again, at its own start, then its own turn.
    const std::string fork
        = join({ meta(40, "f", R"(,"forked_from_id":"p")"), meta(40, "p"), context(40, "gpt-5"),
                 count(40, usage(100, 0, 10), usage(100, 0, 10)), count(41, usage(300, 0, 30), usage(200, 0, 20)),
                 count(50, usage(350, 0, 35), usage(50, 0, 5)) });
    const std::string spawned = join(
        { meta(40, "c", R"(,"source":{"subagent":{"thread_spawn":{"parent_thread_id":"p"}}})"), context(40, "gpt-5"),
          count(40, usage(100, 0, 10), usage(100, 0, 10)), count(45, usage(7, 0, 1), usage(7, 0, 1)) });
    // A branch copies a turn with its own time.
    const std::string branch
        = join({ meta(30, "b"), context(30, "gpt-5"), count(10, usage(100, 0, 10), usage(100, 0, 10)),
                 count(55, usage(160, 0, 16), usage(60, 0, 6)) });
    expectKept({
        { "a fork's copies of its parent's turns",
          { { Day + "rollout-2025-09-10T10-00-00-p.jsonl", parent },
            { Day + "rollout-2025-09-10T10-00-40-f.jsonl", fork } },
          { "gpt-5/100/0/10/p", "gpt-5/200/0/20/p", "gpt-5/50/0/5/f" } },
        { "a sub-agent's copies",
          { { Day + "rollout-2025-09-10T10-00-00-p.jsonl", parent },
            { Day + "rollout-2025-09-10T10-00-40-c.jsonl", spawned } },
          { "gpt-5/100/0/10/p", "gpt-5/200/0/20/p", "gpt-5/7/0/1/c" } },
        { "a fork whose parent is gone counts what it copied",
          { { Day + "rollout-2025-09-10T10-00-40-f.jsonl", fork } },
          { "gpt-5/100/0/10/f", "gpt-5/200/0/20/f", "gpt-5/50/0/5/f" } },
        { "a branch's copy with the same time, model and counts",
          { { Day + "rollout-2025-09-10T10-00-00-p.jsonl", parent },
            { Day + "rollout-2025-09-10T10-00-30-b.jsonl", branch } },
          { "gpt-5/100/0/10/p", "gpt-5/200/0/20/p", "gpt-5/60/0/6/b" } },
    });
}

TEST(CodexProvider, TakesTheNewestRateLimits)
{
    TempDir home;
    const std::string older = R"({"timestamp":")" + at(5)
        + R"(","type":"event_msg","payload":{"type":"token_count","info":null,"rate_limits":{"primary":{"used_percent":90,"window_minutes":300,"resets_at":1757500000}}}})";
    // The weekly window in the first slot, the older relative reset time, and no info.
    const std::string newer = R"({"timestamp":")" + at(9)
        + R"(","type":"event_msg","payload":{"type":"token_count","info":null,"rate_limits":{"primary":{"used_percent":41.5,"window_minutes":10080,"resets_in_seconds":3600},"secondary":{"used_percent":12,"window_minutes":300,"resets_at":1757502000},"plan_type":"pro","credits":{"has_credits":true,"unlimited":false,"balance":"12.50"}}}})";
    home.write(Day + "rollout-2025-09-10T10-00-00-a.jsonl", older + "\n" + newer + "\n");
    home.write("archived_sessions/rollout-2025-09-01T10-00-00-z.jsonl", older + "\n");
    CodexProvider provider({ home.path() });
    EXPECT_FALSE(provider.rateLimits());
    provider.fetchRecords();
    const auto got = provider.rateLimits();
    ASSERT_TRUE(got);
    ASSERT_EQ(got->windows.size(), 2u);
    EXPECT_EQ(got->windows[0].windowMinutes, 300);
    EXPECT_EQ(got->windows[0].usedPercent, 12);
    EXPECT_EQ(got->windows[0].resetsAt, Instant(std::chrono::seconds(1757502000)));
    EXPECT_EQ(got->windows[1].windowMinutes, 10080);
    EXPECT_EQ(got->windows[1].usedPercent, 41.5);
    EXPECT_EQ(got->windows[1].resetsAt, got->observedAt + std::chrono::hours(1));
    EXPECT_EQ(got->planType, QStringLiteral("pro"));
    ASSERT_TRUE(got->credits);
    EXPECT_EQ(got->credits->balance, QStringLiteral("12.50"));
    EXPECT_EQ(InstantFormat::toIsoUtc(got->observedAt), QStringLiteral("2025-09-10T10:00:09Z"));
    EXPECT_EQ(got->age(got->observedAt + std::chrono::minutes(3)), std::chrono::minutes(3));
}

TEST(CodexProvider, ReadsOnlyWhatChangedAndFollowsNewHomes)
{
    TempDir root;
    const std::string homeA = root.path("a"), homeB = root.path("b");
    root.write("a/" + Rollout, join({ meta(0, "s1"), count(1, "", usage(1, 0, 1)) }));
    CodexProvider provider({ homeA, homeB });
    EXPECT_EQ(provider.fetchRecords().size(), 1u);
    EXPECT_EQ(provider.lastParsedFileCount(), 1u);
    EXPECT_EQ(provider.watchDirectories(), std::vector<std::string> { homeA + "/sessions" });

    EXPECT_EQ(provider.fetchRecords().size(), 1u);
    EXPECT_EQ(provider.lastParsedFileCount(), 0u);

    root.append("a/" + Rollout, count(2, "", usage(2, 0, 2)) + "\n");
    root.write("b/archived_sessions/rollout-2025-09-11T10-00-00-b.jsonl",
               join({ meta(0, "s2"), count(1, "", usage(3, 0, 3)) }));
    EXPECT_EQ(provider.fetchRecords().size(), 3u);
    EXPECT_EQ(provider.lastParsedFileCount(), 2u);
    EXPECT_EQ(provider.lastAppendReadCount(), 1u);
    EXPECT_EQ(provider.watchDirectories().size(), 2u);

    // A line still being written counts once it is whole, and once only.
    const std::string next = count(3, "", usage(3, 0, 3));
    root.append("a/" + Rollout, next.substr(0, 20));
    EXPECT_EQ(provider.fetchRecords().size(), 3u);
    root.append("a/" + Rollout, next.substr(20));
    EXPECT_EQ(provider.fetchRecords().size(), 4u);
    root.append("a/" + Rollout, "\n" + count(4, "", usage(4, 0, 4)) + "\n");
    EXPECT_EQ(provider.fetchRecords().size(), 5u);
    root.append("a/" + Rollout, count(5, "", usage(5, 0, 5)) + "\n");
    EXPECT_EQ(provider.fetchRecords().size(), 6u);
    EXPECT_EQ(provider.lastAppendReadCount(), 1u);

    // A file cut short counts what is left.
    root.write("a/" + Rollout, join({ meta(0, "s1") }));
    EXPECT_EQ(provider.fetchRecords().size(), 1u);
}

TEST(CodexProvider, HomesComeFromTheEnvironment)
{
    const QByteArray saved = qgetenv("CODEX_HOME");
    qputenv("CODEX_HOME", " /x/one, ,/x/two/ ");
    EXPECT_EQ(AgentPaths::codexHomes(), (std::vector<std::string> { "/x/one", "/x/two" }));
    qputenv("CODEX_HOME", "");
    EXPECT_EQ(AgentPaths::codexHomes(),
              std::vector<std::string> { qEnvironmentVariable("HOME").toStdString() + "/.codex" });
    qputenv("CODEX_HOME", saved);

    TempDir claude, codex, gemini;
    codex.write(Rollout, join({ meta(0, "s1"), count(1, "", usage(1, 0, 1)) }));
    ProviderManager manager(claude.path());
    manager.registerOtherAgents({ codex.path() }, gemini.path());
    std::vector<QString> available;
    for (const auto& p : manager.enabledProviders())
        available.push_back(p->id());
    EXPECT_EQ(available, (std::vector<QString> { QStringLiteral("claude-code"), QStringLiteral("codex") }));
}
