#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace pacemark {

// What the settings form sees of the application's update check: the running version, whether a
// check can start now, and starting one. The application provides the implementation.
class UpdateChecker : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Provided by the application")
    Q_PROPERTY(QString appVersion READ currentVersion CONSTANT)
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    using QObject::QObject;

    virtual QString currentVersion() const = 0;
    virtual bool canCheckForUpdates() const = 0;
    // Starts a check; how its outcome is told is the implementation's.
    Q_INVOKABLE virtual void checkForUpdates() = 0;

Q_SIGNALS:
    void canCheckForUpdatesChanged();
};

}
