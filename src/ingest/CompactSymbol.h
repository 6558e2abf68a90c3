#pragma once

#include <cstdint>
#include <string_view>

#include <QString>

namespace pacemark {

// An interned string named by a four-byte index, for a field of every record where a Symbol's
// pointer would cost twice the room. Like Symbol, interned text lives until the process ends.
class CompactSymbol
{
public:
    CompactSymbol() = default;
    explicit CompactSymbol(std::string_view text);

    std::string_view view() const;
    QString toQString() const;
    bool empty() const { return m_index == 0; }
    std::uint32_t index() const { return m_index; }

    friend bool operator==(CompactSymbol, CompactSymbol) = default;

private:
    std::uint32_t m_index = 0; // 0: the empty string
};

}

template <>
struct std::hash<pacemark::CompactSymbol>
{
    std::size_t operator()(pacemark::CompactSymbol s) const noexcept { return std::hash<std::uint32_t> {}(s.index()); }
};
