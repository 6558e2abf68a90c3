#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "ingest/Symbol.h"

// A message identifier kept inline in the record: ids are unique per message, so interning them
// would only grow a table, and a heap string would double the size of every record. Claude's ids
// ("msg_" and 24 characters) fit inline; the rare longer id is interned instead.
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
                std::memcpy(m_inline.data(), text.data(), text.size());
        } else {
            m_size = Interned;
            m_long = Symbol(text);
        }
    }

    std::string_view view() const
    {
        return m_size == Interned ? m_long.view() : std::string_view(m_inline.data(), m_size);
    }
    bool empty() const { return view().empty(); }

    friend bool operator==(const MessageId& a, const MessageId& b) { return a.view() == b.view(); }

private:
    static constexpr std::size_t InlineCapacity = 31;
    static constexpr std::uint8_t Interned = 0xFF;

    std::array<char, InlineCapacity> m_inline {};
    std::uint8_t m_size = 0;
    Symbol m_long;
};
