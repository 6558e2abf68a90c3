#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include "basics/UserDefaults.h"

// Makes the settings a QML type, so the settings form can bind its controls to them both ways.
struct UserDefaultsForeign
{
    Q_GADGET
    QML_FOREIGN(UserDefaults)
    QML_NAMED_ELEMENT(UserDefaults)
    QML_UNCREATABLE("Owned by the application")
};
