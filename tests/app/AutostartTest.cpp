#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "TempDir.h"
#include "app/XdgAutostart.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

namespace {

TEST(Autostart, AnEntryIsWrittenReadBackAndRemovedAndOnlyOursCounts)
{
    TempDir home;
    // Any file will do as "this executable": the entry is compared by path.
    const QString executable = QString::fromStdString(home.write("opt/Pace mark $1/pacemark", "#!/bin/sh\n"));
    XdgAutostart login(QString::fromStdString(home.path("config/autostart")), executable);
    const std::string entry = "config/autostart/" + XdgAutostart::EntryName.toStdString();
    EXPECT_FALSE(login.isLaunchAtLoginEnabled());

    testing::internal::CaptureStderr();
    login.setLaunchAtLogin(true);
    EXPECT_TRUE(login.isLaunchAtLoginEnabled());
    const QString written = QString::fromUtf8(TempDir::contents(login.entryPath()));
    EXPECT_TRUE(written.contains(u"Type=Application\n"_s));
    EXPECT_TRUE(written.contains(u"Exec=\""_s + QString(executable).replace(u'$', u"\\\\$"_s) + u"\"\n"_s))
        << written.toStdString();

    login.setLaunchAtLogin(false);
    EXPECT_FALSE(login.isLaunchAtLoginEnabled() || QFileInfo::exists(login.entryPath()));
    login.setLaunchAtLogin(false);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // An entry switched off by another program counts as off until switched on again; one for another
    // program or of another kind does not count.
    for (const char* switchedOff : { "Hidden=true\n", "X-GNOME-Autostart-enabled=false\n" }) {
        login.setLaunchAtLogin(true);
        home.append(entry, switchedOff);
        EXPECT_FALSE(login.isLaunchAtLoginEnabled()) << switchedOff;
        login.setLaunchAtLogin(true);
        EXPECT_TRUE(login.isLaunchAtLoginEnabled()) << switchedOff;
    }
    const std::string exec = XdgAutostart::execValue(executable).toStdString();
    for (const std::string& content :
         { std::string("[Desktop Entry]\nType=Application\nExec=/usr/bin/something-else\n"),
           "[Desktop Entry]\nType=Link\nExec=" + exec + "\n",
           "[Other Group]\nType=Application\nExec=" + exec + "\n" }) {
        home.write(entry, content);
        EXPECT_FALSE(login.isLaunchAtLoginEnabled()) << content;
    }

    // A folder below a regular file cannot be made, even by root: one line, and nothing changes.
    XdgAutostart unwritable(executable + u"/autostart"_s, executable);
    testing::internal::CaptureStderr();
    unwritable.setLaunchAtLogin(true);
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(output.starts_with("pacemark.app: launch at login: ") && std::ranges::count(output, '\n') == 1)
        << output;
    EXPECT_FALSE(unwritable.isLaunchAtLoginEnabled());
}

TEST(AutostartEntry, ProgramsSurviveTheRoundTripAndTheFolderFollowsXdgConfigHome)
{
    for (const QString& program :
         { u"/usr/bin/pacemark"_s, u"/opt/my apps/pacemark"_s, u"/home/a \"b\"/$HOME/`x`/100%/back\\slash"_s }) {
        const QString exec = XdgAutostart::execValue(program);
        // The file's string escapes come off first when the entry is read.
        const QString read = QString(exec).replace(u"\\\\"_s, u"\\"_s);
        EXPECT_EQ(XdgAutostart::programOf(read), program) << exec.toStdString();
    }
    EXPECT_EQ(XdgAutostart::programOf(u"pacemark --flag"_s), u"pacemark"_s);
    EXPECT_EQ(XdgAutostart::programOf(u"\"unterminated"_s), QString());

    qputenv("XDG_CONFIG_HOME", "/custom/config");
    EXPECT_EQ(XdgAutostart::defaultAutostartFolder(), u"/custom/config/autostart"_s);
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_TRUE(XdgAutostart::defaultAutostartFolder().endsWith(u"/.config/autostart"_s));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(XdgAutostart::defaultAutostartFolder().endsWith(u"/.config/autostart"_s));
}

}
