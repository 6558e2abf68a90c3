#include "ingest/ClaudePaths.h"

#include <QDir>
#include <QtGlobal>

std::string ClaudePaths::configDirectory()
{
    QString dir = qEnvironmentVariable("CLAUDE_CONFIG_DIR");
    if (dir.isEmpty()) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            home = QDir::homePath();
        dir = home + QStringLiteral("/.claude");
    }
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir.toStdString();
}

const std::string& ClaudePaths::projectsPath()
{
    static const std::string path = configDirectory() + "/projects";
    return path;
}
