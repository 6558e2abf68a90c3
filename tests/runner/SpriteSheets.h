#pragma once

#include <QColor>
#include <QImage>
#include <QSet>
#include <QString>

#include "runner/CharacterRegistry.h"

// Synthetic sprite sheets: frame i is filled with frameColor(i), so a frame tells which one it is.
namespace SpriteSheets {

QRgb frameColor(int index);
QImage strip(int frames, int frameWidth = 4, int height = 4);
// A lookup that serves a strip of the built-in frame count for each named asset, and nothing else.
CharacterRegistry::SheetLookup only(const QSet<QString>& assetNames);

}
