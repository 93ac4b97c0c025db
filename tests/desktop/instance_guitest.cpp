// One running program per user: a later launch hands its files over a private local socket.
#include "fixtures.h"
#include "formtest.h"
#include "toolrun.h"

#include "window/desktop/openwith.h"
#include "window/desktop/singleinstance.h"
#include "window/main/form1.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace fixtures;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A socket file nobody listens on, as a program that crashed leaves it.
bool leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::copy(name.begin(), name.end(), address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

class InstanceTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_TRUE(runtime.isValid());
        previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    void TearDown() override {
        qputenv("XDG_RUNTIME_DIR", previousRuntime);
        FormTest::TearDown();
    }
    QTemporaryDir runtime;
    QByteArray previousRuntime;
};

} // namespace

// The socket lies in a folder only the user may enter, made so when it was not; a socket a
// crashed program left is replaced, and a launch reaches the new server.
TEST_F(InstanceTest, TheSocketIsPrivateAndAStaleOneIsReplaced) {
    const QString path = singleinstance::socketPath();
    ASSERT_EQ(path, runtime.path() + QStringLiteral("/mp3vortan/instance"));
    const QString folder = QFileInfo(path).path();
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    ASSERT_TRUE(leaveStaleSocket(path));
    EXPECT_FALSE(singleinstance::handOff(path, {QStringLiteral("/x.wav")}, 2000));

    singleinstance::Server server(path);
    ASSERT_TRUE(server.listen()) << server.errorString().toStdString();
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(path) & 077, 0u);

    QSignalSpy received(&server, &singleinstance::Server::pathsReceived);
    auto launch = std::async(std::launch::async, [path] {
        return singleinstance::handOff(path, {QStringLiteral("/a b/x.wav"), QStringLiteral("/y")},
                                       5000, false, QStringLiteral("token-42"));
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&launch] { return launch.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    EXPECT_TRUE(launch.get());
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.front().front().toStringList(),
              (QStringList{QStringLiteral("/a b/x.wav"), QStringLiteral("/y")}));
    EXPECT_EQ(received.front().at(1).toString(), QStringLiteral("token-42"));
}

// A folder someone else owns, or that is not a folder, is never used.
TEST_F(InstanceTest, AFolderThatCannotBeMadePrivateIsRefused) {
    const QString file = runtime.filePath(QStringLiteral("plain"));
    writeFile(file, "x");
    EXPECT_FALSE(singleinstance::makePrivateFolder(file));
    singleinstance::Server server(file + QStringLiteral("/instance"));
    EXPECT_FALSE(server.listen());
    if (::geteuid() == 0)
        return; // root owns every folder it could be handed here
    EXPECT_FALSE(singleinstance::makePrivateFolder(QStringLiteral("/")));
}

// The program launched a second time, with a relative and an absolute path, from a folder of
// its own: it hands both to this process's window as absolute paths, the window comes back
// from the tray and lists them, and the launch ends.
TEST_F(InstanceTest, ASecondLaunchHandsItsFilesToTheRunningWindow) {
    QTemporaryDir launchFolder;
    const QString relative = launchFolder.filePath(QStringLiteral("here.wav"));
    writeFile(relative, QByteArray(200, 'x'));
    QTemporaryDir album;
    const QString mp3 = album.filePath(QStringLiteral("song.mp3"));
    writeFile(mp3, QByteArray(200, 'x'));

    Form1& w = load();
    singleinstance::Server server(singleinstance::socketPath());
    ASSERT_TRUE(server.listen()) << server.errorString().toStdString();
    auto* receiver = new openwith::LaunchReceiver(w);
    QObject::connect(&server, &singleinstance::Server::pathsReceived, receiver,
                     &openwith::LaunchReceiver::receive);
    w.mnuMinimize_Click();

    const QString program = QStringLiteral(VORTAN_PROGRAM);
    auto launch = std::async(std::launch::async, [program, &launchFolder, &album] {
        return runTool(program, {QStringLiteral("here.wav"), album.path()}, launchFolder.path());
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&launch] { return launch.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        60000));
    const ToolRun run = launch.get();
    EXPECT_TRUE(run.ok()) << run.err.toStdString();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(tree().List1.contains(relative));
    // The folder is walked on a worker.
    EXPECT_TRUE(QTest::qWaitFor([this, &mp3] { return tree().List2.contains(mp3); }, 20000));
}
