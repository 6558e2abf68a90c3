#include <gtest/gtest.h>

#include <QCoreApplication>

// Core tests get a guiless application object so that timers, queued calls and the thread pool work.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
