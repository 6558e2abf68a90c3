#pragma once

#include <string_view>
#include <type_traits>

#include <QByteArray>

namespace pacemark {

// Appends plain values and length-prefixed text in this machine's byte order, for the files Pacemark
// writes and reads back itself.
class BinaryWriter
{
public:
    template <typename T>
    void put(T value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void put(std::string_view text)
    {
        put(static_cast<quint32>(text.size()));
        bytes.append(text.data(), static_cast<qsizetype>(text.size()));
    }

    QByteArray bytes;
};

}
