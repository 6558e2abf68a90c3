#include <gtest/gtest.h>

#include <QGuiApplication>

// View tests need a GUI application object for fonts, palettes and Qt Quick windows; the offscreen
// platform keeps them headless, also when the test list is gathered outside ctest's environment.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
