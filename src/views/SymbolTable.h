#pragma once

#include <QString>

// Maps the symbol names the views use ("house.fill", "brain", ...) to the vendored SVG icons.
namespace SymbolTable {
// Resource path of the icon, or an empty string for an unknown symbol.
QString iconPath(const QString& symbol);
}
