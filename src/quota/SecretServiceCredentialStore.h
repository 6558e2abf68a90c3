#pragma once

#include <chrono>
#include <mutex>

#include <QString>

#include "quota/CredentialStore.h"

using GCancellable = struct _GCancellable;

namespace pacemark {

// The freedesktop Secret Service (GNOME Keyring, KWallet, KeePassXC) through libsecret: the first item
// whose "service" attribute matches, from any collection and any application's schema.
class SecretServiceCredentialStore final : public CredentialStore
{
public:
    // A keyring that has not answered by then counts as holding nothing. An unlock prompt waits for the
    // user, so a read with interaction is given much longer.
    static constexpr std::chrono::milliseconds SilentDeadline { 5000 };
    static constexpr std::chrono::milliseconds InteractiveDeadline { 120000 };

    explicit SecretServiceCredentialStore(QString service, std::chrono::milliseconds silentDeadline = SilentDeadline);

    // Without interaction a locked item counts as absent: nothing is unlocked and no prompt is shown.
    // Blocks the calling thread until the keyring answers or the deadline passes.
    std::optional<QByteArray> read(bool allowInteraction) const override;
    void abandonReads() const override;

private:
    QString m_service;
    std::chrono::milliseconds m_silentDeadline;
    // The search under way, if any, so that another thread can cancel it.
    mutable std::mutex m_searchMutex;
    mutable GCancellable* m_search = nullptr;
};

}
