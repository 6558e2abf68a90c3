#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "TempDir.h"
#include "app/XdgAutostartLoginItem.h"

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
    EXPECT_TRUE(entry().contains(QStringLiteral("Type=Application\n")));
    EXPECT_TRUE(entry().contains(QStringLiteral("Exec=\"")
                                 + QString(m_executable).replace(u'$', QStringLiteral("\\\\$"))
                                 + QStringLiteral("\"\n")))
        << entry().toStdString();

    login.setLaunchAtLogin(false);
    EXPECT_FALSE(login.isLaunchAtLoginEnabled());
    EXPECT_FALSE(QFileInfo::exists(login.entryPath()));
    login.setLaunchAtLogin(false);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Autostart, AnEntrySwitchedOffByAnotherProgramCountsAsOff)
{
    for (const char* switchedOff : { "Hidden=true\n", "X-GNOME-Autostart-enabled=false\n" }) {
        XdgAutostartLoginItem login = item();
        login.setLaunchAtLogin(true);
        m_home.append("config/autostart/io.github.pacemark.Pacemark.desktop", switchedOff);
        EXPECT_FALSE(login.isLaunchAtLoginEnabled()) << switchedOff;

        login.setLaunchAtLogin(true);
        EXPECT_TRUE(login.isLaunchAtLoginEnabled()) << switchedOff;
    }
}

TEST_F(Autostart, AnEntryForAnotherProgramOrOfAnotherKindDoesNotCount)
{
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

TEST(AutostartExec, ProgramsWithSpecialCharactersSurviveTheRoundTrip)
{
    for (const QString& program : { QStringLiteral("/usr/bin/pacemark"), QStringLiteral("/opt/my apps/pacemark"),
                                    QStringLiteral("/home/a \"b\"/$HOME/`x`/100%/back\\slash") }) {
        const QString exec = XdgAutostartLoginItem::execValue(program);
        // The file's string escapes come off first when the entry is read.
        const QString read = QString(exec).replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        EXPECT_EQ(XdgAutostartLoginItem::programOf(read), program) << exec.toStdString();
    }
    EXPECT_EQ(XdgAutostartLoginItem::programOf(QStringLiteral("pacemark --flag")), QStringLiteral("pacemark"));
    EXPECT_EQ(XdgAutostartLoginItem::programOf(QStringLiteral("\"unterminated")), QString());
}

TEST(AutostartFolder, FollowsXdgConfigHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/custom/config");
    EXPECT_EQ(XdgAutostartLoginItem::defaultAutostartFolder(), QStringLiteral("/custom/config/autostart"));
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_TRUE(XdgAutostartLoginItem::defaultAutostartFolder().endsWith(QStringLiteral("/.config/autostart")));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(XdgAutostartLoginItem::defaultAutostartFolder().endsWith(QStringLiteral("/.config/autostart")));
    if (!saved.isEmpty())
        qputenv("XDG_CONFIG_HOME", saved);
}

}
