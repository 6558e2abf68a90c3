#pragma once

#include <QObject>

// The application's registration to start when the user logs in, as the platform keeps it. The
// registration lives in the system; this only reads and changes it on the user's request.
class LoginItem : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The implementation of the running platform.
    static LoginItem* create(QObject* parent = nullptr);

    // True exactly when the platform will start this application at login.
    Q_INVOKABLE virtual bool isLaunchAtLoginEnabled() const = 0;
    // Registers or unregisters the application. A failure is written to standard output as one
    // "Launch at login error: " line and not retried.
    Q_INVOKABLE virtual void setLaunchAtLogin(bool enabled) = 0;

protected:
    static void logError(const QString& description);
};
