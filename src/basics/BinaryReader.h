#pragma once

#include <cstring>
#include <string_view>

#include <QtGlobal>

namespace pacemark {

// Reads what BinaryWriter wrote. Reading past the end, or a count the rest cannot hold, fails the
// reader for good and yields zeros, so a damaged file is noticed once, at the end.
class BinaryReader
{
public:
    BinaryReader(const char* begin, const char* end)
        : m_at(begin)
        , m_end(end)
    { }
    explicit BinaryReader(std::string_view bytes)
        : BinaryReader(bytes.data(), bytes.data() + bytes.size())
    { }

    template <typename T>
    T get()
    {
        T value {};
        if (static_cast<std::size_t>(m_end - m_at) < sizeof value) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    std::string_view text()
    {
        const auto size = get<quint32>();
        if (!m_ok || static_cast<std::size_t>(m_end - m_at) < size) {
            m_ok = false;
            return {};
        }
        const std::string_view view(m_at, size);
        m_at += size;
        return view;
    }
    // A count of items of at least itemBytes each that the rest can hold; 0 and not ok otherwise.
    quint32 count(std::size_t itemBytes)
    {
        const auto n = get<quint32>();
        if (static_cast<std::size_t>(m_end - m_at) / itemBytes < n)
            m_ok = false;
        return m_ok ? n : 0;
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_end; }
    void fail() { m_ok = false; }

private:
    const char* m_at;
    const char* m_end;
    bool m_ok = true;
};

}
