#include "engine/prefs/mounttable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <memory>
#include <set>

namespace mounts {

namespace {

QByteArray unescapeOctal(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3;
            for (char d : digits)
                ok = ok && d >= '0' && d <= '7';
            if (ok) {
                out.append(char(digits.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

QString readSmallFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.read(256)).trimmed();
}

bool isNetworkType(const QString& type) {
    static const std::set<QString> network = {
        QStringLiteral("nfs"),
        QStringLiteral("nfs4"),
        QStringLiteral("cifs"),
        QStringLiteral("smb3"),
        QStringLiteral("smbfs"),
        QStringLiteral("ncpfs"),
        QStringLiteral("afs"),
        QStringLiteral("coda"),
        QStringLiteral("ceph"),
        QStringLiteral("9p"),
        QStringLiteral("davfs"),
        QStringLiteral("glusterfs"),
        QStringLiteral("lustre"),
        QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.curlftpfs"),
        QStringLiteral("fuse.s3fs"),
        QStringLiteral("fuse.rclone"),
        QStringLiteral("fuse.gcsfuse"),
        QStringLiteral("fuse.glusterfs"),
        QStringLiteral("fuse.ceph-fuse"),
        QStringLiteral("fuse.davfs2"),
        QStringLiteral("fuse.smbnetfs"),
    };
    return network.count(type) != 0;
}

// Local file systems whose storage is disk-backed although the mount names no block device
// of its own (a container's overlay root, ZFS datasets).
bool isLocalWithoutBlockDevice(const QString& type) {
    return type == QLatin1String("overlay") || type == QLatin1String("zfs") ||
           type == QLatin1String("aufs");
}

} // namespace

std::vector<MountEntry> parseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super
        const qsizetype dash = fields.indexOf(QByteArray("-"));
        if (fields.size() < 6 || dash < 6 || dash + 2 >= fields.size())
            continue;
        const QList<QByteArray> majorMinor = fields[2].split(':');
        if (majorMinor.size() != 2)
            continue;
        bool okMajor = false, okMinor = false;
        const unsigned major = majorMinor[0].toUInt(&okMajor);
        const unsigned minor = majorMinor[1].toUInt(&okMinor);
        if (!okMajor || !okMinor)
            continue;
        MountEntry e;
        e.device = makedev(major, minor);
        e.mountPoint = QFile::decodeName(unescapeOctal(fields[4]));
        e.fsType = QString::fromLatin1(unescapeOctal(fields[dash + 1]));
        e.source = QFile::decodeName(unescapeOctal(fields[dash + 2]));
        if (!e.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<MountEntry> currentMounts() {
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // procfs reports no size: read to the end.
    return parseMountInfo(f.readAll());
}

std::vector<MountEntry> visibleMounts(const std::vector<MountEntry>& all) {
    std::vector<MountEntry> out;
    for (const MountEntry& e : all) {
        bool replaced = false;
        for (MountEntry& seen : out) {
            if (seen.mountPoint == e.mountPoint) {
                seen = e;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out.push_back(e);
    }
    return out;
}

std::optional<MountEntry> mountHolding(const std::vector<MountEntry>& all,
                                       const QString& absolutePath) {
    std::optional<MountEntry> best;
    for (const MountEntry& e : all) {
        const QString& mp = e.mountPoint;
        const bool holds =
            absolutePath == mp || mp == QLatin1String("/") ||
            (absolutePath.startsWith(mp) && absolutePath.at(mp.size()) == QLatin1Char('/'));
        if (holds && (!best || mp.size() >= best->mountPoint.size()))
            best = e;
    }
    return best;
}

std::optional<MountEntry> mountForPath(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;
    return mountHolding(currentMounts(), canonical);
}

std::optional<dev_t> blockDevice(const MountEntry& entry) {
    if (entry.source.startsWith(QLatin1Char('/'))) {
        struct stat st {};
        if (::stat(QFile::encodeName(entry.source).constData(), &st) == 0 && S_ISBLK(st.st_mode))
            return st.st_rdev;
    }
    const QString sysPath =
        QStringLiteral("/sys/dev/block/%1:%2").arg(major(entry.device)).arg(minor(entry.device));
    if (QFileInfo::exists(sysPath))
        return entry.device;
    return std::nullopt;
}

BlockFacts blockFacts(const MountEntry& entry) {
    BlockFacts facts;
    const std::optional<dev_t> dev = blockDevice(entry);
    if (!dev)
        return facts;
    facts.isBlockDevice = true;
    // /sys/dev/block/M:m links to .../block/<disk> or .../block/<disk>/<partition>.
    QString node =
        QFileInfo(QStringLiteral("/sys/dev/block/%1:%2").arg(major(*dev)).arg(minor(*dev)))
            .canonicalFilePath();
    if (node.isEmpty())
        return facts;
    if (QFileInfo::exists(node + QStringLiteral("/partition")))
        node = QFileInfo(node).absolutePath();
    const QString diskName = QFileInfo(node).fileName();
    facts.removable = readSmallFile(node + QStringLiteral("/removable")) == QLatin1String("1");
    // SCSI peripheral type 5 is a CD/DVD device.
    facts.optical = diskName.startsWith(QLatin1String("sr")) ||
                    readSmallFile(node + QStringLiteral("/device/type")) == QLatin1String("5");
    return facts;
}

DriveTypeCode classify(const MountEntry& entry, const BlockFacts& facts) {
    const QString& type = entry.fsType;
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        return DriveRamDisk;
    if (isNetworkType(type))
        return DriveRemote;
    if (facts.isBlockDevice) {
        if (facts.optical || type == QLatin1String("iso9660"))
            return DriveCdRom;
        if (facts.removable)
            return DriveRemovable;
        return DriveFixed;
    }
    if (isLocalWithoutBlockDevice(type))
        return DriveFixed;
    return DriveUnknown;
}

QString driveTypeText(int code) {
    switch (code) {
    case DriveRemovable:
        return QCoreApplication::translate("mounttable", "Removable drive");
    case DriveFixed:
        return QCoreApplication::translate("mounttable", "Fixed drive");
    case DriveRemote:
        return QCoreApplication::translate("mounttable", "Network drive");
    case DriveCdRom:
        return QCoreApplication::translate("mounttable", "CD-ROM drive");
    case DriveRamDisk:
        return QStringLiteral("RAM-disk");
    default:
        return {};
    }
}

QString decodeUdevName(const QByteArray& name) {
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            bool ok = false;
            const int value = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(name[i]);
    }
    return QString::fromUtf8(out);
}

std::optional<QString> udevLinkName(const char* folder, dev_t device) {
    const QByteArray dirPath = QByteArray("/dev/disk/") + folder;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(dirPath.constData()), &::closedir);
    if (!dir)
        return std::nullopt;
    while (const dirent* ent = ::readdir(dir.get())) {
        if (ent->d_name[0] == '.')
            continue;
        const QByteArray link = dirPath + '/' + ent->d_name;
        struct stat st {};
        if (::stat(link.constData(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == device)
            return decodeUdevName(QByteArray(ent->d_name));
    }
    return std::nullopt;
}

} // namespace mounts
