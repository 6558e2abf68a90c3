#include <cstdlib>
#include <string>
#include <string_view>

namespace pacemark {

// Sets the environment the test was registered with ("VAR=value|VAR=value"), before main runs and
// before anything reads the time zone or the locale.
namespace {

const bool environmentApplied = [] {
    std::string_view list = PACEMARK_TEST_ENVIRONMENT;
    while (!list.empty()) {
        const auto end = list.find('|');
        const auto entry = list.substr(0, end);
        const auto eq = entry.find('=');
        ::setenv(std::string(entry.substr(0, eq)).c_str(), std::string(entry.substr(eq + 1)).c_str(), 1);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    }
    return true;
}();

}

}
