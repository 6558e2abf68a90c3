#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QList>
#include <QString>

namespace pacemark {

// One runner character: an id kept in the settings, a display name and its animation frames.
struct CharacterPack
{
    QString id;
    // As the registry lists it, the source of its translation.
    QString name;
    // In display order; never empty for a pack in the registry.
    QList<QImage> frames;

    // The name in the language shown.
    QString displayName() const { return QCoreApplication::translate("CharacterRegistry", name.toUtf8().constData()); }

    friend bool operator==(const CharacterPack&, const CharacterPack&) = default;
};

}
