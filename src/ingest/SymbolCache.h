#pragma once

#include <string_view>

#include "ingest/CompactSymbol.h"
#include "ingest/Symbol.h"

namespace pacemark {

// Interns strings that nearly always repeat the previous one, like the model, session and working
// folder of consecutive log lines, without taking the symbol table's lock for each.
template <typename S>
class BasicSymbolCache
{
public:
    S get(std::string_view text)
    {
        if (text != m_text) {
            m_last = S(text);
            m_text = m_last.view();
        }
        return m_last;
    }

private:
    S m_last;
    std::string_view m_text;
};

using SymbolCache = BasicSymbolCache<Symbol>;
using CompactSymbolCache = BasicSymbolCache<CompactSymbol>;

}
