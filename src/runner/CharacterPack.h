#pragma once

#include <QImage>
#include <QList>
#include <QString>

// One runner character: an id kept in the settings, a display name and its animation frames.
struct CharacterPack
{
    QString id;
    QString name;
    // In display order; never empty for a pack in the registry.
    QList<QImage> frames;

    friend bool operator==(const CharacterPack&, const CharacterPack&) = default;
};
