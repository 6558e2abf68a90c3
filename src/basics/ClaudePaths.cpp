#include "basics/ClaudePaths.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include <QDir>
#include <QtGlobal>

namespace pacemark {

namespace {

QString withoutTrailingSlashes(QString dir)
{
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

QString homeDirectory()
{
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

}

std::vector<std::string> ClaudePaths::configDirectories()
{
    std::vector<std::string> dirs;
    for (const QString& entry : qEnvironmentVariable("CLAUDE_CONFIG_DIR").split(QLatin1Char(','))) {
        const QString dir = entry.trimmed();
        if (!dir.isEmpty())
            dirs.push_back(withoutTrailingSlashes(dir).toStdString());
    }
    // A variable that names no folder at all is treated as unset.
    if (!dirs.empty())
        return dirs;

    const QString home = homeDirectory();
    QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative value.
    if (!xdg.startsWith(QLatin1Char('/')))
        xdg = home + QStringLiteral("/.config");
    return { withoutTrailingSlashes(home).toStdString() + "/.claude",
             withoutTrailingSlashes(xdg).toStdString() + "/claude" };
}

std::vector<std::string> ClaudePaths::projectsPaths()
{
    auto dirs = configDirectories();
    for (auto& dir : dirs)
        dir += dir == "/" ? "projects" : "/projects";
    return dirs;
}

std::vector<std::string> ClaudePaths::existingDirectories(const std::vector<std::string>& paths)
{
    std::vector<std::string> existing;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const auto& path : paths) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && seen.emplace(st.st_dev, st.st_ino).second)
            existing.push_back(path);
    }
    return existing;
}

}
