#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>

#include "views/IconImage.h"
#include "views/Theme.h"

using namespace pacemark;

using namespace Qt::StringLiterals;

TEST(Theme, FollowsTheApplicationPaletteBetweenLightAndDark)
{
    const QPalette original = QGuiApplication::palette();
    QPalette light;
    light.setColor(QPalette::Window, QColor(0xEC, 0xEC, 0xEC));
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Highlight, QColor(0x00, 0x7A, 0xFF));
    QGuiApplication::setPalette(light);

    Theme theme;
    EXPECT_TRUE(!theme.isDark() && theme.accent() == QColor(0x00, 0x7A, 0xFF));
    EXPECT_EQ(theme.purple(), QColor::fromRgb(namedColorRgb(NamedColor::Purple, false)));

    QSignalSpy changed(&theme, &Theme::paletteChanged);
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::WindowText, Qt::white);
    QGuiApplication::setPalette(dark);
    EXPECT_TRUE(changed.count() == 1 && theme.isDark());
    EXPECT_EQ(theme.purple(), QColor::fromRgb(namedColorRgb(NamedColor::Purple, true)));
    EXPECT_EQ(theme.secondary().rgb(), QColor(Qt::white).rgb());

    QGuiApplication::setPalette(original);
    // Figures use a family with one digit width.
    EXPECT_TRUE(Theme::hasTabularDigits(theme.digitsFamily()));
}

TEST(IconImage, EveryNamedIconHasAFile)
{
    for (const char* symbol :
         { "house.fill", "figure.run", "gearshape.fill", "bolt.fill", "mountain.2.fill",
           "gauge.with.dots.needle.67percent", "calendar", "brain", "chart.pie.fill", "network" }) {
        IconImage icon;
        icon.setName(QString::fromLatin1(symbol));
        EXPECT_TRUE(icon.isValid()) << symbol;
    }
    IconImage unknown;
    unknown.setName(u"no.such.icon"_s);
    EXPECT_FALSE(unknown.isValid());
}
