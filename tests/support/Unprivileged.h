#pragma once

#include <functional>
#include <optional>
#include <string>

namespace pacemark {

// Runs a check where file permissions apply. As root (CI), the check runs in a child process that
// has switched to the user "nobody", after the tree it works in was handed to that user. Empty when
// the switch is not possible (a container without the capabilities).
std::optional<bool> runUnprivileged(const std::string& tree, const std::function<bool()>& check);

}
