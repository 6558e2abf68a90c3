#pragma once

#include <string>
#include <vector>

namespace pacemark {

// Where Claude Code keeps its files. Releases differ: older ones use ~/.claude, newer ones on Linux
// $XDG_CONFIG_HOME/claude, and a machine that went through the change has logs in both.
// $CLAUDE_CONFIG_DIR (Claude Code's own setting, which may list several folders separated by
// commas) replaces both.
class ClaudePaths
{
public:
    // The folders to look in, in order: each entry of $CLAUDE_CONFIG_DIR, else ~/.claude and then
    // $XDG_CONFIG_HOME/claude (default ~/.config/claude). Read from the environment at each call;
    // folders are named whether they exist or not.
    static std::vector<std::string> configDirectories();
    // The "projects" folder of each config folder, in the same order.
    static std::vector<std::string> projectsPaths();
    // Of the given folders, those that exist, each folder once however many paths lead to it.
    static std::vector<std::string> existingDirectories(const std::vector<std::string>& paths);
};

}
