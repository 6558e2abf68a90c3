#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "TempDir.h"
#include "app/XdgAutostartLoginItem.h"

using namespace Qt::StringLiterals;

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

class Autostart : public testing::Test
{
protected:
    void SetUp() override
    {
        // Any file will do as "this executable": the entry is compared by path.
        m_executable = qs(m_home.write("opt/Pace mark $1/pacemark", "#!/bin/sh\n"));
    }

    XdgAutostartLoginItem item() const
    {
        return XdgAutostartLoginItem(qs(m_home.path("config/autostart")), m_executable);
    }

    QString entry() const
    {
        QFile file(qs(m_home.path("config/autostart/")) + XdgAutostartLoginItem::EntryName);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    TempDir m_home;
    QString m_executable;
};

TEST_F(Autostart, AnEntryIsWrittenReadBackAndRemoved)
{
    XdgAutostartLoginItem login = item();
    EXPECT_FALSE(login.isLaunchAtLoginEnabled());

    testing::internal::CaptureStderr();
    login.setLaunchAtLogin(true);
    EXPECT_TRUE(login.isLaunchAtLoginEnabled());
    EXPECT_TRUE(entry().contains(u"Type=Application\n"_s));
    EXPECT_TRUE(entry().contains(u"Exec=\""_s + QString(m_executable).replace(u'$', u"\\\\$"_s) + u"\"\n"_s))
        << entry().toStdString();

    login.setLaunchAtLogin(false);
    EXPECT_FALSE(login.isLaunchAtLoginEnabled());
    EXPECT_FALSE(QFileInfo::exists(login.entryPath()));
    login.setLaunchAtLogin(false);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// An entry switched off by another program counts as off until switched on again; one for another
// program or of another kind does not count.
TEST_F(Autostart, EntriesThatDoNotCount)
{
    for (const char* switchedOff : { "Hidden=true\n", "X-GNOME-Autostart-enabled=false\n" }) {
        XdgAutostartLoginItem login = item();
        login.setLaunchAtLogin(true);
        m_home.append("config/autostart/io.github.pacemark.Pacemark.desktop", switchedOff);
        EXPECT_FALSE(login.isLaunchAtLoginEnabled()) << switchedOff;
        login.setLaunchAtLogin(true);
        EXPECT_TRUE(login.isLaunchAtLoginEnabled()) << switchedOff;
    }
    const std::string exec = XdgAutostartLoginItem::execValue(m_executable).toStdString();
    for (const std::string& content :
         { std::string("[Desktop Entry]\nType=Application\nExec=/usr/bin/something-else\n"),
           "[Desktop Entry]\nType=Link\nExec=" + exec + "\n",
           "[Other Group]\nType=Application\nExec=" + exec + "\n" }) {
        m_home.write("config/autostart/io.github.pacemark.Pacemark.desktop", content);
        EXPECT_FALSE(item().isLaunchAtLoginEnabled()) << content;
    }
}

TEST_F(Autostart, AFolderThatCannotBeWrittenLogsOneLineAndChangesNothing)
{
    // A folder below a regular file cannot be made, even by root.
    m_home.write("config", "not a folder");
    XdgAutostartLoginItem login = item();

    testing::internal::CaptureStderr();
    login.setLaunchAtLogin(true);
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(output.rfind("pacemark.app: launch at login: ", 0), 0U) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
    EXPECT_FALSE(login.isLaunchAtLoginEnabled());
}

TEST(AutostartEntry, ProgramsSurviveTheRoundTripAndTheFolderFollowsXdgConfigHome)
{
    for (const QString& program :
         { u"/usr/bin/pacemark"_s, u"/opt/my apps/pacemark"_s, u"/home/a \"b\"/$HOME/`x`/100%/back\\slash"_s }) {
        const QString exec = XdgAutostartLoginItem::execValue(program);
        // The file's string escapes come off first when the entry is read.
        const QString read = QString(exec).replace(u"\\\\"_s, u"\\"_s);
        EXPECT_EQ(XdgAutostartLoginItem::programOf(read), program) << exec.toStdString();
    }
    EXPECT_EQ(XdgAutostartLoginItem::programOf(u"pacemark --flag"_s), u"pacemark"_s);
    EXPECT_EQ(XdgAutostartLoginItem::programOf(u"\"unterminated"_s), QString());

    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/custom/config");
    EXPECT_EQ(XdgAutostartLoginItem::defaultAutostartFolder(), u"/custom/config/autostart"_s);
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_TRUE(XdgAutostartLoginItem::defaultAutostartFolder().endsWith(u"/.config/autostart"_s));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(XdgAutostartLoginItem::defaultAutostartFolder().endsWith(u"/.config/autostart"_s));
    if (!saved.isEmpty())
        qputenv("XDG_CONFIG_HOME", saved);
}

}
