#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QJsonObject>
#include <QLocalSocket>
#include <QSignalSpy>

#include "EventLoop.h"
#include "TempDir.h"
#include "app/PopoverPlacement.h"
#include "app/SingleInstance.h"

using namespace pacemark;

TEST(PopoverPlacementTest, AnchorsToTheIconOrThePointerAndStaysOnScreen)
{
    const QRect screen(0, 0, 1920, 1080), second(1920, 0, 1920, 1080);
    const std::tuple<const char*, QRect, QPoint, QRect, QPoint> cases[] = {
        { "top panel: under the icon, centred", QRect(1000, 0, 24, 24), {}, screen, QPoint(832, 28) },
        { "bottom panel: above the icon", QRect(1000, 1056, 24, 24), {}, screen, QPoint(832, 1056 - 4 - 420) },
        { "icon at the right edge: pushed on screen", QRect(1900, 0, 20, 24), {}, screen, QPoint(1560, 28) },
        { "icon at the left edge", QRect(0, 0, 20, 24), {}, screen, QPoint(0, 28) },
        { "a second screen with its own origin", QRect(3800, 0, 24, 24), {}, second, QPoint(3480, 28) },
        { "a click at y 10 on a top panel: under a panel 20 high", {}, QPoint(500, 10), screen, QPoint(320, 24) },
        { "a click on a bottom panel: above it", {}, QPoint(500, 1070), screen, QPoint(320, 1060 - 4 - 420) },
        { "a click above the work area (panel excluded)", {}, QPoint(500, -12), screen, QPoint(320, 4) },
        { "a click in the middle of the screen: at it", {}, QPoint(500, 500), screen, QPoint(320, 504) },
    };
    for (const auto& [what, icon, pointer, on, expected] : cases)
        EXPECT_EQ(PopoverPlacement::topLeft(icon, pointer, on, QSize(360, 420)), expected) << what;
}

namespace {

// A socket somebody else put in place: the kernel queues connections to it, so whether anyone came is
// known without serving them. A socket bound but never listened on is what a killed instance leaves.
class Squatter
{
public:
    explicit Squatter(const std::string& path, bool listening = true)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0))
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
        EXPECT_TRUE(!listening || ::listen(m_fd, 4) == 0);
    }
    ~Squatter() { ::close(m_fd); }
    Squatter(const Squatter&) = delete;
    Squatter& operator=(const Squatter&) = delete;

    bool contacted() const
    {
        const int connection = ::accept(m_fd, nullptr, nullptr);
        return connection >= 0 && ::close(connection) == 0;
    }

private:
    int m_fd;
};

}

// Each case gets its own temporary folder and, unless unset, its own runtime folder as a session has it;
// every test sets both variables, so none of them is put back.
class SingleInstanceTest : public testing::Test
{
protected:
    // Short names: a socket's path has room for 107 bytes only.
    void newSession(bool runtimeFolder)
    {
        const std::string name = std::to_string(++m_sessions);
        m_tmp = m_dir.path(name + "/tmp");
        m_runtime = runtimeFolder ? m_dir.path(name + "/run") : std::string();
        std::filesystem::create_directories(m_tmp);
        qputenv("TMPDIR", QByteArray::fromStdString(m_tmp));
        qunsetenv("XDG_RUNTIME_DIR");
        if (runtimeFolder) {
            ::mkdir(m_runtime.c_str(), 0700);
            qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime));
        }
    }
    std::string ownFolder() const { return m_tmp + "/pacemark-runtime-" + std::to_string(::geteuid()); }
    std::string socketPath() const { return (m_runtime.empty() ? ownFolder() : m_runtime) + "/pacemark.socket"; }

    TempDir m_dir;
    std::string m_tmp;
    std::string m_runtime;

private:
    int m_sessions = 0;
};

// The application answers the activation by opening its popover.
TEST_F(SingleInstanceTest, SecondStartActivatesTheFirst)
{
    const std::tuple<const char*, bool, bool> cases[] = {
        { "in the runtime folder", true, false },
        { "without XDG_RUNTIME_DIR: a folder of our own in the temporary folder", false, false },
        { "over a socket left by an instance that was killed", true, true },
    };
    for (const auto& [what, runtimeFolder, leftBehind] : cases) {
        SCOPED_TRACE(what);
        newSession(runtimeFolder);
        // Where the socket used to be, anybody could have put one that answers.
        const Squatter oldPlace(m_tmp + "/pacemark-" + std::to_string(::getuid()));
        std::optional<Squatter> killed;
        if (leftBehind)
            killed.emplace(socketPath(), false);

        SingleInstance first, second;
        ASSERT_TRUE(first.start());
        EXPECT_TRUE(std::filesystem::is_socket(socketPath()));
        EXPECT_TRUE(runtimeFolder
                    || std::filesystem::status(ownFolder()).permissions() == std::filesystem::perms::owner_all);
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        EXPECT_FALSE(second.start());
        EXPECT_TRUE(waitUntil([&] { return !activated.isEmpty(); }));
        EXPECT_FALSE(oldPlace.contacted());
    }
}

TEST_F(SingleInstanceTest, RefusesWhatAnotherUserCouldHavePutInPlaceAndStartsAlone)
{
    // Giving files away to another user needs root; without it those cases are left out.
    enum class Squat { OpenFolder, ForeignFolder, ForeignSocket, LinkedFolder };
    const std::tuple<const char*, bool, Squat, const char*> cases[] = {
        { "runtime folder open to others", true, Squat::OpenFolder, "open to other users, mode 0777" },
        { "runtime folder of another user", true, Squat::ForeignFolder, "owned by another user" },
        { "socket of another user in the runtime folder", true, Squat::ForeignSocket, "owned by another user" },
        { "own folder made first by someone else, open to all", false, Squat::OpenFolder,
          "open to other users, mode 0777" },
        { "own folder made first by another user", false, Squat::ForeignFolder, "owned by another user" },
        { "own folder's name taken by a link to another folder", false, Squat::LinkedFolder, "not a folder" },
    };
    for (const auto& [what, runtimeFolder, squat, reason] : cases) {
        SCOPED_TRACE(what);
        newSession(runtimeFolder);
        const std::string folder = runtimeFolder ? m_runtime : ownFolder();
        ::mkdir(folder.c_str(), 0700);
        const Squatter squatter(socketPath());
        const std::string refused = squat == Squat::ForeignSocket ? socketPath() : folder;
        if (squat == Squat::OpenFolder) {
            ::chmod(folder.c_str(), 0777);
        } else if (squat == Squat::LinkedFolder) {
            std::filesystem::rename(folder, m_tmp + "/elsewhere");
            std::filesystem::create_directory_symlink(m_tmp + "/elsewhere", folder);
        } else if (::lchown(refused.c_str(), ::geteuid() + 1, static_cast<gid_t>(-1)) != 0) {
            continue;
        }

        SingleInstance instance;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(instance.start());
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "pacemark: refusing " + refused + " (" + reason + "); starting without the single-instance socket\n");
        EXPECT_FALSE(squatter.contacted());
        EXPECT_TRUE(std::filesystem::is_socket(socketPath())) << "the other's socket stays";
    }
}

// Another process of the user's floods the socket until this one runs out of descriptors: the excess is
// turned away, the socket stays, and a later start still reaches this instance.
TEST_F(SingleInstanceTest, KeepsItsSocketWhenConnectionsExhaustItsDescriptors)
{
    newSession(true);
    SingleInstance instance;
    ASSERT_TRUE(instance.start());
    instance.setRequestHandler(QStringLiteral("ping"), [](const QJsonObject&) {
        return QJsonObject { { QStringLiteral("pong"), 1 } };
    });

    constexpr int Flood = 300;
    int report[2], release[2];
    ASSERT_EQ(::pipe2(report, O_NONBLOCK), 0);
    ASSERT_EQ(::pipe(release), 0);
    const std::string path = socketPath();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only plain system calls here: the parent's threads did not come along.
        std::vector<pollfd> connections;
        for (int i = 0; i < Flood; ++i) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            path.copy(address.sun_path, sizeof address.sun_path - 1);
            if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                connections.push_back({ fd, POLLIN, 0 });
        }
        // Waits until all but the connections an instance may keep have been closed by it.
        int closed = 0;
        for (int round = 0; round < 300 && closed < Flood - SingleInstance::MaxClients; ++round) {
            ::poll(connections.data(), connections.size(), 100);
            closed = 0;
            for (const auto& c : connections)
                closed += (c.revents & (POLLIN | POLLHUP)) != 0;
        }
        const char done = closed >= Flood - SingleInstance::MaxClients ? 'y' : 'n';
        (void)!::write(report[1], &done, 1);
        char any;
        (void)!::read(release[0], &any, 1);
        ::_exit(0);
    }

    // Left with a few descriptors only, the instance must turn connections away to keep its socket.
    rlimit before {};
    ::getrlimit(RLIMIT_NOFILE, &before);
    const auto openNow = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    rlimit low = before;
    low.rlim_cur = static_cast<rlim_t>(openNow + 8);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    char done = 0;
    waitUntil([&] { return done != 0 || ::read(report[0], &done, 1) == 1; });
    ::setrlimit(RLIMIT_NOFILE, &before);
    (void)!::write(release[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    for (int fd : { report[0], report[1], release[0], release[1] })
        ::close(fd);
    EXPECT_EQ(done, 'y') << "the flood was not turned away";

    EXPECT_TRUE(std::filesystem::is_socket(path)) << "the socket went with the descriptors";
    QLocalSocket client;
    client.connectToServer(QString::fromStdString(path));
    ASSERT_TRUE(client.waitForConnected(2000));
    client.write("{\"request\":\"ping\"}\n");
    EXPECT_TRUE(waitUntil([&] { return client.canReadLine(); }));
    EXPECT_EQ(client.readLine(), "{\"pong\":1}\n");
    SingleInstance second;
    EXPECT_FALSE(second.start()) << "a later start did not reach this instance";
}
