#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "ingest/Symbol.h"

namespace pacemark {

// A message identifier kept inline in the record: ids are unique per message, so interning them
// would only grow a table, and a heap string would double the size of every record. Claude's ids
// ("msg_" and 24 characters) fit inline; the rare longer id is interned, its symbol kept in the
// same bytes.
class MessageId
{
public:
    MessageId() = default;
    explicit MessageId(std::string_view text)
    {
        if (text.size() <= InlineCapacity) {
            m_size = static_cast<std::uint8_t>(text.size());
            // An empty view may have no data at all, which memcpy must not be given.
            if (!text.empty())
                std::memcpy(m_bytes.data(), text.data(), text.size());
        } else {
            m_size = Interned;
            const Symbol symbol(text);
            std::memcpy(m_bytes.data(), &symbol, sizeof symbol);
        }
    }

    std::string_view view() const
    {
        if (m_size != Interned)
            return std::string_view(m_bytes.data(), m_size);
        Symbol symbol;
        std::memcpy(&symbol, m_bytes.data(), sizeof symbol);
        return symbol.view();
    }
    bool empty() const { return view().empty(); }

    friend bool operator==(const MessageId& a, const MessageId& b) { return a.view() == b.view(); }

private:
    static constexpr std::size_t InlineCapacity = 31;
    static constexpr std::uint8_t Interned = 0xFF;
    static_assert(std::is_trivially_copyable_v<Symbol> && sizeof(Symbol) <= InlineCapacity);

    std::array<char, InlineCapacity> m_bytes {};
    std::uint8_t m_size = 0;
};

}
