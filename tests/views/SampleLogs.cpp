#include "SampleLogs.h"

std::string SampleMessage::line() const
{
    return R"({"type":"assistant","timestamp":")" + InstantFormat::toIsoUtcMillis(timestamp).toStdString()
        + R"(","sessionId":")" + session + R"(","message":{"id":")" + id + R"(","model":")" + model
        + R"(","role":"assistant","usage":{"input_tokens":)" + std::to_string(input)
        + R"(,"output_tokens":)" + std::to_string(output) + R"(,"cache_creation_input_tokens":)"
        + std::to_string(cacheWrite) + R"(,"cache_read_input_tokens":)" + std::to_string(cacheRead) + "}}}\n";
}
