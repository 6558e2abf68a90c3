#include "Unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace pacemark {

std::optional<bool> runUnprivileged(const std::string& tree, const std::function<bool()>& check)
{
    if (::geteuid() != 0)
        return check();
    constexpr uid_t Nobody = 65534;
    constexpr int CannotSwitch = 2;
    if (::lchown(tree.c_str(), Nobody, Nobody) != 0)
        return std::nullopt;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree))
        if (::lchown(entry.path().c_str(), Nobody, Nobody) != 0)
            return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
            ::_exit(CannotSwitch);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == CannotSwitch)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

}
