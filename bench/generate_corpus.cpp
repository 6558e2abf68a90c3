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
// messages) over 500 projects and the last 90 days, as years of quick questions leave them; the size
// arguments are then ignored.
//
// usage: pacemark_corpus [--tool-results] [--ansi] [--progress] [--small-logs N] <projects-folder> <total-MiB>
//                        [seed] [largest-file-MiB] [resumed-sessions]

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

std::string timestamp(long long secondsBeforeNow)
{
    // A fixed calendar: 2026-12-06T12:00:00Z minus the offset.
    const long long base = 1796558400; // 2026-12-06T12:00:00Z
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

}

int main(int argc, char** argv)
{
    bool toolResults = false, ansi = false, progress = false;
    std::size_t smallLogs = 0;
    for (; argc > 1 && std::string_view(argv[1]).starts_with("--"); --argc, ++argv) {
        if (std::string_view(argv[1]) == "--tool-results") {
            toolResults = true;
        } else if (std::string_view(argv[1]) == "--ansi") {
            ansi = true;
        } else if (std::string_view(argv[1]) == "--progress") {
            progress = true;
        } else if (std::string_view(argv[1]) == "--small-logs" && argc > 2) {
            smallLogs = std::strtoull(argv[2], nullptr, 10);
            --argc;
            ++argv;
        } else {
            argc = 0;
        }
    }
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: pacemark_corpus [--tool-results] [--ansi] [--progress] [--small-logs N] "
                     "<projects-folder> <total-MiB> [seed] [largest-file-MiB] [resumed-sessions]\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::size_t total = std::strtoull(argv[2], nullptr, 10) << 20;
    Generator g(argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 1u);
    if (smallLogs > 0) {
        std::size_t written = 0;
        for (std::size_t i = 0; i < smallLogs; ++i) {
            const auto project = root / ("-home-dev-project-" + std::to_string(g.pick(500)));
            written
                += writeSession(g, project / (g.uuid() + ".jsonl"), 2000, static_cast<long long>(g.pick(90 * 86400)));
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
