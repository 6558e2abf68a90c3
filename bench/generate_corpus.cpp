// Writes a realistic Claude Code log tree for benchmarks: mostly user lines carrying large tool
// results, assistant lines whose message id repeats on consecutive lines (one line per content
// block), summaries and the other bookkeeping lines, subagent logs in deeper folders, and a few
// hundred sessions per GiB with a long tail of sizes. Optionally some sessions are resumed: a new
// log that begins with a copy of the first half of an earlier one, as `claude --resume` writes it.
//
// Two options change the shape: --tool-results makes tool results twice as large, so user lines hold
// about four fifths of the bytes, and --ansi gives a third of the user lines terminal colours
// (\u001b escapes), as coloured command output leaves them. Without them the corpus is as it always
// was for a seed. --progress makes one assistant message in eight a sub-agent's, relayed into the
// parent's log as "progress" lines the way Claude Code 2.1 writes them (streamed snapshots, the last
// one final); half of those messages also stand in a sub-agent log beside the parent's.
//
// --small-logs N writes another shape instead: N short sessions of about 2 KB each (a couple of
// messages) over 500 projects and the last 90 days, as years of quick questions leave them, each file
// last modified at its last message; the size arguments are then ignored.
//
// --codex HOME MiB writes Codex CLI rollouts under HOME as well, --gemini HOME N that many Gemini CLI
// chats (see writeCodexHome and writeGeminiHome); a total of 0 MiB then writes no Claude logs.
//
// usage: pacemark_corpus [--tool-results] [--ansi] [--progress] [--small-logs N] [--codex HOME MiB]
//                        [--gemini HOME N] <projects-folder> <total-MiB> [seed] [largest-file-MiB] [resumed-sessions]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include <zstd.h>

namespace {

constexpr const char* Now = "2026-12-06T12:00:00";
// All four are in the built-in price table (claude-3-5-haiku under its Bedrock name).
const char* const Models[] = { "claude-opus-4-1-20250805", "claude-sonnet-4-5-20250929", "claude-3-5-haiku-20241022",
                               "claude-opus-4-5-20251101" };

class Generator
{
public:
    explicit Generator(unsigned seed)
        : m_rng(seed)
    { }

    double toolResultMean = 6000;
    bool ansi = false;
    bool progress = false;
    // Assistant lines of relayed messages that their sub-agent's own log carries too.
    std::string relayedCopies;

    std::string uuid()
    {
        static const char* hex = "0123456789abcdef";
        std::string s(36, '-');
        for (int i = 0; i < 36; ++i)
            if (i != 8 && i != 13 && i != 18 && i != 23)
                s[static_cast<std::size_t>(i)] = hex[pick(16)];
        return s;
    }

    std::string messageId()
    {
        static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::string s = "msg_01";
        for (int i = 0; i < 22; ++i)
            s += alphabet[pick(62)];
        return s;
    }

    // Source-code-like text as it appears inside a JSON string: escaped newlines, quotes, tabs and
    // now and then a terminal colour escape.
    std::string codeText(std::size_t bytes, bool coloured = false)
    {
        static const char* words[] = { "const",
                                       "auto",
                                       "return",
                                       "if",
                                       "for",
                                       "while",
                                       "std::vector<int>",
                                       "value",
                                       "result",
                                       "index",
                                       "buffer",
                                       "=",
                                       "+=",
                                       "{",
                                       "}",
                                       "(",
                                       ")",
                                       ";",
                                       "0",
                                       "42",
                                       "name",
                                       "\\\"text\\\"",
                                       "nullptr",
                                       "->",
                                       "::",
                                       "template",
                                       "class" };
        std::string s;
        s.reserve(bytes + 32);
        while (s.size() < bytes) {
            const auto r = pick(100);
            if (r < 8)
                s += "\\n";
            else if (r < 10)
                s += "\\t";
            else if (r == 10 && pick(20) == 0)
                s += "\\u001b[32m";
            if (coloured && r >= 90)
                s += r >= 95 ? "\\u001b[0m" : "\\u001b[1;3" + std::to_string(r - 90) + 'm';
            s += words[pick(std::size(words))];
            s += ' ';
        }
        return s;
    }

    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }
    double uniform() { return std::uniform_real_distribution<double>(0, 1)(m_rng); }
    std::mt19937_64& rng() { return m_rng; }

private:
    std::mt19937_64 m_rng;
};

// A fixed calendar: 2026-12-06T12:00:00Z minus the offset.
constexpr long long Base = 1796558400;

std::string timestamp(long long secondsBeforeNow)
{
    const long long base = Base;
    const time_t t = static_cast<time_t>(base - secondsBeforeNow);
    std::tm tm {};
    gmtime_r(&t, &tm);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(secondsBeforeNow % 1000));
    return buf;
}

// Writes one session log: the lines `copied` from an earlier session, then about `bytes` bytes of
// new events ending `endAgo` seconds before now. Returns the bytes of the new events.
std::size_t writeSession(Generator& g, const std::filesystem::path& file, std::size_t bytes, long long endAgo,
                         const std::string& copied = {})
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << copied;
    const std::string session = g.uuid();
    // Sixteen projects, told by the session's first letter (no draw of its own).
    const std::string cwd = "/home/dev/project-" + session.substr(0, 1);
    const char* model = Models[g.pick(std::size(Models))];
    long long ago = endAgo + static_cast<long long>(bytes / 2000); // about one event per 2 KB
    std::size_t written = 0;
    std::string parent = g.uuid();
    auto common = [&](const std::string& uuid) {
        return "\"parentUuid\":\"" + parent + "\",\"isSidechain\":false,\"userType\":\"external\",\"cwd\":\"" + cwd
            + "\",\"sessionId\":\"" + session + "\",\"version\":\"2.0.30\",\"gitBranch\":\"main\",\"uuid\":\"" + uuid
            + "\",\"timestamp\":\"" + timestamp(ago) + "\"";
    };
    auto emit = [&](const std::string& line) {
        out << line << '\n';
        written += line.size() + 1;
    };

    emit("{\"type\":\"summary\",\"summary\":\"Refactor the parser\",\"leafUuid\":\"" + g.uuid() + "\"}");
    while (written < bytes) {
        ago = std::max<long long>(endAgo, ago - 1 - static_cast<long long>(g.pick(4)));
        const auto kind = g.pick(100);
        const std::string uuid = g.uuid();
        if (g.progress && kind >= 80 && kind < 85) {
            // A sub-agent's message, relayed while it streams: early snapshots have no stop reason and
            // part of the output.
            const std::string id = g.messageId(), requestId = "req_" + g.messageId().substr(4);
            const std::string agent = g.uuid().substr(0, 7), at = timestamp(ago + 1);
            const long long write = static_cast<long long>(g.pick(30000)),
                            output = 1 + static_cast<long long>(g.pick(800));
            const auto message = [&](long long outputSoFar, bool last) {
                return "{\"id\":\"" + id
                    + "\",\"type\":\"message\",\"role\":\"assistant\",\"model\":\"claude-haiku-4-5-20251001\","
                      "\"content\":[{\"type\":\"text\",\"text\":\""
                    + g.codeText(200) + "\"}],\"stop_reason\":" + (last ? "\"end_turn\"" : "null")
                    + ",\"usage\":{\"input_tokens\":3,\"cache_creation_input_tokens\":" + std::to_string(write)
                    + ",\"cache_read_input_tokens\":12000,\"output_tokens\":" + std::to_string(outputSoFar) + "}}";
            };
            const std::size_t snapshots = 1 + g.pick(3);
            for (std::size_t n = 1; n <= snapshots; ++n)
                emit("{" + common(g.uuid())
                     + ",\"type\":\"progress\",\"data\":{\"type\":\"agent_progress\",\"agentId\":\"" + agent
                     + "\",\"prompt\":\"\",\"message\":{\"type\":\"assistant\",\"timestamp\":\"" + at
                     + "\",\"requestId\":\"" + requestId + "\",\"message\":"
                     + message(output * static_cast<long long>(n) / static_cast<long long>(snapshots), n == snapshots)
                     + ",\"uuid\":\"" + g.uuid() + "\"},\"normalizedMessages\":[]},\"toolUseID\":\"toolu_01\"}");
            if (g.pick(2))
                g.relayedCopies += "{\"parentUuid\":null,\"isSidechain\":true,\"agentId\":\"" + agent + "\",\"cwd\":\""
                    + cwd + "\",\"sessionId\":\"" + session
                    + "\",\"version\":\"2.1.22\",\"type\":\"assistant\",\"timestamp\":\"" + at + "\",\"requestId\":\""
                    + requestId + "\",\"message\":" + message(output, true) + ",\"uuid\":\"" + g.uuid() + "\"}\n";
        } else if (kind < 45) {
            // A tool result: the bulk of the bytes.
            const std::size_t size = 500
                + static_cast<std::size_t>(std::exponential_distribution<double>(1.0 / g.toolResultMean)(g.rng()));
            const bool coloured = g.ansi && g.pick(3) == 0;
            emit("{" + common(uuid)
                 + ",\"type\":\"user\",\"message\":{\"role\":\"user\",\"content\":[{\"tool_use_id\":\"toolu_"
                 + g.messageId().substr(4) + "\",\"type\":\"tool_result\",\"content\":\"" + g.codeText(size, coloured)
                 + "\"}]},\"toolUseResult\":{\"stdout\":\"" + g.codeText(size / 4, coloured)
                 + "\",\"stderr\":\"\",\"interrupted\":false}}");
        } else if (kind < 85) {
            // One assistant message written as one line per content block, usage repeated.
            const std::string id = g.messageId();
            std::string requestId;
            long long input = static_cast<long long>(g.pick(20));
            const long long output = 20 + static_cast<long long>(g.pick(2000));
            const long long write = static_cast<long long>(g.pick(5000));
            long long read = 10000 + static_cast<long long>(g.pick(90000));
            // Derived from the draws rather than drawn, so the random stream stays as it was: about
            // one message in 25 has a long context (its input or its cache reads past 200k tokens,
            // where dearer prices apply), and one in 5 writes part of its cache for an hour.
            if (output % 25 == 0) {
                input += 190'000 + 1'000 * (read % 20);
                read += 150'000;
            }
            const long long hour = write % 5 == 0 ? write / 2 : 0;
            const std::size_t blocks = 1 + g.pick(3);
            for (std::size_t b = 0; b < blocks; ++b) {
                // Every line of a message names its request; one draw per line keeps the random
                // stream, and so earlier corpora, as they were.
                const std::string drawn = "req_" + g.messageId().substr(4);
                if (b == 0)
                    requestId = drawn;
                const std::string content = b == 0 && g.pick(2)
                    ? "{\"type\":\"text\",\"text\":\"" + g.codeText(100 + g.pick(600)) + "\"}"
                    : "{\"type\":\"tool_use\",\"id\":\"toolu_" + g.messageId().substr(4)
                        + "\",\"name\":\"Edit\",\"input\":{\"file_path\":\"/home/dev/project/src/"
                          "main.cpp\",\"old_string\":\""
                        + g.codeText(200 + g.pick(1500)) + "\",\"new_string\":\"" + g.codeText(200 + g.pick(1500))
                        + "\"}}";
                emit("{" + common(g.uuid()) + ",\"message\":{\"model\":\"" + model + "\",\"id\":\"" + id
                     + "\",\"type\":\"message\",\"role\":\"assistant\",\"content\":[" + content
                     + "],\"stop_reason\":null,\"stop_sequence\":null,\"usage\":{\"input_tokens\":"
                     + std::to_string(input) + ",\"cache_creation_input_tokens\":" + std::to_string(write)
                     + ",\"cache_read_input_tokens\":" + std::to_string(read)
                     + ",\"cache_creation\":{\"ephemeral_5m_input_tokens\":" + std::to_string(write - hour)
                     + ",\"ephemeral_1h_input_tokens\":" + std::to_string(hour)
                     + "},\"output_tokens\":" + std::to_string(output)
                     + ",\"service_tier\":\"standard\"}},\"requestId\":\"" + requestId + "\",\"type\":\"assistant\"}");
            }
        } else if (kind < 92) {
            const std::size_t size = 40 + g.pick(400);
            const bool coloured = g.ansi && g.pick(3) == 0;
            emit("{" + common(uuid) + ",\"type\":\"user\",\"message\":{\"role\":\"user\",\"content\":\""
                 + g.codeText(size, coloured) + "\"}}");
        } else if (kind < 95) {
            emit("{" + common(uuid)
                 + ",\"type\":\"system\",\"subtype\":\"local_command\",\"content\":\"ok\",\"level\":\"info\"}");
        } else if (kind < 97) {
            emit("{\"type\":\"file-history-snapshot\",\"messageId\":\"" + uuid + "\",\"snapshot\":{\"messageId\":\""
                 + uuid + "\",\"trackedFileBackups\":{},\"timestamp\":\"" + timestamp(ago)
                 + "\"},\"isSnapshotUpdate\":false}");
        } else if (kind < 99) {
            emit("{\"type\":\"queue-operation\",\"operation\":\"enqueue\",\"timestamp\":\"" + timestamp(ago)
                 + "\",\"sessionId\":\"" + session + "\",\"content\":\"" + g.codeText(60) + "\"}");
        } else {
            emit("{" + common(uuid)
                 + ",\"type\":\"progress\",\"data\":{\"type\":\"hook_progress\",\"hookEvent\":\"PostToolUse\"}}");
        }
        parent = uuid;
    }
    return written;
}

// The time msBeforeNow milliseconds before the corpus's now, as Codex and Gemini write it.
std::string stampMs(long long msBeforeNow)
{
    const long long ms = 1796558400000LL - msBeforeNow;
    const time_t t = static_cast<time_t>(ms / 1000);
    std::tm tm {};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return buf;
}

struct CodexUsage
{
    long long input = 0, cached = 0, output = 0, reasoning = 0;

    std::string json() const
    {
        return "{\"input_tokens\":" + std::to_string(input) + ",\"cached_input_tokens\":" + std::to_string(cached)
            + ",\"output_tokens\":" + std::to_string(output) + ",\"reasoning_output_tokens\":"
            + std::to_string(reasoning) + ",\"total_tokens\":" + std::to_string(input + output) + "}";
    }
};

// Writes Codex CLI rollouts of about `bytes` in all under home: mostly large response_item lines
// (reasoning, tool calls and their output), a token_count after each turn that is repeated about half
// the time (a rate-limit refresh), a compaction now and then that restarts the running total, some
// rollouts of an older build without last_token_usage, forks that begin by copying their parent's
// turns, archived rollouts and a few compressed with zstd. Returns the bytes written.
std::size_t writeCodexHome(Generator& g, const std::filesystem::path& home, std::size_t bytes)
{
    static const char* const models[] = { "gpt-5-codex", "gpt-5.1-codex-max", "gpt-5", "gpt-5.2-codex" };
    std::size_t written = 0;
    std::vector<std::string> previous; // the last rollout's turn lines, for a fork
    for (int n = 0; written < bytes; ++n) {
        const long long startAgo = static_cast<long long>(g.uniform() * 30 * 86400) * 1000 + 3'600'000;
        const std::string start = stampMs(startAgo);
        const std::string id = g.uuid();
        const std::string name = "rollout-" + start.substr(0, 10) + "T" + start.substr(11, 2) + "-"
            + start.substr(14, 2) + "-" + start.substr(17, 2) + "-" + id + ".jsonl";
        const bool fork = !previous.empty() && g.pick(12) == 0;
        const bool oldBuild = g.pick(10) == 0;
        const std::string model = models[g.pick(std::size(models))];
        std::string text = "{\"timestamp\":\"" + start + "\",\"type\":\"session_meta\",\"payload\":{\"id\":\"" + id
            + "\",\"timestamp\":\"" + start + "\",\"cwd\":\"/home/dev/project-" + std::to_string(g.pick(12)) + "\""
            + (fork ? ",\"forked_from_id\":\"parent\"" : "")
            + ",\"originator\":\"codex_cli_rs\",\"cli_version\":\"0.63.0\"," + "\"instructions\":\"" + g.codeText(6000)
            + "\"}}\n";
        // A fork copies its parent's turns within its first second.
        if (fork)
            for (const auto& line : previous) {
                const auto rest = line.find("\",\"type\"");
                text += "{\"timestamp\":\"" + stampMs(startAgo - static_cast<long long>(g.pick(900)))
                    + line.substr(rest) + "\n";
            }
        std::vector<std::string> turnLines;
        const std::size_t size = std::min<std::size_t>(
            bytes - written,
            static_cast<std::size_t>(std::lognormal_distribution<double>(0.3, 1.0)(g.rng()) * (1 << 20)));
        CodexUsage total;
        long long at = startAgo - 2000;
        while (text.size() < size) {
            const auto stamp
                = [&] { return "{\"timestamp\":\"" + stampMs(at -= 1 + static_cast<long long>(g.pick(4000))) + "\""; };
            text += stamp()
                + ",\"type\":\"turn_context\",\"payload\":{\"cwd\":\"/home/"
                  "dev\",\"approval_policy\":\"on-request\",\"model\":\""
                + model + "\",\"effort\":\"medium\"}}\n";
            text += stamp()
                + ",\"type\":\"response_item\",\"payload\":{\"type\":\"message\",\"role\":\"user\",\"content\":[{"
                  "\"type\":\"input_text\",\"text\":\""
                + g.codeText(200 + g.pick(2000)) + "\"}]}}\n";
            for (std::size_t c = 0, calls = 1 + g.pick(6); c < calls; ++c) {
                text += stamp()
                    + ",\"type\":\"response_item\",\"payload\":{\"type\":\"reasoning\",\"summary\":[],\"encrypted_"
                      "content\":\""
                    + std::string(1000 + g.pick(6000), 'Q') + "\"}}\n";
                text += stamp()
                    + ",\"type\":\"response_item\",\"payload\":{\"type\":\"function_call\",\"name\":\"shell\","
                      "\"arguments\":\"{\\\"command\\\":[\\\"bash\\\",\\\"-lc\\\",\\\"rg "
                      "value\\\"]}\",\"call_id\":\"call_"
                    + std::to_string(g.pick(1u << 30)) + "\"}}\n";
                text += stamp()
                    + ",\"type\":\"response_item\",\"payload\":{\"type\":\"function_call_output\",\"call_id\":\"call_"
                      "1\",\"output\":\""
                    + g.codeText(static_cast<std::size_t>(std::lognormal_distribution<double>(8.5, 1.0)(g.rng())))
                    + "\"}}\n";
            }
            text += stamp() + ",\"type\":\"event_msg\",\"payload\":{\"type\":\"agent_message\",\"message\":\""
                + g.codeText(300) + "\"}}\n";
            if (g.pick(40) == 0) {
                // A compaction: the running total starts again.
                text += stamp() + ",\"type\":\"compacted\",\"payload\":{\"message\":\"" + g.codeText(20000) + "\"}}\n";
                total = {};
            }
            CodexUsage last { 8000 + static_cast<long long>(g.pick(60000)), 0,
                              200 + static_cast<long long>(g.pick(4000)), 0 };
            last.cached = last.input * static_cast<long long>(g.pick(90)) / 100;
            last.reasoning = last.output * static_cast<long long>(g.pick(60)) / 100;
            total.input += last.input;
            total.cached += last.cached;
            total.output += last.output;
            total.reasoning += last.reasoning;
            const std::string limits = ",\"rate_limits\":{\"primary\":{\"used_percent\":" + std::to_string(g.pick(100))
                + ",\"window_minutes\":300,\"resets_at\":1796570000},\"secondary\":{\"used_percent\":"
                + std::to_string(g.pick(100))
                + ",\"window_minutes\":10080,\"resets_at\":1797000000},\"plan_type\":\"plus\"}";
            const std::string info = "{\"total_token_usage\":" + total.json()
                + (oldBuild ? "" : ",\"last_token_usage\":" + last.json()) + ",\"model_context_window\":272000}";
            const std::string count
                = ",\"type\":\"event_msg\",\"payload\":{\"type\":\"token_count\",\"info\":" + info + limits + "}}\n";
            text += stamp() + count;
            const auto lineStart = text.rfind("{\"timestamp\"");
            turnLines.push_back(text.substr(lineStart, text.size() - lineStart - 1));
            if (g.pick(2) == 0)
                text += stamp() + count;
        }
        std::filesystem::path file;
        if (g.pick(10) == 0)
            file = home / "archived_sessions" / name;
        else
            file = home / "sessions" / start.substr(0, 4) / start.substr(5, 2) / start.substr(8, 2) / name;
        std::filesystem::create_directories(file.parent_path());
        if (g.pick(25) == 0) {
            std::string packed(ZSTD_compressBound(text.size()), '\0');
            packed.resize(ZSTD_compress(packed.data(), packed.size(), text.data(), text.size(), 3));
            std::ofstream(file.string() + ".zst", std::ios::binary) << packed;
        } else {
            std::ofstream(file, std::ios::binary) << text;
        }
        written += text.size();
        previous.assign(turnLines.begin(),
                        turnLines.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(turnLines.size(), 3)));
    }
    return written;
}

// Writes Gemini CLI chats under home/tmp/<project>/chats: whole-file .json chats and .jsonl chats with
// messages written again once their tokens arrive, checkpoints ("$set") and rewinds, and sub-agents'
// chats. Returns the number of chats.
std::size_t writeGeminiHome(Generator& g, const std::filesystem::path& home, std::size_t chats)
{
    static const char* const models[] = { "gemini-2.5-pro", "gemini-2.5-flash", "gemini-3-pro-preview" };
    for (std::size_t n = 0; n < chats; ++n) {
        const auto folder = home / "tmp" / ("project-" + std::to_string(g.pick(6))) / "chats";
        std::filesystem::create_directories(folder);
        const std::string session = g.uuid();
        long long at = static_cast<long long>(g.uniform() * 30 * 86400) * 1000 + 3'600'000;
        std::vector<std::string> messages, lines;
        for (std::size_t m = 0, count = 2 + g.pick(30); m < count; ++m) {
            const std::string id = g.uuid();
            const std::string stamp = stampMs(at -= 1000 + static_cast<long long>(g.pick(60000)));
            messages.push_back("{\"id\":\"" + g.uuid() + "\",\"timestamp\":\"" + stamp
                               + "\",\"type\":\"user\",\"content\":[{\"text\":\"" + g.codeText(300) + "\"}]}");
            lines.push_back(messages.back());
            const long long input = 2000 + static_cast<long long>(g.pick(40000)),
                            cached = input * static_cast<long long>(g.pick(80)) / 100,
                            output = 50 + static_cast<long long>(g.pick(3000)),
                            thoughts = static_cast<long long>(g.pick(2000)),
                            tool = g.pick(5) == 0 ? static_cast<long long>(g.pick(500)) : 0;
            const std::string head = "{\"id\":\"" + id + "\",\"timestamp\":\"" + stamp
                + "\",\"type\":\"gemini\",\"content\":\"" + g.codeText(800) + "\",\"model\":\""
                + models[g.pick(std::size(models))] + "\"";
            const std::string tokens = ",\"tokens\":{\"input\":" + std::to_string(input)
                + ",\"output\":" + std::to_string(output) + ",\"cached\":" + std::to_string(cached)
                + ",\"thoughts\":" + std::to_string(thoughts) + ",\"tool\":" + std::to_string(tool)
                + ",\"total\":" + std::to_string(input + output + thoughts + tool) + "}}";
            lines.push_back(head + "}");
            lines.push_back(head + tokens);
            messages.push_back(head + tokens);
            if (g.pick(15) == 0)
                lines.push_back("{\"$rewindTo\":\"" + id + "\"}");
            if (g.pick(20) == 0)
                lines.push_back("{\"$set\":{\"lastUpdated\":\"" + stamp + "\",\"messages\":[" + messages.back()
                                + "]}}");
        }
        const std::string meta
            = "{\"sessionId\":\"" + session + "\",\"projectHash\":\"h\",\"startTime\":\"" + stampMs(at) + "\"";
        if (g.pick(3) == 0) {
            std::string all;
            for (const auto& m : messages)
                all += (all.empty() ? "" : ",") + m;
            std::ofstream(folder / ("session-" + session.substr(0, 8) + ".json"), std::ios::binary)
                << meta << ",\"messages\":[" << all << "]}\n";
        } else {
            std::string text = meta + "}\n";
            for (const auto& l : lines)
                text += l + "\n";
            const auto file = g.pick(5) == 0 ? folder / session / (g.uuid() + ".jsonl")
                                             : folder / ("session-" + session.substr(0, 8) + ".jsonl");
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << text;
        }
    }
    return chats;
}

}

int main(int argc, char** argv)
{
    bool toolResults = false, ansi = false, progress = false;
    std::size_t smallLogs = 0, codexMiB = 0, geminiChats = 0;
    std::filesystem::path codexHome, geminiHome;
    for (; argc > 1 && std::string_view(argv[1]).starts_with("--"); --argc, ++argv) {
        if (std::string_view(argv[1]) == "--tool-results") {
            toolResults = true;
        } else if (std::string_view(argv[1]) == "--ansi") {
            ansi = true;
        } else if (std::string_view(argv[1]) == "--progress") {
            progress = true;
        } else if (std::string_view(argv[1]) == "--codex" && argc > 3) {
            codexHome = argv[2];
            codexMiB = std::strtoull(argv[3], nullptr, 10);
            argc -= 2;
            argv += 2;
        } else if (std::string_view(argv[1]) == "--gemini" && argc > 3) {
            geminiHome = argv[2];
            geminiChats = std::strtoull(argv[3], nullptr, 10);
            argc -= 2;
            argv += 2;
        } else if (std::string_view(argv[1]) == "--small-logs" && argc > 2) {
            smallLogs = std::strtoull(argv[2], nullptr, 10);
            --argc;
            ++argv;
        } else {
            argc = 0;
        }
    }
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: pacemark_corpus [--tool-results] [--ansi] [--progress] [--small-logs N] [--codex HOME MiB] "
            "[--gemini HOME N] <projects-folder> <total-MiB> [seed] [largest-file-MiB] [resumed-sessions]\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::size_t total = std::strtoull(argv[2], nullptr, 10) << 20;
    Generator g(argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 1u);
    if (!codexHome.empty())
        std::printf("codex: %zu MiB of rollouts under %s\n", writeCodexHome(g, codexHome, codexMiB << 20) >> 20,
                    codexHome.c_str());
    if (!geminiHome.empty())
        std::printf("gemini: %zu chats under %s\n", writeGeminiHome(g, geminiHome, geminiChats), geminiHome.c_str());
    if (smallLogs > 0) {
        std::size_t written = 0;
        for (std::size_t i = 0; i < smallLogs; ++i) {
            const auto project = root / ("-home-dev-project-" + std::to_string(g.pick(500)));
            const auto file = project / (g.uuid() + ".jsonl");
            const auto endAgo = static_cast<long long>(g.pick(90 * 86400));
            written += writeSession(g, file, 2000, endAgo);
            // Last written when its last message came, as a log left by an earlier session is.
            const timespec times[2] = { { 0, UTIME_OMIT }, { static_cast<time_t>(Base - endAgo), 0 } };
            ::utimensat(AT_FDCWD, file.c_str(), times, 0);
        }
        std::printf("corpus: %zu MiB in %zu small files under %s, as of %sZ\n", written >> 20, smallLogs, root.c_str(),
                    Now);
        return 0;
    }
    if (toolResults)
        g.toolResultMean = 12000;
    g.ansi = ansi;
    g.progress = progress;
    const double largestMiB = argc > 4 ? std::strtod(argv[4], nullptr) : 40.0;
    const std::size_t resumed = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 0;

    std::size_t written = 0, sessions = 0, files = 0;
    std::vector<std::pair<std::filesystem::path, long long>> mainLogs; // with the end of their events
    // The sub-agent log of the relayed messages of the session just written that have one.
    const auto writeRelayedCopies = [&](const std::filesystem::path& sessionFolder) {
        if (g.relayedCopies.empty())
            return;
        const auto agentLog
            = sessionFolder / "subagents" / ("agent-r" + sessionFolder.filename().string().substr(0, 7) + ".jsonl");
        std::filesystem::create_directories(agentLog.parent_path());
        std::ofstream(agentLog, std::ios::binary) << g.relayedCopies;
        written += g.relayedCopies.size();
        g.relayedCopies.clear();
        ++files;
    };
    // One 50 MiB session for the append benchmark, when the corpus is large enough to hold it.
    if (total >= (200u << 20)) {
        written += writeSession(g, root / "-home-dev-big" / "big-session.jsonl", 50u << 20, 60);
        writeRelayedCopies(root / "-home-dev-big" / "big-session");
        ++sessions;
        ++files;
    }
    while (written < total) {
        const auto project = root / ("-home-dev-project-" + std::to_string(g.pick(24)));
        // Log-normal sizes: a median around 1.5 MiB with a long tail, a few hundred sessions per GiB.
        const double mib = std::min(largestMiB, std::lognormal_distribution<double>(0.4, 1.1)(g.rng()));
        const auto bytes = std::min(total - written, static_cast<std::size_t>(mib * (1 << 20)) + 1024);
        const std::string session = g.uuid();
        const long long endAgo = static_cast<long long>(g.uniform() * 30 * 86400);
        written += writeSession(g, project / (session + ".jsonl"), bytes, endAgo);
        mainLogs.emplace_back(project / (session + ".jsonl"), endAgo);
        ++sessions;
        ++files;
        writeRelayedCopies(project / session);
        if (g.pick(3) == 0 && written < total) {
            const auto agentBytes = std::min(total - written, bytes / 4 + 4096);
            written += writeSession(g, project / session / "subagents" / ("agent-" + session.substr(0, 8) + ".jsonl"),
                                    agentBytes, endAgo);
            ++files;
        }
    }
    // Resumed sessions come on top of the requested size, so the rest of the corpus stays the same.
    std::vector<std::size_t> order(mainLogs.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), g.rng());
    for (std::size_t r = 0; r < std::min(resumed, order.size()); ++r) {
        const auto& [original, endAgo] = mainLogs[order[r]];
        std::ifstream in(original, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::string copied;
        for (std::size_t i = 0; i < lines.size() / 2; ++i)
            copied += lines[i] + "\n";
        // The resumed conversation goes on an hour after the original ended.
        written += copied.size()
            + writeSession(g, original.parent_path() / (g.uuid() + ".jsonl"), copied.size() / 2,
                           std::max(0LL, endAgo - 3600), copied);
        writeRelayedCopies(original.parent_path() / ("resumed-" + std::to_string(r)));
        ++sessions;
        ++files;
    }
    std::printf("corpus: %zu MiB in %zu files (%zu sessions, %zu resumed) under %s, as of %sZ\n", written >> 20, files,
                sessions, std::min(resumed, order.size()), root.c_str(), Now);
    return 0;
}
