#pragma once

#include <QMetaType>
#include <QString>

namespace pacemark {

// What the views show of a provider.
struct ProviderInfo
{
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString icon MEMBER icon CONSTANT)
    Q_PROPERTY(bool isAvailable MEMBER isAvailable CONSTANT)
    Q_PROPERTY(bool isEnabled MEMBER isEnabled)

public:
    QString id;
    QString name;
    QString icon;
    bool isAvailable = false;
    bool isEnabled = false;

    friend bool operator==(const ProviderInfo&, const ProviderInfo&) = default;
};

}
