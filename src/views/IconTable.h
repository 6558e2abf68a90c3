#pragma once

#include <QString>

namespace pacemark {

// Maps the icon names the views use ("house.fill", "brain", ...) to the vendored SVG icons.
namespace IconTable {
// Resource path of the icon, or an empty string for an unknown name.
QString iconPath(const QString& name);
}

}
