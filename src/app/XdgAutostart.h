#pragma once

#include <QString>

#include "views/Autostart.h"

namespace pacemark {

// Launch at login on Linux desktops: an application entry in the XDG autostart folder. The entry
// counts only while it runs this executable and no other program has switched it off.
class XdgAutostart : public Autostart
{
    Q_OBJECT

public:
    static inline const QString EntryName = QStringLiteral("io.github.pacemark.Pacemark.desktop");

    XdgAutostart(const QString& autostartFolder, const QString& executable, QObject* parent = nullptr);

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is unset or not absolute.
    static QString defaultAutostartFolder();

    QString entryPath() const;
    bool isLaunchAtLoginEnabled() const override;
    void setLaunchAtLogin(bool enabled) override;

    // The Exec value that runs the program, quoted and escaped as desktop entries require.
    static QString execValue(const QString& program);
    // The program an Exec value runs, unquoted; empty when the value cannot be read.
    static QString programOf(const QString& exec);

private:
    void writeEntry();
    void removeEntry();

    QString m_folder;
    QString m_executable;
};

}
