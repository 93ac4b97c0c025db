#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <optional>
#include <vector>

// The mounted file systems of this process's mount namespace and what kind of drive each
// one is. A "drive root" on this platform is a mount point; any path belongs to the
// mounted file system whose mount point is its longest leading folder.
namespace mounts {

// Drive type codes, with the numbering drive-type queries have always used.
enum DriveTypeCode : int {
    DriveUnknown = 0,
    DriveNoRootDir = 1,
    DriveRemovable = 2,
    DriveFixed = 3,
    DriveRemote = 4,
    DriveCdRom = 5,
    DriveRamDisk = 6,
};

struct MountEntry {
    QString mountPoint; // absolute, unescaped
    QString fsType;     // e.g. "ext4", "fuse.sshfs"
    QString source;     // e.g. "/dev/sda1", "server:/export", "tmpfs"
    dev_t device = 0;   // the file system's device number as the kernel reports it
};

// What sysfs says about the block device behind a mount, if there is one.
struct BlockFacts {
    bool isBlockDevice = false;
    bool optical = false;   // an "sr" device or a SCSI device of type ROM
    bool removable = false; // the whole disk's "removable" attribute is 1
};

// Parses /proc/self/mountinfo text. Lines that do not have the documented layout are
// skipped. Octal escapes (\040 for a space and so on) in paths are decoded.
std::vector<MountEntry> parseMountInfo(const QByteArray& text);

// The current mount table; empty when /proc is not available.
std::vector<MountEntry> currentMounts();

// The entries that are visible: for a mount point mounted more than once only the last
// (topmost) entry is kept. Order follows the first appearance of each mount point.
std::vector<MountEntry> visibleMounts(const std::vector<MountEntry>& all);

// The mount holding `absolutePath` (already canonical): the entry with the longest mount
// point that equals the path or is one of its leading folders; the last such entry wins.
std::optional<MountEntry> mountHolding(const std::vector<MountEntry>& all,
                                       const QString& absolutePath);

// The mount holding an existing path; nullopt when the path does not exist.
std::optional<MountEntry> mountForPath(const QString& path);

// The block device number behind a mount: the device node named by the source when it is
// one, otherwise the mount's own device number when sysfs knows it as a block device.
std::optional<dev_t> blockDevice(const MountEntry& entry);

BlockFacts blockFacts(const MountEntry& entry);

// The drive type code of a mount:
//   tmpfs/ramfs -> RAM-disk; network file systems (nfs, cifs/smb, sshfs and other remote
//   FUSE types, ...) -> network; a block device that is optical, or an iso9660 file
//   system (a mounted disc image) -> CD-ROM; a removable block device -> removable; any
//   other block device, or a local file system that has no block device of its own
//   (overlay, zfs, ...) -> fixed; everything else (proc, sysfs, devpts, cgroup...) ->
//   unknown.
DriveTypeCode classify(const MountEntry& entry, const BlockFacts& facts);

// The drive type text of a code: 2 "Removable drive", 3 "Fixed drive", 4 "Network drive",
// 5 "CD-ROM drive", 6 "RAM-disk"; empty for every other code.
QString driveTypeText(int code);

// Decodes the "\xNN" escapes udev uses in /dev/disk/by-label and by-uuid link names.
QString decodeUdevName(const QByteArray& name);

// The name of the link in /dev/disk/<folder> (by-uuid, by-label) that points at `device`.
std::optional<QString> udevLinkName(const char* folder, dev_t device);

} // namespace mounts
