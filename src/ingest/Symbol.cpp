#include "ingest/Symbol.h"

#include <mutex>
#include <unordered_set>

namespace pacemark {

namespace {

struct SymbolTable
{
    std::mutex mutex;
    // Node-based, so the address of an element never changes once inserted.
    std::unordered_set<std::string> strings;
};

SymbolTable& table()
{
    static SymbolTable instance;
    return instance;
}

const std::string emptyText;

const std::string* intern(std::string_view text)
{
    if (text.empty())
        return &emptyText;
    auto& t = table();
    std::lock_guard lock(t.mutex);
    return &*t.strings.emplace(text).first;
}

}

Symbol::Symbol()
    : m_text(&emptyText)
{ }

Symbol::Symbol(std::string_view text)
    : m_text(intern(text))
{ }

}
