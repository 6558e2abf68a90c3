#pragma once

#include <QObject>
#include <QtQml/qqml.h>

#include "basics/AppSettings.h"

namespace pacemark {

// Makes the settings a QML type, so the settings form can bind its controls to them both ways.
struct AppSettingsForeign
{
    Q_GADGET
    QML_FOREIGN(AppSettings)
    QML_NAMED_ELEMENT(AppSettings)
    QML_UNCREATABLE("Owned by the application")
};

}
