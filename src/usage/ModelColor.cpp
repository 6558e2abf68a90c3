#include "usage/ModelColor.h"

#include <array>
#include <utility>

namespace pacemark {

NamedColor modelColor(const QString& model)
{
    static const std::array<std::pair<QLatin1StringView, NamedColor>, 9> families { {
        { QLatin1StringView("opus"), NamedColor::Purple },
        { QLatin1StringView("sonnet"), NamedColor::Blue },
        { QLatin1StringView("haiku"), NamedColor::Green },
        { QLatin1StringView("gpt-5"), NamedColor::Pink },
        { QLatin1StringView("gpt-4"), NamedColor::Indigo },
        { QLatin1StringView("gpt-3"), NamedColor::Teal },
        { QLatin1StringView("codex"), NamedColor::Indigo },
        { QLatin1StringView("flash"), NamedColor::Yellow },
        { QLatin1StringView("gemini"), NamedColor::Orange },
    } };
    const QString lower = model.toLower();
    for (const auto& [key, color] : families)
        if (lower.contains(key))
            return color;
    // OpenAI's reasoning models: o1, o3, o4-mini, …
    if (lower.size() >= 2 && lower[0] == QLatin1Char('o') && lower[1].isDigit())
        return NamedColor::Indigo;
    return NamedColor::Gray;
}

quint32 namedColorRgb(NamedColor color, bool dark)
{
    // The usual system tints: slightly deeper on light backgrounds, lighter on dark ones.
    switch (color) {
    case NamedColor::Purple:
        return dark ? 0xBF5AF2 : 0xAF52DE;
    case NamedColor::Blue:
        return dark ? 0x0A84FF : 0x007AFF;
    case NamedColor::Green:
        return dark ? 0x30D158 : 0x34C759;
    case NamedColor::Indigo:
        return dark ? 0x5E5CE6 : 0x5856D6;
    case NamedColor::Teal:
        return dark ? 0x40C8E0 : 0x30B0C7;
    case NamedColor::Orange:
        return dark ? 0xFF9F0A : 0xFF9500;
    case NamedColor::Red:
        return dark ? 0xFF453A : 0xFF3B30;
    case NamedColor::Yellow:
        return dark ? 0xFFD60A : 0xFFCC00;
    case NamedColor::Pink:
        return dark ? 0xFF375F : 0xFF2D55;
    case NamedColor::Gray:
        break;
    }
    return dark ? 0x98989D : 0x8E8E93;
}

}
