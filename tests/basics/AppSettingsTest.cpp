#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include <QFile>
#include <QSignalSpy>

#include "TempDir.h"
#include "basics/AppSettings.h"
#include "basics/Translation.h"

using namespace pacemark;

namespace {

// Properties notify on a change only, while every write is announced; what was written survives.
TEST(AppSettingsTest, OnlyChangesNotifyAndWrittenValuesSurvive)
{
    const TempDir home;
    const QString file = QString::fromStdString(home.path("settings.ini"));
    {
        AppSettings defaults(file);
        QSignalSpy flipChanged(&defaults, &AppSettings::horizontalFlipChanged);
        QSignalSpy heightChanged(&defaults, &AppSettings::characterHeightChanged);
        QSignalSpy idChanged(&defaults, &AppSettings::selectedCharacterIdChanged);
        QSignalSpy writes(&defaults, &AppSettings::changed);
        defaults.setSpeedInverted(true);
        defaults.setRunnerPaused(true);
        defaults.setHorizontalFlip(true);
        defaults.setHorizontalFlip(true);
        defaults.setCharacterHeight(20.0);
        defaults.setCharacterHeight(24.0);
        defaults.setShowMenuBarQuotaBattery(true);
        defaults.setSelectedCharacterId(QStringLiteral("c7"));
        defaults.setSelectedCharacterId(QStringLiteral("c7"));
        EXPECT_EQ(std::tuple(flipChanged.count(), heightChanged.count(), idChanged.count()), std::tuple(1, 1, 1));
        ASSERT_EQ(writes.count(), 9);
        EXPECT_EQ(writes.at(4).at(0).toString(), QStringLiteral("characterHeight"));
    }
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("selectedCharacterId=c7"));
    const AppSettings reread(file);
    EXPECT_TRUE(reread.speedInverted() && reread.runnerPaused() && reread.horizontalFlip()
                && reread.showMenuBarQuotaBattery());
    EXPECT_EQ(std::pair(reread.characterHeight(), reread.selectedCharacterId()), std::pair(24.0, QStringLiteral("c7")));
}

// A stored height that is no number reads as 20, a threshold pair outside 1-100 or out of order as 80 and
// 95; neither spoils the rest of the file. Set thresholds stay in range and in order.
TEST(AppSettingsTest, BadStoredValuesReadAsTheDefaultsAndThresholdsStayInOrder)
{
    const TempDir home;
    const std::tuple<const char*, int, int> cases[] = {
        { "characterHeight=tall", 80, 95 },
        { "characterHeight=nan", 80, 95 },
        { "characterHeight=inf", 80, 95 },
        { "quotaAlertLowerThreshold=50\nquotaAlertUpperThreshold=60", 50, 60 },
        { "quotaAlertLowerThreshold=90\nquotaAlertUpperThreshold=60", 80, 95 },
        { "quotaAlertLowerThreshold=0", 80, 95 },
        { "quotaAlertUpperThreshold=x", 80, 95 },
    };
    int files = 0;
    for (const auto& [stored, lower, upper] : cases) {
        // A file of its own per case: QSettings keeps what it read of a file whose size and time match.
        const AppSettings defaults(QString::fromStdString(
            home.write(std::to_string(++files) + ".ini", std::string("[General]\nrunnerPaused=true\n") + stored)));
        EXPECT_EQ(defaults.characterHeight(), 20.0) << stored;
        EXPECT_EQ(defaults.quotaAlertLowerThreshold(), lower) << stored;
        EXPECT_EQ(defaults.quotaAlertUpperThreshold(), upper) << stored;
        EXPECT_TRUE(defaults.runnerPaused() && defaults.quotaAlertsEnabled()) << stored;
    }
    AppSettings defaults(QString::fromStdString(home.path("settings.ini")));
    defaults.setQuotaAlertLowerThreshold(120);
    EXPECT_EQ(std::pair(defaults.quotaAlertLowerThreshold(), defaults.quotaAlertUpperThreshold()), std::pair(99, 100));
    defaults.setQuotaAlertUpperThreshold(-5);
    EXPECT_EQ(std::pair(defaults.quotaAlertLowerThreshold(), defaults.quotaAlertUpperThreshold()), std::pair(1, 2));
}

// The language: Korean unless English is chosen, or the system's language is chosen and is not Korean;
// a value that is none of the three is never written and reads as Korean.
TEST(AppSettingsTest, LanguageIsKoreanUnlessEnglishOrANonKoreanSystemIsChosen)
{
    using Language = Translation::Language;
    const std::tuple<const char*, QLocale, Language> cases[] = {
        { "ko", QLocale(QLocale::English), Language::korean },
        { "en", QLocale(QLocale::Korean), Language::english },
        { "system", QLocale(QLocale::Korean, QLocale::SouthKorea), Language::korean },
        { "system", QLocale(QLocale::English, QLocale::UnitedStates), Language::english },
        { "system", QLocale(QLocale::German), Language::english },
        { "system", QLocale::c(), Language::english },
        { "fr", QLocale(QLocale::French), Language::korean },
    };
    for (const auto& [setting, system, expected] : cases)
        EXPECT_EQ(Translation::resolve(QString::fromLatin1(setting), system), expected) << setting;

    const TempDir home;
    AppSettings junk(QString::fromStdString(home.write("junk.ini", "[General]\nlanguage=klingon\n")));
    EXPECT_EQ(junk.language(), QStringLiteral("ko"));
    AppSettings defaults(QString::fromStdString(home.path("settings.ini")));
    QSignalSpy changed(&defaults, &AppSettings::languageChanged);
    defaults.setLanguage(QStringLiteral("en"));
    defaults.setLanguage(QStringLiteral("fr"));
    defaults.setLanguage(QStringLiteral("en"));
    EXPECT_EQ(defaults.language(), QStringLiteral("en"));
    EXPECT_EQ(changed.size(), 1);
}

}
