#pragma once

#include <functional>
#include <string>

// Runs a check where file permissions apply. As root (CI), the check runs in a child process that
// has switched to the user "nobody", after the tree it works in was handed to that user.
bool runUnprivileged(const std::string& tree, const std::function<bool()>& check);
