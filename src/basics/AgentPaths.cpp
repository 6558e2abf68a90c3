#include "basics/AgentPaths.h"

#include <QDir>
#include <QStringList>

namespace pacemark {

namespace {

QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

}

std::vector<std::string> AgentPaths::codexHomes()
{
    std::vector<std::string> homes;
    for (const QString& entry : qEnvironmentVariable("CODEX_HOME").split(QLatin1Char(','))) {
        const QString trimmed = entry.trimmed();
        if (!trimmed.isEmpty())
            homes.push_back(QDir::cleanPath(trimmed).toStdString());
    }
    if (homes.empty())
        homes.push_back((homeFolder() + QStringLiteral("/.codex")).toStdString());
    return homes;
}

std::string AgentPaths::geminiHome()
{
    const QString base = qEnvironmentVariable("GEMINI_CLI_HOME").trimmed();
    return ((base.isEmpty() ? homeFolder() : QDir::cleanPath(base)) + QStringLiteral("/.gemini")).toStdString();
}

}
