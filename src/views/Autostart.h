#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace pacemark {

// The application's registration to start when the user logs in, as the platform keeps it. The
// registration lives in the system; this only reads and changes it on the user's request. The
// settings form sees this interface; the application provides the platform's implementation.
class Autostart : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Provided by the application")

public:
    using QObject::QObject;

    // True exactly when the platform will start this application at login.
    Q_INVOKABLE virtual bool isLaunchAtLoginEnabled() const = 0;
    // Registers or unregisters the application. A failure is reported and not retried.
    Q_INVOKABLE virtual void setLaunchAtLogin(bool enabled) = 0;
};

}
