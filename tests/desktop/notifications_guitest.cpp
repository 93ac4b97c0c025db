// Desktop notifications at the end of the window's batches and rips.
#include "accuraterecord.h"
#include "cdformtest.h"
#include "fixtures.h"
#include "musicbrainzservice.h"
#include "toolrun.h"

#include "engine/core/settings.h"
#include "window/desktop/notifications.h"
#include "window/main/form1.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMainWindow>
#include <QRadioButton>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using namespace fixtures;

namespace {

struct KeptNotices : notifications::Sink {
    void send(const notifications::Notification& notification) override {
        sent.push_back(notification);
    }
    std::vector<notifications::Notification> sent;
};

class NotificationTest : public CdFormTest {
  protected:
    void TearDown() override {
        WriteSetting(SettingKey::DesktopNotifications, std::int16_t(1));
        CdFormTest::TearDown();
    }
    // The window loaded, with the notices kept; in front, or with another program's window
    // in front (none of this one's active).
    Form1& loadWatched(bool inFront) {
        Form1& w = load();
        new notifications::JobNotifier(w, notices);
        inFront ? QApplication::setActiveWindow(&w) : workElsewhere();
        return w;
    }
    static void workElsewhere() {
        QApplication::setActiveWindow(nullptr);
        EXPECT_EQ(QApplication::activeWindow(), nullptr);
    }
    // Encodes a short tone, then an empty WAV that fails.
    void encodeTwoWavs(Form1& w) {
        writeFile(dest.filePath(QStringLiteral("tone.wav")), wavBytes(sine(440, 0.5)));
        writeFile(dest.filePath(QStringLiteral("broken.wav")), QByteArray(200, 'x'));
        w.C1212_Click();
        select(SourceTree::WavText);
        w.CmdSelectAction_Click();
        waitForJob();
    }
    KeptNotices notices;
};

} // namespace

// A batch ending behind another window is told, with what went wrong; in front, or with the
// setting off, nothing is sent.
TEST_F(NotificationTest, ABatchEndingBehindAnotherWindowIsTold) {
    Form1& w = loadWatched(false);
    encodeTwoWavs(w);
    ASSERT_EQ(notices.sent.size(), 1u);
    EXPECT_EQ(notices.sent[0].summary, QStringLiteral("Conversion ended"));
    EXPECT_EQ(notices.sent[0].body, QStringLiteral("1 file encoded, 1 failed"));

    notices.sent.clear();
    WriteSetting(SettingKey::DesktopNotifications, std::int16_t(0));
    workElsewhere();
    encodeTwoWavs(w);
    EXPECT_TRUE(notices.sent.empty());
}

// Nothing is sent while a window of the program is in front: the main one or another.
TEST_F(NotificationTest, NothingIsSentWhileTheProgramIsInFront) {
    Form1& w = loadWatched(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    encodeTwoWavs(w);
    EXPECT_TRUE(notices.sent.empty());

    QMainWindow other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    encodeTwoWavs(w);
    EXPECT_TRUE(notices.sent.empty());
}

// A rip's notice waits for the database's verdict and carries it.
TEST_F(NotificationTest, ARipIsToldWithItsAccurateRipVerdict) {
    const DiscImage image = disc(QStringLiteral("disc"), {{150, 440}, {100, 1000}});
    int drive = -1;
    const std::vector<cddrives::Drive> drives = cddrives::drives();
    for (std::size_t i = 0; i < drives.size(); ++i)
        if (drives[i].isImage && drives[i].path == image.cuePath)
            drive = static_cast<int>(i);
    ASSERT_GE(drive, 0);
    mbservice::LocalService service;
    service.body = accuraterecord::recordOf(image, accuraterecord::keyOf(drive), 2, 5);
    WriteSetting(SettingKey::AccurateRipServer, service.address());

    Form1& w = loadWatched(false);
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !notices.sent.empty(); }, 20000));
    EXPECT_EQ(notices.sent[0].summary, QStringLiteral("Rip finished"));
    EXPECT_EQ(notices.sent[0].body, QStringLiteral("2 tracks ripped, all accurately ripped"));
}

namespace {

// Takes Notify calls on a bus, as a desktop's notification service does.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        Q_UNUSED(replaces);
        Q_UNUSED(actions);
        Q_UNUSED(timeout);
        calls << QStringList{app, icon, summary, body,
                             hints.value(QStringLiteral("desktop-entry")).toString()};
        return 1;
    }

  public:
    QList<QStringList> calls;
};

} // namespace

// The call reaches a notification service on a private session bus.
TEST(DBusNotifications, TheNoticeReachesTheDesktopsService) {
    if (!haveTool(QStringLiteral("dbus-daemon")))
        GTEST_SKIP() << "dbus-daemon is not installed";
    QTemporaryDir folder;
    const QString address = QStringLiteral("unix:path=") + folder.filePath(QStringLiteral("bus"));
    const ToolRun daemon =
        runTool(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--fork"),
                 QStringLiteral("--print-pid=1"), QStringLiteral("--address=") + address});
    const pid_t pid = daemon.out.trimmed().toInt();
    if (!daemon.ok() || pid <= 0)
        GTEST_SKIP() << "the bus did not start: " << daemon.err.toStdString();
    // The bus ends with the test, however the test ends.
    const std::unique_ptr<const pid_t, void (*)(const pid_t*)> stopBus(
        &pid, [](const pid_t* daemonPid) { ::kill(*daemonPid, SIGTERM); });
    {
        QDBusConnection serviceBus = QDBusConnection::connectToBus(address, QStringLiteral("svc"));
        QDBusConnection programBus =
            QDBusConnection::connectToBus(address, QStringLiteral("program"));
        ASSERT_TRUE(serviceBus.isConnected());
        NotificationService service;
        ASSERT_TRUE(serviceBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                              &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

        notifications::DBusSink sink(programBus);
        sink.send({QStringLiteral("Rip finished"), QStringLiteral("2 tracks ripped")});
        ASSERT_TRUE(QTest::qWaitFor([&service] { return !service.calls.isEmpty(); }, 10000));
        EXPECT_EQ(service.calls.front(),
                  (QStringList{QStringLiteral("MP3 Vortan"), QStringLiteral("mp3vortan"),
                               QStringLiteral("Rip finished"), QStringLiteral("2 tracks ripped"),
                               QStringLiteral("mp3vortan")}));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("svc"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
}

#include "notifications_guitest.moc"
