#include "app/tray/TrayIconFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pacemark {

namespace {

// The runtime folder's "pacemark-icons", emptied, or empty when there is no runtime folder or the
// name cannot be made a folder of ours.
QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || QDir::isRelativePath(runtime) || !QFileInfo(runtime).isDir())
        return {};
    const QString path = runtime + QStringLiteral("/pacemark-icons");
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    { };
    // Whatever is not a folder of this user's goes; a folder's contents are of an earlier run.
    if (::lstat(name.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode) && status.st_uid == ::geteuid()) {
            if (!QDir(path).removeRecursively())
                return {};
        } else if (::unlink(name.constData()) != 0) {
            return {};
        }
    }
    return ::mkdir(name.constData(), 0700) == 0 ? path : QString();
}

// Written whole under another name first, so that a host never reads half a picture.
bool writePng(const QString& path, const QImage& image)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

QString sizeFolder(int size)
{
    return QStringLiteral("hicolor/%1x%1/apps").arg(size);
}

// Hosts that search only our folder find the sizes here; the others take the desktop's own hicolor
// index, which lists the same folders.
bool writeIndex(const QString& path, const QSet<int>& sizes)
{
    QList<int> sorted(sizes.begin(), sizes.end());
    std::sort(sorted.begin(), sorted.end());
    QStringList folders;
    QString sections;
    for (int size : sorted) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        folders.append(folder);
        sections += QStringLiteral("\n[%1]\nSize=%2\nContext=Applications\nType=Threshold\n").arg(folder).arg(size);
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(QStringLiteral("[Icon Theme]\nName=Hicolor\nComment=Pacemark's tray frames\nDirectories=%1\n%2")
                          .arg(folders.join(QLatin1Char(',')), sections)
                          .toUtf8())
        >= 0
        && file.commit();
}

}

TrayIconFolder::TrayIconFolder()
    : m_path(runtimeFolder())
{
    if (!m_path.isEmpty())
        return;
    m_temporary.emplace(QDir::tempPath() + QStringLiteral("/pacemark-icons-XXXXXX"));
    if (m_temporary->isValid())
        m_path = m_temporary->path();
}

QString TrayIconFolder::nameFor(const QList<QImage>& sizes)
{
    if (!isValid() || sizes.isEmpty())
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QImage& image : sizes) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes()));
    }
    const QString name = QStringLiteral("pacemark-") + QString::fromLatin1(hash.result().toHex().left(20));
    if (m_names.contains(name))
        return name;

    QDir dir(path());
    bool written = true;
    const QImage* top = &sizes.first();
    for (const QImage& image : sizes) {
        if (!m_sizes.contains(image.width())) {
            if (!dir.mkpath(sizeFolder(image.width())))
                return {};
            m_sizes.insert(image.width());
            written = written && writeIndex(dir.filePath(QStringLiteral("hicolor/index.theme")), m_sizes);
        }
        written = written
            && writePng(dir.filePath(sizeFolder(image.width()) + QLatin1Char('/') + name + QStringLiteral(".png")),
                        image);
        if (image.width() <= 32)
            top = &image;
    }
    // Hosts that read only the top of the folder scale the picture themselves: 32 px looks right
    // from a 16 px panel to a 32 px one.
    if (!written || !writePng(dir.filePath(name + QStringLiteral(".png")), *top))
        return {};
    m_names.insert(name);
    return name;
}

}
