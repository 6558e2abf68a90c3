#include <gtest/gtest.h>

#include <QApplication>

// Tests that build or draw images get a GUI application object, with widgets for the tray's menu. They run on the
// offscreen platform unless told otherwise, also when the build lists their cases, so no display is ever needed.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
