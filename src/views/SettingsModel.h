#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace pacemark {

// The settings window as its form sees it: told each time the window is shown, so the form can
// re-read what may have changed outside the application while it was hidden.
class SettingsModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the settings window")

public:
    using QObject::QObject;

Q_SIGNALS:
    void shown();
};

}
