#include "SpriteSheets.h"

#include <QPainter>

namespace SpriteSheets {

QRgb frameColor(int index)
{
    return QColor::fromHsv((index * 23) % 360, 200, 100 + index * 5).rgb();
}

QImage strip(int frames, int frameWidth, int height)
{
    QImage sheet(frames * frameWidth, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    for (int i = 0; i < frames; ++i)
        painter.fillRect(i * frameWidth, 0, frameWidth, height, QColor(frameColor(i)));
    painter.end();
    return sheet;
}

CharacterRegistry::SheetLookup only(const QSet<QString>& assetNames)
{
    return [assetNames](const QString& name) {
        if (!assetNames.contains(name))
            return QImage();
        for (const CharacterPackDefinition& definition : CharacterRegistry::definitions()) {
            if (definition.assetName == name)
                return strip(definition.frameCount);
        }
        return QImage();
    };
}

}
