#pragma once

#include "ingest/Symbol.h"

// Interns strings that nearly always repeat the previous one, like the model and session of
// consecutive log lines, without taking the symbol table's lock for each.
class SymbolCache
{
public:
    Symbol get(std::string_view text)
    {
        if (text != m_last.view())
            m_last = Symbol(text);
        return m_last;
    }

private:
    Symbol m_last;
};
