#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>

#include "TempDir.h"
#include "basics/UserDefaults.h"

namespace {

class UserDefaultsTest : public ::testing::Test
{
protected:
    QString file() const { return QString::fromStdString(m_home.path("settings.ini")); }

    TempDir m_home;
};

// Properties notify on a change only, while every write is announced; what was written survives.
TEST_F(UserDefaultsTest, OnlyChangesNotifyAndWrittenValuesSurvive)
{
    {
        UserDefaults defaults(file());
        EXPECT_EQ(defaults.characterHeight(), 20.0);
        QSignalSpy flipChanged(&defaults, &UserDefaults::horizontalFlipChanged);
        QSignalSpy heightChanged(&defaults, &UserDefaults::characterHeightChanged);
        QSignalSpy idChanged(&defaults, &UserDefaults::selectedCharacterIdChanged);
        QSignalSpy writes(&defaults, &UserDefaults::changed);
        defaults.setSpeedInverted(true);
        defaults.setRunnerPaused(true);
        defaults.setHorizontalFlip(true);
        defaults.setHorizontalFlip(true);
        defaults.setCharacterHeight(20.0);
        defaults.setCharacterHeight(24.0);
        defaults.setShowMenuBarQuotaBattery(true);
        defaults.setSelectedCharacterId(QStringLiteral("c7"));
        defaults.setSelectedCharacterId(QStringLiteral("c7"));
        EXPECT_EQ(flipChanged.count(), 1);
        EXPECT_EQ(heightChanged.count(), 1);
        EXPECT_EQ(idChanged.count(), 1);
        ASSERT_EQ(writes.count(), 9);
        EXPECT_EQ(writes.at(4).at(0).toString(), QStringLiteral("characterHeight"));
    }
    QFile ini(file());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("selectedCharacterId=c7"));
    const UserDefaults reread(file());
    EXPECT_TRUE(reread.speedInverted());
    EXPECT_TRUE(reread.runnerPaused());
    EXPECT_TRUE(reread.horizontalFlip());
    EXPECT_EQ(reread.characterHeight(), 24.0);
    EXPECT_TRUE(reread.showMenuBarQuotaBattery());
    EXPECT_EQ(reread.selectedCharacterId(), QStringLiteral("c7"));
}

TEST_F(UserDefaultsTest, AHeightThatIsNoNumberReadsAsTheDefault)
{
    for (const char* stored : { "tall", "nan", "inf" }) {
        const std::string path
            = m_home.write(std::string(stored) + ".ini",
                           std::string("[General]\ncharacterHeight=") + stored + "\nrunnerPaused=true\n");
        const UserDefaults defaults(QString::fromStdString(path));
        EXPECT_EQ(defaults.characterHeight(), 20.0) << stored;
        EXPECT_TRUE(defaults.runnerPaused());
    }
}

// Thresholds stay in 1-100 and in order; a stored pair that is not reads as 80 and 95.
TEST_F(UserDefaultsTest, AlertThresholdsStayInRangeAndInOrder)
{
    struct Case
    {
        const char* stored;
        int lower;
        int upper;
    };
    int files = 0;
    for (const Case& c :
         { Case { "", 80, 95 }, Case { "quotaAlertLowerThreshold=50\nquotaAlertUpperThreshold=60", 50, 60 },
           Case { "quotaAlertLowerThreshold=90\nquotaAlertUpperThreshold=60", 80, 95 },
           Case { "quotaAlertLowerThreshold=0", 80, 95 }, Case { "quotaAlertUpperThreshold=x", 80, 95 } }) {
        // A file of its own per case: QSettings keeps what it read of a file whose size and time match.
        const std::string path
            = m_home.write("alerts-" + std::to_string(++files) + ".ini", std::string("[General]\n") + c.stored + "\n");
        const UserDefaults defaults(QString::fromStdString(path));
        EXPECT_EQ(defaults.quotaAlertLowerThreshold(), c.lower) << c.stored;
        EXPECT_EQ(defaults.quotaAlertUpperThreshold(), c.upper) << c.stored;
        EXPECT_TRUE(defaults.quotaAlertsEnabled());
    }
    UserDefaults defaults(file());
    defaults.setQuotaAlertLowerThreshold(120);
    EXPECT_EQ(defaults.quotaAlertLowerThreshold(), 99);
    EXPECT_EQ(defaults.quotaAlertUpperThreshold(), 100);
    defaults.setQuotaAlertUpperThreshold(-5);
    EXPECT_EQ(defaults.quotaAlertLowerThreshold(), 1);
    EXPECT_EQ(defaults.quotaAlertUpperThreshold(), 2);
}

}
