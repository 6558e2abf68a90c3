#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "report/Statusline.h"

using namespace pacemark;

// The executable holds only Qt Core and the layers below the report; the tray application, with the
// GUI, QML and D-Bus libraries, is a module loaded here. Claude Code runs the status line every few
// hundred milliseconds, and loading those libraries alone would take longer than the whole answer.
namespace {

// The folder of this executable, from which the module is found in the build tree and once installed.
std::string executableFolder()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string_view full(path, static_cast<std::size_t>(n));
    return std::string(full.substr(0, full.rfind('/')));
}

}

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--statusline") == 0)
        return Statusline::run(argc, argv);

    const std::string folder = executableFolder();
    std::string error;
    for (const std::string& module : { folder + "/" PACEMARK_GUI_MODULE, folder + "/" PACEMARK_INSTALLED_GUI_MODULE }) {
        void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            error += std::string("\n  ") + ::dlerror();
            continue;
        }
        using Entry = int (*)(int, char**);
        if (const auto entry = reinterpret_cast<Entry>(::dlsym(handle, "pacemark_gui_main")))
            return entry(argc, argv);
        error += std::string("\n  ") + module + ": no entry point";
    }
    std::fprintf(stderr, "pacemark: the application module cannot be loaded:%s\n", error.c_str());
    return 1;
}
