#include "views/IconTable.h"

#include <array>
#include <utility>

namespace pacemark {

namespace IconTable {

QString iconPath(const QString& name)
{
    // Outline icons take the bold weight: at caption size the regular strokes are thinner than a pixel.
    static const std::array<std::pair<QLatin1StringView, QLatin1StringView>, 11> table { {
        { QLatin1StringView("house.fill"), QLatin1StringView("house-fill") },
        { QLatin1StringView("figure.run"), QLatin1StringView("person-simple-run-fill") },
        { QLatin1StringView("gearshape.fill"), QLatin1StringView("gear-six-fill") },
        { QLatin1StringView("bolt.fill"), QLatin1StringView("lightning-fill") },
        { QLatin1StringView("mountain.2.fill"), QLatin1StringView("mountains-fill") },
        { QLatin1StringView("gauge.with.dots.needle.67percent"), QLatin1StringView("gauge-fill") },
        { QLatin1StringView("calendar"), QLatin1StringView("calendar-blank-bold") },
        { QLatin1StringView("brain"), QLatin1StringView("brain-bold") },
        { QLatin1StringView("chart.pie.fill"), QLatin1StringView("chart-pie-slice-fill") },
        { QLatin1StringView("network"), QLatin1StringView("network-bold") },
        { QLatin1StringView("folder.fill"), QLatin1StringView("folder-fill") },
    } };
    for (const auto& [key, file] : table)
        if (name == key)
            return QStringLiteral(":/icons/") + file + QStringLiteral(".svg");
    return {};
}

}

}
