#pragma once

#include <QString>
#include <QtGlobal>

namespace pacemark {

// The named colours the views use. One palette, tuned for light and for dark backgrounds.
enum class NamedColor { Purple, Blue, Green, Indigo, Teal, Orange, Red, Yellow, Pink, Gray };

// The colour of a model's family, the same in every view.
NamedColor modelColor(const QString& model);

// 0xRRGGBB of a named colour on a light or a dark background.
quint32 namedColorRgb(NamedColor color, bool dark);

}
