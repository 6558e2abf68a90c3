#include "quota/CredentialStore.h"

#include "quota/FileCredentialStore.h"
#include "quota/SecretServiceCredentialStore.h"

namespace pacemark {

std::vector<std::shared_ptr<const CredentialStore>> CredentialStore::platformStores()
{
    return {
        std::make_shared<SecretServiceCredentialStore>(QStringLiteral("Claude Code-credentials")),
        std::make_shared<FileCredentialStore>(),
    };
}

}
