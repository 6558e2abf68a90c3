#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>

namespace pacemark {

// One place where Claude Code may have left its credential JSON. Platforms differ in where that is,
// so each source is a small implementation of this interface.
class CredentialStore
{
public:
    virtual ~CredentialStore() = default;

    // The stored credential data, or nothing. Without interaction no prompt is shown and nothing locked
    // is unlocked; with it the store may ask the user.
    virtual std::optional<QByteArray> read(bool allowInteraction) const = 0;
    // Ends a read under way on another thread soon, as if nothing were stored; for stores whose
    // reads can wait on another process.
    virtual void abandonReads() const { }

    // The sources of this platform in the order they are asked.
    static std::vector<std::shared_ptr<const CredentialStore>> platformStores();
};

}
