#include "ClaudeLog.h"

namespace pacemark {

namespace {

std::string header(std::string_view type, std::string_view timestamp, std::string_view session)
{
    return std::string(R"({"parentUuid":"4f0c2a1e-9a55-4c43-8f0e-0d3b7e9b2c11","isSidechain":false,)")
        + R"("userType":"external","cwd":"/home/dev/project","sessionId":")" + std::string(session)
        + R"(","version":"2.0.14","gitBranch":"main","type":")" + std::string(type) + R"(","timestamp":")"
        + std::string(timestamp) + "\",";
}

}

std::string ClaudeLog::assistant(std::string_view id, std::string_view timestamp, Usage u, std::string_view model,
                                 std::string_view session, int blocks)
{
    std::string lines;
    for (int block = 1; block <= blocks; ++block) {
        const bool last = block == blocks;
        const std::int64_t output = last ? u.output : u.output * block / (blocks + 1);
        lines += header("assistant", timestamp, session) + R"("message":{"model":")" + std::string(model)
            + R"(","id":")" + std::string(id)
            + R"(","type":"message","role":"assistant","content":[{"type":"text","text":"Block )"
            + std::to_string(block) + R"( of the answer \u2014 with \"quotes\""}],"stop_reason":)"
            + (last ? R"("end_turn")" : "null") + R"(,"stop_sequence":null,"usage":{"input_tokens":)"
            + std::to_string(u.input) + R"(,"cache_creation_input_tokens":)" + std::to_string(u.cacheWrite)
            + R"(,"cache_read_input_tokens":)" + std::to_string(u.cacheRead)
            + R"(,"cache_creation":{"ephemeral_5m_input_tokens":)" + std::to_string(u.cacheWrite)
            + R"(,"ephemeral_1h_input_tokens":0},"output_tokens":)" + std::to_string(output)
            + R"(,"server_tool_use":{"web_search_requests":0,"web_fetch_requests":0},"service_tier":"standard",)"
            + R"("iterations":[{"input_tokens":999999,"output_tokens":999999}],"speed":"fast"}},)"
            + R"("requestId":"req_011CTx9v8Qb","uuid":"b6a7c1d2-0000-4000-8000-00000000000)" + std::to_string(block)
            + "\"}\n";
    }
    return lines;
}

std::string ClaudeLog::user(std::string_view timestamp, std::size_t toolResultBytes, std::string_view session)
{
    // Tool results hold anything, including the word the parser looks for and escapes.
    std::string result = R"(the assistant said \"ok\"\n\u001b[32mPASS\u001b[0m )";
    while (result.size() < toolResultBytes)
        result += "lorem ipsum dolor sit amet, consectetur adipiscing elit ";
    return header("user", timestamp, session)
        + R"("message":{"role":"user","content":[{"tool_use_id":"toolu_01A","type":"tool_result","content":")" + result
        + R"(","is_error":false}]},"usage":{"input_tokens":1000},"toolUseResult":{"stdout":")" + result.substr(0, 64)
        + R"(","stderr":"","interrupted":false},"uuid":"c1")" + "}\n";
}

std::string ClaudeLog::otherLines(std::string_view timestamp, std::string_view session)
{
    const std::string ts(timestamp), sid(session);
    const std::string lines[] = {
        R"({"type":"summary","summary":"Fix the assistant's parser","leafUuid":"d2e3"})",
        header("system", timestamp, session)
            + R"("subtype":"compact_boundary","content":"Conversation compacted","level":"info","uuid":"e1"})",
        header("progress", timestamp, session)
            + R"("data":{"type":"hook_progress","hookName":"PostToolUse"},"uuid":"e2"})",
        R"({"type":"file-history-snapshot","messageId":"f00d","snapshot":{"messageId":"f00d","trackedFileBackups":{},)"
        R"("timestamp":")"
            + ts + R"("},"isSnapshotUpdate":false})",
        R"({"type":"queue-operation","operation":"enqueue","timestamp":")" + ts + R"(","sessionId":")" + sid
            + R"(","content":"run the tests"})",
    };
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

}
