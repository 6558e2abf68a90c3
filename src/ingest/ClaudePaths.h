#pragma once

#include <string>

// Where Claude Code keeps its files: $CLAUDE_CONFIG_DIR when set (Claude Code's own setting for
// moving its folder), otherwise ~/.claude.
class ClaudePaths
{
public:
    // Read from the environment at each call.
    static std::string configDirectory();
    // The session logs folder, computed once per process.
    static const std::string& projectsPath();
};
