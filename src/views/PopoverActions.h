#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace pacemark {

// What the popover asks of the application beyond its own pages.
class PopoverActions : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the popover window")

public:
    using QObject::QObject;

Q_SIGNALS:
    // The toolbar's settings button was clicked.
    void settingsRequested();
};

}
