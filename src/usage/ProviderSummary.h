#pragma once

#include <QMetaType>
#include <QString>

namespace pacemark {

// The tokens of one provider.
struct ProviderSummary
{
    Q_GADGET
    Q_PROPERTY(QString providerId MEMBER providerId)
    Q_PROPERTY(QString providerName MEMBER providerName)
    Q_PROPERTY(QString providerIcon MEMBER providerIcon)
    Q_PROPERTY(qint64 tokens MEMBER tokens)

public:
    QString providerId;
    QString providerName;
    QString providerIcon;
    qint64 tokens = 0;

    friend bool operator==(const ProviderSummary&, const ProviderSummary&) = default;
};

}
