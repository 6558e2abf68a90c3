#pragma once

#include <optional>

#include <QString>

#include "quota/CredentialStore.h"

// Claude Code on Linux keeps its credential JSON in a file of its config folder.
class FileCredentialStore final : public CredentialStore
{
public:
    // Claude Code's own file, located afresh at each read.
    FileCredentialStore() = default;
    explicit FileCredentialStore(QString path);

    // $CLAUDE_CONFIG_DIR/.credentials.json, else ~/.claude/.credentials.json; read from the environment
    // at each call.
    static QString claudeCodeCredentialFile();

    std::optional<QByteArray> read(bool allowInteraction) const override;

private:
    std::optional<QString> m_path;
};
