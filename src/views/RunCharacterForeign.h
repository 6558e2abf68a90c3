#pragma once

#include <QObject>
#include <QtQml/qqml.h>

#include "runner/RunCharacter.h"

namespace pacemark {

// Makes the menu-bar runner a QML type, so the runner page and the settings can take it as a typed
// property.
struct RunCharacterForeign
{
    Q_GADGET
    QML_FOREIGN(RunCharacter)
    QML_NAMED_ELEMENT(RunCharacter)
    QML_UNCREATABLE("Owned by the application")
};

}
