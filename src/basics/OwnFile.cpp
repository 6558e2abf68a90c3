#include "basics/OwnFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "basics/Descriptor.h"

namespace pacemark {

namespace {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

}

OwnFile::ReadResult OwnFile::read(const QString& path, qint64 maxBytes, Links links)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a FIFO put in the file's place cannot hold the open.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::Refuse)
        flags |= O_NOFOLLOW;
    const Descriptor fd(::open(name.constData(), flags));
    if (fd.get() < 0) {
        const int error = errno;
        if (error == ENOENT)
            return {};
        return { std::nullopt, error == ELOOP ? QStringLiteral("a link, not a file of its own") : errnoText(error) };
    }
    struct stat status
    { };
    if (::fstat(fd.get(), &status) != 0)
        return { std::nullopt, errnoText(errno) };
    if (!S_ISREG(status.st_mode))
        return { std::nullopt, QStringLiteral("not a regular file") };
    if (status.st_size > maxBytes)
        return { std::nullopt, QStringLiteral("%1 bytes, more than the %2 allowed").arg(status.st_size).arg(maxBytes) };

    // The file may grow while it is read: no more than the cap is taken, and a file found longer is refused.
    QByteArray bytes(static_cast<qsizetype>(status.st_size), Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used > maxBytes)
            return { std::nullopt, QStringLiteral("grew past the %1 bytes allowed").arg(maxBytes) };
        if (used == bytes.size())
            bytes.resize(std::min<qsizetype>(std::max<qsizetype>(4096, bytes.size() * 2), maxBytes + 1));
        const ssize_t n = ::read(fd.get(), bytes.data() + used, static_cast<std::size_t>(bytes.size() - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return { std::nullopt, errnoText(errno) };
        if (n == 0)
            break;
        used += n;
    }
    bytes.truncate(used);
    return { std::move(bytes), {} };
}

bool OwnFile::write(const QString& path, const QByteArray& bytes, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        *error = QStringLiteral("%1: %2").arg(path, errnoText(errno));
        return false;
    }
    // rename() replaces whatever is at the path, a link included, and never follows it.
    if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0
        || ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("%1: %2").arg(path, errnoText(errno));
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

}
