#include "app/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include "app/AppLog.h"

namespace pacemark {

namespace {

void logError(const QString& description)
{
    qCWarning(lcApp).noquote() << "launch at login:" << description;
}

// The keys of the [Desktop Entry] group, values unescaped of the string escapes.
QHash<QString, QString> readDesktopEntry(const QString& path)
{
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inEntry = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inEntry || equals <= 0)
            continue;
        QString value;
        const QString raw = line.sliced(equals + 1).trimmed();
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] != u'\\' || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            const QChar next = raw[++i];
            value += next == u's' ? QChar(u' ') : next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
        }
        keys.insert(line.first(equals).trimmed(), value);
    }
    return keys;
}

bool sameFile(const QString& a, const QString& b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

}

XdgAutostart::XdgAutostart(const QString& autostartFolder, const QString& executable, QObject* parent)
    : Autostart(parent)
    , m_folder(autostartFolder)
    , m_executable(executable)
{ }

QString XdgAutostart::defaultAutostartFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return configHome + QStringLiteral("/autostart");
    return QDir::homePath() + QStringLiteral("/.config/autostart");
}

QString XdgAutostart::entryPath() const
{
    return m_folder + u'/' + EntryName;
}

bool XdgAutostart::isLaunchAtLoginEnabled() const
{
    const QHash<QString, QString> entry = readDesktopEntry(entryPath());
    if (entry.value(QStringLiteral("Type")) != u"Application")
        return false;
    if (entry.value(QStringLiteral("Hidden")) == u"true"
        || entry.value(QStringLiteral("X-GNOME-Autostart-enabled")) == u"false")
        return false;
    return sameFile(programOf(entry.value(QStringLiteral("Exec"))), m_executable);
}

void XdgAutostart::setLaunchAtLogin(bool enabled)
{
    if (enabled)
        writeEntry();
    else
        removeEntry();
}

QString XdgAutostart::execValue(const QString& program)
{
    // Inside double quotes the Exec rules want ", `, $ and \ escaped by a backslash and % doubled;
    // the string rules of the file then double every backslash.
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        // A lone % would start a field code.
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + quoted + u'"';
}

QString XdgAutostart::programOf(const QString& exec)
{
    const QString value = exec.trimmed();
    if (!value.startsWith(u'"'))
        return value.section(u' ', 0, 0);
    QString program;
    for (qsizetype i = 1; i < value.size(); ++i) {
        if (value[i] == u'"')
            return program;
        if ((value[i] == u'\\' || (value[i] == u'%' && value.mid(i + 1, 1) == u"%")) && i + 1 < value.size())
            ++i;
        program += value[i];
    }
    return {};
}

void XdgAutostart::writeEntry()
{
    if (!QDir().mkpath(m_folder)) {
        logError(QStringLiteral("cannot create the folder %1").arg(m_folder));
        return;
    }
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly)) {
        logError(QStringLiteral("cannot write %1: %2").arg(entryPath(), file.errorString()));
        return;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Pacemark\n"
                                         "Comment=Claude Code usage runner for the tray\n"
                                         "Exec=%1\n"
                                         "Icon=io.github.pacemark.Pacemark\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(m_executable));
    file.write(entry.toUtf8());
    if (!file.commit())
        logError(QStringLiteral("cannot write %1: %2").arg(entryPath(), file.errorString()));
}

void XdgAutostart::removeEntry()
{
    QFile file(entryPath());
    if (file.exists() && !file.remove())
        logError(QStringLiteral("cannot remove %1: %2").arg(entryPath(), file.errorString()));
}

}
