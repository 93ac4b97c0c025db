#include "engine/prefs/mounttable.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>

using namespace mounts;

namespace {

MountEntry entry(const char* type, const char* source, const char* mountPoint = "/mnt") {
    MountEntry e;
    e.fsType = QLatin1String(type);
    e.source = QLatin1String(source);
    e.mountPoint = QLatin1String(mountPoint);
    return e;
}

BlockFacts block(bool optical = false, bool removable = false) {
    BlockFacts f;
    f.isBlockDevice = true;
    f.optical = optical;
    f.removable = removable;
    return f;
}

TEST(MountTable, ParsesMountInfoLinesWithEscapesAndOptionalFields) {
    const QByteArray text =
        "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "40 27 8:17 / /media/usb\\040stick rw,nosuid shared:7 master:2 - vfat /dev/sdb1 rw\n"
        "41 27 0:45 / /net/share rw - nfs4 server:/export/a\\040b rw\n"
        "garbage line without the separator\n"
        "42 27 0:46 / relative rw - tmpfs tmpfs rw\n"
        "\n";
    const std::vector<MountEntry> all = parseMountInfo(text);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].mountPoint, QStringLiteral("/"));
    EXPECT_EQ(all[0].fsType, QStringLiteral("ext4"));
    EXPECT_EQ(all[0].source, QStringLiteral("/dev/vda"));
    EXPECT_EQ(all[0].device, makedev(254, 0));
    EXPECT_EQ(all[1].mountPoint, QStringLiteral("/media/usb stick"));
    EXPECT_EQ(all[1].fsType, QStringLiteral("vfat"));
    EXPECT_EQ(all[1].device, makedev(8, 17));
    EXPECT_EQ(all[2].source, QStringLiteral("server:/export/a b"));
}

TEST(MountTable, PathBelongsToLongestMountPointAndTopmostMountWins) {
    std::vector<MountEntry> all = {entry("ext4", "/dev/a", "/"), entry("ext4", "/dev/b", "/data"),
                                   entry("tmpfs", "tmpfs", "/data/cache"),
                                   entry("nfs", "srv:/x", "/data")};
    EXPECT_EQ(mountHolding(all, QStringLiteral("/home/u"))->source, QStringLiteral("/dev/a"));
    EXPECT_EQ(mountHolding(all, QStringLiteral("/"))->source, QStringLiteral("/dev/a"));
    // "/data" was mounted over: the later nfs entry is what the path reaches.
    EXPECT_EQ(mountHolding(all, QStringLiteral("/data"))->fsType, QStringLiteral("nfs"));
    EXPECT_EQ(mountHolding(all, QStringLiteral("/data/x/y"))->fsType, QStringLiteral("nfs"));
    EXPECT_EQ(mountHolding(all, QStringLiteral("/data/cache/z"))->fsType, QStringLiteral("tmpfs"));
    // A mount point is a whole folder name, not a text prefix.
    EXPECT_EQ(mountHolding(all, QStringLiteral("/database"))->source, QStringLiteral("/dev/a"));

    const std::vector<MountEntry> visible = visibleMounts(all);
    ASSERT_EQ(visible.size(), 3u);
    EXPECT_EQ(visible[1].mountPoint, QStringLiteral("/data"));
    EXPECT_EQ(visible[1].fsType, QStringLiteral("nfs"));
}

TEST(MountTable, ClassifiesFileSystemsIntoDriveTypes) {
    const BlockFacts none;
    EXPECT_EQ(classify(entry("tmpfs", "tmpfs"), none), DriveRamDisk);
    EXPECT_EQ(classify(entry("ramfs", "ramfs"), none), DriveRamDisk);
    EXPECT_EQ(classify(entry("nfs4", "srv:/e"), none), DriveRemote);
    EXPECT_EQ(classify(entry("cifs", "//srv/share"), none), DriveRemote);
    EXPECT_EQ(classify(entry("fuse.sshfs", "u@h:"), none), DriveRemote);
    EXPECT_EQ(classify(entry("udf", "/dev/sr0"), block(true)), DriveCdRom);
    EXPECT_EQ(classify(entry("iso9660", "/dev/sr0"), block(true)), DriveCdRom);
    EXPECT_EQ(classify(entry("iso9660", "/dev/loop0"), block()), DriveCdRom);
    EXPECT_EQ(classify(entry("udf", "/dev/sdb1"), block(false, true)), DriveRemovable);
    EXPECT_EQ(classify(entry("vfat", "/dev/sdb1"), block(false, true)), DriveRemovable);
    EXPECT_EQ(classify(entry("ext4", "/dev/sda2"), block()), DriveFixed);
    EXPECT_EQ(classify(entry("fuseblk", "/dev/sda3"), block()), DriveFixed);
    EXPECT_EQ(classify(entry("overlay", "overlay"), none), DriveFixed);
    for (const char* virtualType :
         {"proc", "sysfs", "devpts", "cgroup2", "devtmpfs", "mqueue", "fuse.gvfsd-fuse", "ext4"})
        EXPECT_EQ(classify(entry(virtualType, "none"), none), DriveUnknown) << virtualType;
}

TEST(MountTable, DriveTypeTextsAndUdevNames) {
    EXPECT_EQ(driveTypeText(2), QStringLiteral("Removable drive"));
    EXPECT_EQ(driveTypeText(3), QStringLiteral("Fixed drive"));
    EXPECT_EQ(driveTypeText(4), QStringLiteral("Network drive"));
    EXPECT_EQ(driveTypeText(5), QStringLiteral("CD-ROM drive"));
    EXPECT_EQ(driveTypeText(6), QStringLiteral("RAM-disk"));
    for (int other : {-1, 0, 1, 7})
        EXPECT_TRUE(driveTypeText(other).isEmpty()) << other;

    EXPECT_EQ(decodeUdevName("My\\x20Music\\x2fDisk"), QStringLiteral("My Music/Disk"));
    EXPECT_EQ(decodeUdevName("1A2B-3C4D"), QStringLiteral("1A2B-3C4D"));
    EXPECT_EQ(decodeUdevName("bad\\xZZ"), QStringLiteral("bad\\xZZ"));
}

} // namespace
