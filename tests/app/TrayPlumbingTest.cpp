#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QSignalSpy>

#include "EventLoop.h"
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
        if (connection >= 0)
            ::close(connection);
        return connection >= 0;
    }

private:
    int m_fd;
};

mode_t modeOf(const std::string& path)
{
    struct stat status
    { };
    ::lstat(path.c_str(), &status);
    return status.st_mode;
}

// Hands a file to another user; only possible as root.
bool giveAway(const std::string& path)
{
    return ::lchown(path.c_str(), ::geteuid() + 1, static_cast<gid_t>(-1)) == 0;
}

}

// Each case gets its own temporary folder and, unless unset, its own runtime folder as a session has it.
class SingleInstanceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : { "XDG_RUNTIME_DIR", "TMPDIR" })
            if (qEnvironmentVariableIsSet(name))
                m_saved.emplace_back(name, qgetenv(name));
    }
    void TearDown() override
    {
        qunsetenv("XDG_RUNTIME_DIR");
        qunsetenv("TMPDIR");
        for (const auto& [name, value] : m_saved)
            qputenv(name, value);
    }

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
    std::vector<std::pair<const char*, QByteArray>> m_saved;
    int m_sessions = 0;
};

// The application answers the activation by opening its popover.
TEST_F(SingleInstanceTest, SecondStartActivatesTheFirst)
{
    const struct
    {
        const char* what;
        bool runtimeFolder;
        bool leftBehind;
    } cases[] = {
        { "in the runtime folder", true, false },
        { "without XDG_RUNTIME_DIR: a folder of our own in the temporary folder", false, false },
        { "over a socket left by an instance that was killed", true, true },
    };
    for (const auto& c : cases) {
        newSession(c.runtimeFolder);
        // Where the socket used to be, anybody could have put one that answers.
        const Squatter oldPlace(m_tmp + "/pacemark-" + std::to_string(::getuid()));
        std::optional<Squatter> killed;
        if (c.leftBehind)
            killed.emplace(socketPath(), false);

        SingleInstance first;
        ASSERT_TRUE(first.start()) << c.what;
        EXPECT_TRUE(S_ISSOCK(modeOf(socketPath()))) << c.what;
        if (!c.runtimeFolder) {
            EXPECT_EQ(modeOf(ownFolder()) & 07777, 0700u);
        }

        SingleInstance second;
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        EXPECT_FALSE(second.start()) << c.what;
        EXPECT_TRUE(waitUntil([&] { return !activated.isEmpty(); })) << c.what;
        EXPECT_FALSE(oldPlace.contacted()) << c.what;
    }
}

TEST_F(SingleInstanceTest, RefusesWhatAnotherUserCouldHavePutInPlaceAndStartsAlone)
{
    // Giving files away needs root; without it those cases are left out.
    enum class Squat { OpenFolder, ForeignFolder, ForeignSocket, LinkedFolder };
    const struct
    {
        const char* what;
        bool runtimeFolder;
        Squat squat;
        const char* reason;
    } cases[] = {
        { "runtime folder open to others", true, Squat::OpenFolder, "open to other users, mode 0777" },
        { "runtime folder of another user", true, Squat::ForeignFolder, "owned by another user" },
        { "socket of another user in the runtime folder", true, Squat::ForeignSocket, "owned by another user" },
        { "own folder made first by someone else, open to all", false, Squat::OpenFolder,
          "open to other users, mode 0777" },
        { "own folder made first by another user", false, Squat::ForeignFolder, "owned by another user" },
        { "own folder's name taken by a link to another folder", false, Squat::LinkedFolder, "not a folder" },
    };
    for (const auto& c : cases) {
        newSession(c.runtimeFolder);
        const std::string folder = c.runtimeFolder ? m_runtime : ownFolder();
        ::mkdir(folder.c_str(), 0700);
        const Squatter squatter(socketPath());
        std::string refused = folder;
        switch (c.squat) {
        case Squat::OpenFolder:
            ::chmod(folder.c_str(), 0777);
            break;
        case Squat::ForeignFolder:
            if (!giveAway(folder))
                continue;
            break;
        case Squat::ForeignSocket:
            refused = socketPath();
            if (!giveAway(refused))
                continue;
            break;
        case Squat::LinkedFolder:
            std::filesystem::rename(folder, m_tmp + "/elsewhere");
            std::filesystem::create_directory_symlink(m_tmp + "/elsewhere", folder);
            break;
        }

        SingleInstance instance;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(instance.start()) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "pacemark: refusing " + refused + " (" + c.reason
                      + "); starting without the single-instance socket\n");
        EXPECT_FALSE(squatter.contacted()) << c.what;
        EXPECT_TRUE(S_ISSOCK(modeOf(socketPath()))) << c.what << ": the other's socket stays";
    }
}
