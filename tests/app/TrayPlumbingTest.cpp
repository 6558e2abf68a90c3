#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "TempDir.h"
#include "app/PopoverPlacement.h"
#include "app/SingleInstance.h"

TEST(PopoverPlacementTest, AnchorsToTheIconOrThePointerAndStaysOnScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize popover(360, 420);
    const struct
    {
        const char* what;
        QRect icon;
        QPoint pointer;
        QPoint expected;
    } cases[] = {
        { "top panel: under the icon, centred", QRect(1000, 0, 24, 24), {}, QPoint(832, 28) },
        { "bottom panel: above the icon", QRect(1000, 1056, 24, 24), {}, QPoint(832, 1056 - 4 - 420) },
        { "icon at the right edge: pushed on screen", QRect(1900, 0, 20, 24), {}, QPoint(1560, 28) },
        { "icon at the left edge", QRect(0, 0, 20, 24), {}, QPoint(0, 28) },
        { "a click at y 10 on a top panel: under a panel 20 high", QRect(), QPoint(500, 10), QPoint(320, 24) },
        { "a click on a bottom panel: above it", QRect(), QPoint(500, 1070), QPoint(320, 1060 - 4 - 420) },
        { "a click above the work area (panel excluded)", QRect(), QPoint(500, -12), QPoint(320, 4) },
        { "a click in the middle of the screen: at it", QRect(), QPoint(500, 500), QPoint(320, 504) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PopoverPlacement::topLeft(c.icon, c.pointer, screen, popover), c.expected) << c.what;

    // A second screen to the right, with its own origin.
    EXPECT_EQ(PopoverPlacement::topLeft(QRect(3800, 0, 24, 24), {}, QRect(1920, 0, 1920, 1080), popover),
              QPoint(3480, 28));
}

TEST(SingleInstanceTest, SecondInstanceActivatesTheFirst)
{
    TempDir dir;
    const QString name = QString::fromStdString(dir.path("instance"));
    SingleInstance first(name);
    ASSERT_TRUE(first.start());
    QSignalSpy activated(&first, &SingleInstance::activationRequested);

    SingleInstance second(name);
    EXPECT_FALSE(second.start());
    EXPECT_TRUE(activated.wait(2000));
    EXPECT_EQ(activated.count(), 1);
}

TEST(SingleInstanceTest, SocketLeftByACrashedInstanceIsTakenOver)
{
    TempDir dir;
    const std::string path = dir.path("instance");
    // A bound socket file nobody listens on, as a killed process leaves it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);

    SingleInstance instance(QString::fromStdString(path));
    EXPECT_TRUE(instance.start());
}
