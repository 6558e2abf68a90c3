#include "ingest/CompactSymbol.h"

#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace pacemark {

namespace {

struct CompactTable
{
    std::mutex mutex;
    // A deque never moves its elements, so the views in the map and handed out stay valid.
    std::deque<std::string> texts { std::string() };
    std::unordered_map<std::string_view, std::uint32_t> indices;
};

CompactTable& table()
{
    static CompactTable instance;
    return instance;
}

}

CompactSymbol::CompactSymbol(std::string_view text)
{
    if (text.empty())
        return;
    auto& t = table();
    std::lock_guard lock(t.mutex);
    if (const auto found = t.indices.find(text); found != t.indices.end()) {
        m_index = found->second;
        return;
    }
    // Past four billion distinct strings the newest ones share the last index rather than wrap.
    if (t.texts.size() > UINT32_MAX - 1) {
        m_index = static_cast<std::uint32_t>(t.texts.size() - 1);
        return;
    }
    m_index = static_cast<std::uint32_t>(t.texts.size());
    t.indices.emplace(t.texts.emplace_back(text), m_index);
}

std::string_view CompactSymbol::view() const
{
    if (m_index == 0)
        return {};
    auto& t = table();
    std::lock_guard lock(t.mutex);
    return t.texts[m_index];
}

QString CompactSymbol::toQString() const
{
    const std::string_view v = view();
    return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

}
