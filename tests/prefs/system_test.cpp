#include "engine/prefs/mounttable.h"
#include "engine/prefs/system.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <bit>
#include <limits>
#include <set>

namespace {

const System& sys() {
    return System::instance();
}

bool isMountType(const char* path, const char* type) {
    const auto m = mounts::mountForPath(QLatin1String(path));
    return m && m->mountPoint == QLatin1String(path) && m->fsType == QLatin1String(type);
}

TEST(SystemText, PutPointsGroupsDigitsByThree) {
    EXPECT_EQ(System::PutPoints(1234567), QStringLiteral("1.234.567"));
    EXPECT_EQ(System::PutPoints(123), QStringLiteral("123"));
    EXPECT_EQ(System::PutPoints(-123456), QStringLiteral("-123.456"));
    EXPECT_EQ(System::PutPoints(0), QStringLiteral("0"));
    EXPECT_EQ(System::PutPoints(1000), QStringLiteral("1.000"));
    EXPECT_EQ(System::PutPoints(-1), QStringLiteral("-1"));
    EXPECT_EQ(System::PutPoints(5000000000000), QStringLiteral("5.000.000.000.000"));
    EXPECT_EQ(System::PutPoints(std::numeric_limits<std::int64_t>::min()),
              QStringLiteral("-9.223.372.036.854.775.808"));
}

TEST(SystemText, SerialNumbersAreFourDashFourUpperHex) {
    EXPECT_EQ(System::formatSerial(0x1A2B3C4D), QStringLiteral("1A2B-3C4D"));
    EXPECT_EQ(System::formatSerial(0xA1B2C3D), QStringLiteral("0A1B-2C3D"));
    EXPECT_EQ(System::formatSerial(0), QStringLiteral("0000-0000"));
    EXPECT_EQ(System::formatSerial(0xFFFFFFFF), QStringLiteral("FFFF-FFFF"));

    EXPECT_EQ(System::serialFromUuid(QStringLiteral("1b4e28ba-2fa1-11d2-883f-0016d3cca427")),
              0x1B4E28BAu);
    EXPECT_EQ(System::serialFromUuid(QStringLiteral("1A2B-3C4D")), 0x1A2B3C4Du);
    // NTFS: the 64-bit serial's low half is the one shown for the volume.
    EXPECT_EQ(System::serialFromUuid(QStringLiteral("5E7A2B3C7A2B11F1")), 0x7A2B11F1u);
    EXPECT_FALSE(System::serialFromUuid(QStringLiteral("12-34")).has_value());
    EXPECT_FALSE(System::serialFromUuid(QString()).has_value());
}

TEST(SystemText, PlatformProcessorAndKeyboardTables) {
    QString text = QStringLiteral("kept");
    System::platformText(0, 3, 10, text);
    EXPECT_EQ(text, QStringLiteral("Windows 3.10"));
    System::platformText(0, 3, 1, text);
    EXPECT_EQ(text, QStringLiteral("Windows 3.1"));
    System::platformText(1, 4, 0, text);
    EXPECT_EQ(text, QStringLiteral("Windows 95"));
    System::platformText(2, 5, 1, text);
    EXPECT_EQ(text, QStringLiteral("Windows NT"));
    System::platformText(3, 6, 0, text);
    EXPECT_EQ(text, QStringLiteral("Windows NT"));

    text = QStringLiteral("kept");
    System::processorText(8664, text);
    EXPECT_EQ(text, QStringLiteral("kept"));
    System::processorText(486, text);
    EXPECT_EQ(text, QStringLiteral("80486"));
    System::processorText(586, text);
    EXPECT_EQ(text, QStringLiteral("Intel Pentium"));
    System::processorText(386, text);
    EXPECT_EQ(text, QStringLiteral("80386"));

    EXPECT_EQ(System::keyboardTypeText(2), QStringLiteral("Olivetti \"ico\" (102 key)"));
    EXPECT_EQ(System::keyboardTypeText(4), QStringLiteral("IBM enhanced (101 or 102 key)"));
    EXPECT_EQ(System::keyboardTypeText(7), QStringLiteral("Japanese"));
    EXPECT_TRUE(System::keyboardTypeText(0).isEmpty());
    EXPECT_TRUE(System::keyboardTypeText(8).isEmpty());
}

// A KEY bitmap line as the kernel prints it: words most significant first, no leading zeros.
QByteArray keyLine(const std::set<int>& codes, int wordBits) {
    const int maxCode = codes.empty() ? 0 : *codes.rbegin();
    std::vector<std::uint64_t> words(std::size_t(maxCode / wordBits + 1), 0);
    for (int c : codes)
        words[std::size_t(c / wordBits)] |= std::uint64_t(1) << (c % wordBits);
    QByteArray line = "B: KEY=";
    for (auto it = words.rbegin(); it != words.rend(); ++it)
        line += QByteArray::number(qulonglong(*it), 16) + (it + 1 != words.rend() ? " " : "");
    return line;
}

TEST(SystemText, FunctionKeysCountOnlyKeyboards) {
    std::set<int> letters;
    for (int c = 16; c <= 50; ++c)
        letters.insert(c);
    std::set<int> twelve = letters;
    for (int c : {59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88})
        twelve.insert(c);
    std::set<int> macroPad = {59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88, 183, 184};
    std::set<int> withF13 = twelve;
    withF13.insert(183);
    withF13.insert(194);

    for (int wordBits : {64, 32}) {
        const QByteArray text = "I: Bus=0019 Vendor=0000 Product=0001 Version=0000\n"
                                "N: Name=\"Power Button\"\n" +
                                keyLine({116}, wordBits) + "\n\n" +
                                "N: Name=\"AT Translated Set 2 keyboard\"\nB: EV=120013\n" +
                                keyLine(twelve, wordBits) + "\n\n" + "N: Name=\"Macro pad\"\n" +
                                keyLine(macroPad, wordBits) + "\n";
        EXPECT_EQ(System::countFunctionKeys(text, wordBits), 12) << wordBits;
        EXPECT_EQ(System::countFunctionKeys(text + keyLine(withF13, wordBits), wordBits), 14);
    }
    EXPECT_EQ(System::countFunctionKeys(QByteArray(), 64), 0);
    EXPECT_EQ(System::countFunctionKeys("B: KEY=zz 0\n", 64), 0);
}

TEST(SystemText, MemInfoFigures) {
    auto m = System::parseMemInfo("MemTotal:  1000 kB\nMemFree: 100 kB\nMemAvailable: 250 kB\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->totalKb, 1000);
    EXPECT_EQ(m->availableKb, 250);
    EXPECT_EQ(m->percentUsed, 75);
    // Older kernels: free + buffers + cache.
    m = System::parseMemInfo("MemTotal: 3000 kB\nMemFree: 500 kB\nBuffers: 100 kB\nCached: 400 kB");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->availableKb, 1000);
    EXPECT_EQ(m->percentUsed, 67);
    EXPECT_FALSE(System::parseMemInfo("MemFree: 100 kB\n"));
    EXPECT_FALSE(System::parseMemInfo(QByteArray()));

    std::uint8_t percent = 200;
    std::int64_t total = -1, freeKb = -1;
    sys().FreeMemory(percent, total, freeKb);
    EXPECT_GT(total, 0);
    EXPECT_GE(freeKb, 0);
    EXPECT_LE(freeKb, total);
    EXPECT_LE(percent, 100);
}

TEST(SystemDrives, DriveTypeOfPaths) {
    QTemporaryDir missingParent;
    EXPECT_EQ(sys().DriveType(missingParent.filePath(QStringLiteral("no/such/folder"))), QString());
    EXPECT_EQ(sys().DriveType(QString()), QString());
    EXPECT_EQ(sys().DriveType(QStringLiteral("/proc")), QString());

    const auto root = mounts::mountForPath(QStringLiteral("/"));
    ASSERT_TRUE(root);
    const QString rootType = sys().DriveType(QStringLiteral("/"));
    if (root->fsType == QLatin1String("tmpfs"))
        EXPECT_EQ(rootType, QStringLiteral("RAM-disk"));
    else
        EXPECT_EQ(rootType, QStringLiteral("Fixed drive")) << root->fsType.toStdString();
    // Any folder of the file system answers like its mount point.
    QTemporaryDir dir;
    if (mounts::mountForPath(dir.path())->mountPoint == QLatin1String("/")) {
        EXPECT_EQ(sys().DriveType(dir.path()), rootType);
    }

    if (!isMountType("/dev/shm", "tmpfs"))
        GTEST_SKIP() << "/dev/shm is not a tmpfs mount here";
    EXPECT_EQ(sys().DriveType(QStringLiteral("/dev/shm")), QStringLiteral("RAM-disk"));
    QTemporaryDir shmDir(QStringLiteral("/dev/shm/vortan-XXXXXX"));
    ASSERT_TRUE(shmDir.isValid());
    EXPECT_EQ(sys().DriveType(shmDir.path()), QStringLiteral("RAM-disk"));
}

TEST(SystemDrives, DrivesAddsToTheCallersCounts) {
    int removable = 100, fixed = 100, cd = 100, ram = 100, network = 100;
    sys().Drives(removable, fixed, cd, ram, network);
    EXPECT_GE(removable, 100);
    EXPECT_GE(cd, 100);
    EXPECT_GE(network, 100);
    if (sys().DriveType(QStringLiteral("/")) == QLatin1String("Fixed drive")) {
        EXPECT_GE(fixed, 101);
    }
    if (isMountType("/dev/shm", "tmpfs")) {
        EXPECT_GE(ram, 101);
    }
}

// Free space can move while other processes write; the figure must lie between two
// readings taken around it.
TEST(SystemDrives, DriveInfoGivesExactSixtyFourBitFigures) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("inside"));
    ASSERT_TRUE(QDir().mkpath(folder));

    struct statvfs before {
    }, after{};
    ASSERT_EQ(statvfs(QFile::encodeName(folder).constData(), &before), 0);
    std::int64_t total = 0, freeBytes = 0;
    sys().DriveInfo(folder, total, freeBytes);
    const std::int64_t fast = sys().FastDiskSpace(folder);
    ASSERT_EQ(statvfs(QFile::encodeName(folder).constData(), &after), 0);

    const auto unit = std::int64_t(before.f_frsize);
    EXPECT_EQ(total, std::int64_t(before.f_blocks) * unit);
    const std::int64_t lo = std::min(before.f_bavail, after.f_bavail) * unit;
    const std::int64_t hi = std::max(before.f_bavail, after.f_bavail) * unit;
    EXPECT_GE(freeBytes, lo);
    EXPECT_LE(freeBytes, hi);
    EXPECT_GE(fast, lo);
    EXPECT_LE(fast, hi);
    EXPECT_GT(total, 0);

    total = freeBytes = 7;
    sys().DriveInfo(dir.filePath(QStringLiteral("missing/folder")), total, freeBytes);
    EXPECT_EQ(total, 0);
    EXPECT_EQ(freeBytes, 0);
    EXPECT_EQ(sys().FastDiskSpace(dir.filePath(QStringLiteral("missing"))), 0);
}

TEST(SystemVolumes, SerialNumberAndLabel) {
    const QRegularExpression serialShape(QStringLiteral("^[0-9A-F]{4}-[0-9A-F]{4}$"));
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing"));
    EXPECT_EQ(sys().SerialNumber(missing), QStringLiteral("0000-0000"));
    EXPECT_EQ(sys().VolumeLabel(missing), QString());
    EXPECT_TRUE(serialShape.match(sys().SerialNumber(QStringLiteral("/"))).hasMatch());
    EXPECT_FALSE(sys().VolumeLabel(QStringLiteral("/")).isEmpty());

    if (!isMountType("/dev/shm", "tmpfs"))
        GTEST_SKIP() << "/dev/shm is not a tmpfs mount here";
    // A RAM disk has neither UUID nor label.
    EXPECT_EQ(sys().SerialNumber(QStringLiteral("/dev/shm")), QStringLiteral("0000-0000"));
    EXPECT_EQ(sys().VolumeLabel(QStringLiteral("/dev/shm")), QStringLiteral("NoName"));
}

TEST(SystemQueries, FoldersNamesProcessorsAndVersion) {
    const QString temp = sys().TempDir();
    EXPECT_EQ(temp, QDir::tempPath() + QLatin1Char('/'));
    for (const QString& folder : {temp, sys().SystemDir(), sys().WinDir()}) {
        EXPECT_TRUE(folder.endsWith(QLatin1Char('/'))) << folder.toStdString();
        EXPECT_TRUE(QDir(folder).exists()) << folder.toStdString();
    }
    EXPECT_FALSE(sys().ComputerName().isEmpty());
    EXPECT_FALSE(sys().UserName().isEmpty());

    QString processor = QStringLiteral("unchanged");
    std::int64_t count = 0;
    std::uint64_t mask = 0;
    sys().SystemInfo(processor, count, mask);
#if defined(__x86_64__)
    EXPECT_EQ(processor, QStringLiteral("unchanged"));
#endif
    EXPECT_GE(count, 1);
    EXPECT_GE(std::popcount(mask), 1);
    if (count <= 64) {
        EXPECT_LE(std::popcount(mask), count);
    }

    int major = -1, minor = -1;
    QString platform;
    sys().WinVer(major, minor, platform);
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_EQ(platform, QLatin1String(names.sysname));
    const QString release = QLatin1String(names.release);
    const QString version = QStringLiteral("%1.%2").arg(major).arg(minor);
    EXPECT_TRUE(release.startsWith(version) &&
                (release.size() == version.size() || !release.at(version.size()).isDigit()))
        << release.toStdString();
    EXPECT_GT(major, 0);

    EXPECT_TRUE(sys().KeyboardType().isEmpty());
}

} // namespace
