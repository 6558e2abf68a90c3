#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ingest/UsageRecord.h"

namespace pacemark {

// The usage in one Gemini CLI chat: a session-*.json file (one object with "messages") or a .jsonl
// file (a metadata line, message lines, and "$set" and "$rewindTo" lines). A record per message of
// type "gemini" with tokens, in the order messages first appeared; a message written again under the
// same id counts as its last copy with tokens. Rewound messages were paid for and stay.
//
// Gemini reports tool-use prompt tokens apart from the prompt and the thinking apart from the answer;
// the record counts them as input and output, so that its total is Gemini's "total".
// One reader serves all files of a thread; it is not shared between threads.
class GeminiChat
{
public:
    GeminiChat();
    ~GeminiChat();
    GeminiChat(const GeminiChat&) = delete;
    GeminiChat& operator=(const GeminiChat&) = delete;

    struct Result
    {
        std::vector<UsageRecord> records;
        bool opened = false;
    };

    // project names the records' project.
    Result read(const std::string& path, std::string_view project);

    // Reads one line of a .jsonl chat (or a whole .json chat) into the state; for the fuzzer.
    void readLine(std::string_view line);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}
