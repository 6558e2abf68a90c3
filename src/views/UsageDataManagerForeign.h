#pragma once

#include <QObject>
#include <QtQml/qqml.h>

#include "usage/UsageDataManager.h"

namespace pacemark {

// Makes the core's usage store a QML type, so views can take it as a typed property.
struct UsageDataManagerForeign
{
    Q_GADGET
    QML_FOREIGN(UsageDataManager)
    QML_NAMED_ELEMENT(UsageDataManager)
    QML_UNCREATABLE("Owned by the application")
};

}
