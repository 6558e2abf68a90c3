#include "basics/InstanceSocket.h"

#include <unistd.h>

#include <QDir>

namespace pacemark {

QString InstanceSocket::folder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && !QDir::isRelativePath(runtime))
        return runtime;
    return QDir::tempPath() + QStringLiteral("/pacemark-runtime-%1").arg(::geteuid());
}

QString InstanceSocket::path()
{
    return folder() + QStringLiteral("/pacemark.socket");
}

}
