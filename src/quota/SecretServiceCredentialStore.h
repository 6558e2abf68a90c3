#pragma once

#include <QString>

#include "quota/CredentialStore.h"

// The freedesktop Secret Service (GNOME Keyring, KWallet, KeePassXC) through libsecret: the first item
// whose "service" attribute matches, from any collection and any application's schema.
class SecretServiceCredentialStore final : public CredentialStore
{
public:
    explicit SecretServiceCredentialStore(QString service);

    // Without interaction a locked item counts as absent: nothing is unlocked and no prompt is shown.
    std::optional<QByteArray> read(bool allowInteraction) const override;

private:
    QString m_service;
};
