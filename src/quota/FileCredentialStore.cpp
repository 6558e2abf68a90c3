#include "quota/FileCredentialStore.h"

#include <QFile>
#include <QFileInfo>

#include "basics/ClaudePaths.h"

namespace pacemark {

namespace {

// A credential is a few kilobytes; anything far larger is not one and is not read into memory.
constexpr qint64 MaxCredentialSize = 1 << 20;

}

FileCredentialStore::FileCredentialStore(QString path)
    : m_path(std::move(path))
{ }

QStringList FileCredentialStore::claudeCodeCredentialFiles()
{
    QStringList files;
    for (const auto& dir : ClaudePaths::configDirectories())
        files.append(QString::fromStdString(dir) + QStringLiteral("/.credentials.json"));
    return files;
}

std::optional<QByteArray> FileCredentialStore::read(bool) const
{
    for (const QString& path : m_path ? QStringList { *m_path } : claudeCodeCredentialFiles()) {
        // Only a regular file: opening a FIFO left in its place would block the main thread.
        if (!QFileInfo(path).isFile())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray data = file.read(MaxCredentialSize + 1);
        if (data.size() <= MaxCredentialSize)
            return data;
    }
    return std::nullopt;
}

}
