#pragma once

#include <QString>

namespace pacemark {

// How to build a built-in pack from the sprite sheet that ships with the application.
struct CharacterPackDefinition
{
    QString id;
    QString name;
    QString assetName;
    int frameCount = 0;
    // When set, frames are as wide as the sheet is high and their count follows from the width.
    bool squareFrames = false;
};

}
