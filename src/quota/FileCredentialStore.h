#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "quota/CredentialStore.h"

namespace pacemark {

// Claude Code on Linux keeps its credential JSON in a file of its config folder, beside its logs.
class FileCredentialStore final : public CredentialStore
{
public:
    // Claude Code's own file, located afresh at each read.
    FileCredentialStore() = default;
    explicit FileCredentialStore(QString path);

    // ".credentials.json" in each of Claude Code's config folders, in the order their logs are
    // read; from the environment at each call. The first readable one is used.
    static QStringList claudeCodeCredentialFiles();

    std::optional<QByteArray> read(bool allowInteraction) const override;

private:
    std::optional<QString> m_path;
};

}
