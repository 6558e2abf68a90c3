#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <QString>

namespace pacemark {

// An interned, immutable string. Model ids, session ids and provider ids repeat on thousands of
// records; interning keeps one copy of each and makes equality and hashing a pointer operation.
// Interned text lives until the process ends, so only strings from a small set belong here.
class Symbol
{
public:
    Symbol();
    explicit Symbol(std::string_view text);

    std::string_view view() const { return *m_text; }
    const std::string& str() const { return *m_text; }
    QString toQString() const { return QString::fromUtf8(m_text->data(), static_cast<qsizetype>(m_text->size())); }
    bool empty() const { return m_text->empty(); }

    friend bool operator==(Symbol a, Symbol b) { return a.m_text == b.m_text; }
    friend bool operator<(Symbol a, Symbol b) { return *a.m_text < *b.m_text; }

    std::size_t hash() const { return std::hash<const std::string*> {}(m_text); }

private:
    const std::string* m_text;
};

}

template <>
struct std::hash<pacemark::Symbol>
{
    std::size_t operator()(pacemark::Symbol s) const noexcept { return s.hash(); }
};
