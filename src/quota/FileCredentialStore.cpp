#include "quota/FileCredentialStore.h"

#include <QFile>
#include <QFileInfo>

#include "ingest/ClaudePaths.h"

namespace {

// A credential is a few kilobytes; anything far larger is not one and is not read into memory.
constexpr qint64 MaxCredentialSize = 1 << 20;

}

FileCredentialStore::FileCredentialStore(QString path)
    : m_path(std::move(path))
{
}

QString FileCredentialStore::claudeCodeCredentialFile()
{
    return QString::fromStdString(ClaudePaths::configDirectory()) + QStringLiteral("/.credentials.json");
}

std::optional<QByteArray> FileCredentialStore::read(bool) const
{
    // Only a regular file: opening a FIFO left in its place would block the main thread.
    const QString path = m_path.value_or(claudeCodeCredentialFile());
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = file.read(MaxCredentialSize + 1);
    if (data.size() > MaxCredentialSize)
        return std::nullopt;
    return data;
}
