#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QString>

#include "runner/CharacterRegistry.h"

using namespace pacemark;

// Synthetic sprite sheets: frame i is filled with frameColor(i), so a frame tells which one it is.
namespace SpriteSheets {

// The asset names of both bundled packs.
inline const QSet<QString> bothPacks { QStringLiteral("c7"), QStringLiteral("toki") };

inline QRgb frameColor(int index)
{
    return QColor::fromHsv((index * 23) % 360, 200, 100 + index * 5).rgb();
}

inline QImage strip(int frames, int frameWidth = 4, int height = 4)
{
    QImage sheet(frames * frameWidth, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    for (int i = 0; i < frames; ++i)
        painter.fillRect(i * frameWidth, 0, frameWidth, height, QColor(frameColor(i)));
    painter.end();
    return sheet;
}

// A lookup that serves a strip of the built-in frame count for each named asset, and nothing else.
inline CharacterRegistry::SheetLookup only(const QSet<QString>& assetNames)
{
    return [assetNames](const QString& name) {
        for (const CharacterPackDefinition& definition : CharacterRegistry::definitions())
            if (definition.assetName == name && assetNames.contains(name))
                return strip(definition.frameCount);
        return QImage();
    };
}

}
