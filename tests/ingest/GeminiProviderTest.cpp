#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "ingest/GeminiChat.h"
#include "ingest/GeminiProvider.h"

using namespace pacemark;

namespace {

std::string message(const std::string& id, const std::string& tokens, const std::string& model = "gemini-2.5-pro",
                    const std::string& type = "gemini")
{
    return R"({"id":")" + id + R"(","timestamp":"2026-05-01T10:00:00.000Z","type":")" + type
        + R"(","content":[{"text":"…"}],"model":")" + model + "\"" + (tokens.empty() ? "" : ",\"tokens\":" + tokens)
        + "}";
}

std::string tokens(int input, int output, int cached = 0, int thoughts = 0, int tool = 0)
{
    return R"({"input":)" + std::to_string(input) + R"(,"output":)" + std::to_string(output) + R"(,"cached":)"
        + std::to_string(cached) + R"(,"thoughts":)" + std::to_string(thoughts) + R"(,"tool":)" + std::to_string(tool)
        + R"(,"total":)" + std::to_string(input + output + thoughts + tool) + "}";
}

const std::string Meta = R"({"sessionId":"s1","projectHash":"h","startTime":"2026-05-01T09:59:00.000Z"})";

// model/input/cacheRead/output/session/project of each record.
std::multiset<std::string> kept(const RecordList& records)
{
    std::multiset<std::string> out;
    records.forEach([&](const UsageRecord& r) {
        out.insert(r.model.str() + "/" + std::to_string(r.inputTokens) + "/" + std::to_string(r.cacheReadTokens) + "/"
                   + std::to_string(r.outputTokens) + "/" + r.sessionId.str() + "/" + std::string(r.project.view()));
    });
    return out;
}

using Files = std::vector<std::pair<std::string, std::string>>;

const std::string Chats = "tmp/app/chats/";

}

TEST(GeminiProvider, CountsEachMessageOnce)
{
    for (const auto& [name, files, expected] :
         std::initializer_list<std::tuple<const char*, Files, std::multiset<std::string>>> {
             { "a whole chat: tool prompts count as input and thinking as output, so the total is Gemini's",
               { { Chats + "session-2026-05-01T10-00-s1.json",
                   R"({"sessionId":"s1","projectHash":"h","messages":[)" + message("u1", "", "", "user") + ","
                       + message("g1", tokens(100, 10, 40, 5, 7)) + "," + message("g2", "null") + "]}" } },
               { "gemini-2.5-pro/67/40/15/s1/app" } },
             { "lines: the last copy with tokens counts, rewound messages stay, checkpoints carry messages",
               { { Chats + "session-2026-05-01T10-00-s1.jsonl",
                   Meta + "\n" + message("g1", "") + "\n" + message("g1", tokens(10, 1)) + "\n"
                       + message("g1", tokens(10, 2)) + "\n" + message("g2", tokens(20, 2), "gemini-2.5-flash") + "\n"
                       + R"({"$rewindTo":"g1"})" + "\n" + message("g3", tokens(30, 3)) + "\n"
                       + R"({"$set":{"messages":[)" + message("g4", tokens(40, 4)) + R"(],"summary":"x"}})" + "\n"
                       + message("g1", "") + "\n" } },
               { "gemini-2.5-pro/10/0/2/s1/app", "gemini-2.5-flash/20/0/2/s1/app", "gemini-2.5-pro/30/0/3/s1/app",
                 "gemini-2.5-pro/40/0/4/s1/app" } },
             { "sub-agents' chats below chats/; other files in chats/ are not chats",
               { { Chats + "s1-parent/agent-7.jsonl",
                   R"({"sessionId":"agent-7","projectHash":"h","kind":"subagent"})"
                   "\n" + message("a1", tokens(5, 1)) },
                 { Chats + "notes.json", R"({"sessionId":"n","messages":[)" + message("x", tokens(9, 9)) + "]}" },
                 { "tmp/app/logs.json", "[]" } },
               { "gemini-2.5-pro/5/0/1/agent-7/app" } },
             { "bad lines and wrong types contribute nothing else",
               { { Chats + "session-x.jsonl",
                   Meta + "\n{\"id\":\n[]\n" + message("b1", R"({"input":"ten","output":1})") + "\n"
                       + message("b2", R"({"input":-3,"output":1})") + "\n" + message("b3", tokens(8, 1), "", "gemini")
                       + "\n" + R"({"id":"b4","type":"gemini","timestamp":"soon","tokens":{"input":1}})" + "\n" } },
               { "gemini/8/0/1/s1/app" } },
             { "a chat in both formats counts once",
               { { Chats + "session-s1.json",
                   R"({"sessionId":"s1","messages":[)" + message("g1", tokens(10, 1)) + "]}" },
                 { Chats + "session-s1.jsonl",
                   Meta + "\n" + message("g1", tokens(10, 1)) + "\n" + message("g2", tokens(20, 2)) } },
               { "gemini-2.5-pro/10/0/1/s1/app", "gemini-2.5-pro/20/0/2/s1/app" } },
         }) {
        TempDir home;
        for (const auto& [path, content] : files)
            home.write(path, content);
        EXPECT_EQ(kept(GeminiProvider(home.path()).fetchRecords()), expected) << name;
    }
}

TEST(GeminiProvider, ReadsOnlyWhatChangedAndFollowsNewProjects)
{
    TempDir home;
    GeminiProvider provider(home.path());
    EXPECT_FALSE(provider.isAvailable());
    home.write(Chats + "session-a.jsonl", Meta + "\n" + message("g1", tokens(1, 1)) + "\n");
    EXPECT_EQ(provider.watchDirectories(), std::vector<std::string> { home.path("tmp/app/chats") });
    EXPECT_EQ(provider.fetchRecords().size(), 1u);
    EXPECT_EQ(provider.fetchRecords().size(), 1u);
    EXPECT_EQ(provider.lastParsedFileCount(), 0u);
    home.write("tmp/other/chats/session-b.json",
               R"({"sessionId":"b","messages":[)" + message("g1", tokens(2, 2)) + "]}");
    EXPECT_EQ(provider.fetchRecords().size(), 2u);
    EXPECT_EQ(provider.lastParsedFileCount(), 1u);
    EXPECT_EQ(provider.watchDirectories().size(), 2u);
}
