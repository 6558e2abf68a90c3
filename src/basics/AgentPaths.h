#pragma once

#include <string>
#include <vector>

namespace pacemark {

// Where Codex CLI and Gemini CLI keep their files, read from the environment at each call; folders
// are named whether they exist or not.
class AgentPaths
{
public:
    // Each entry of $CODEX_HOME (several separated by commas), else ~/.codex.
    static std::vector<std::string> codexHomes();
    // $GEMINI_CLI_HOME/.gemini, which Gemini CLI uses in place of the home folder, else ~/.gemini.
    static std::string geminiHome();
};

}
