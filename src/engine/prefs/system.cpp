#include "engine/prefs/system.h"

#include "engine/platform/nativepath.h"
#include "engine/prefs/mounttable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <blkid/blkid.h>
#include <limits.h>
#include <pwd.h>
#include <sched.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

std::int64_t saturatedProduct(std::uint64_t a, std::uint64_t b) {
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product) ||
        product > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
        return std::numeric_limits<std::int64_t>::max();
    return std::int64_t(product);
}

struct FsSpace {
    std::int64_t total = 0;
    std::int64_t available = 0;
};

std::optional<FsSpace> statFileSystem(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    struct statvfs vfs {};
    if (::statvfs(nativepath::encode(path).constData(), &vfs) != 0)
        return std::nullopt;
    const std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    return FsSpace{saturatedProduct(unit, vfs.f_blocks), saturatedProduct(unit, vfs.f_bavail)};
}

struct ProbeDeleter {
    void operator()(blkid_probe probe) const { blkid_free_probe(probe); }
};
using ProbeHandle = std::unique_ptr<std::remove_pointer_t<blkid_probe>, ProbeDeleter>;

struct CStringDeleter {
    void operator()(char* text) const { std::free(text); }
};

// Reads one superblock tag ("UUID", "LABEL") of a block device directly. Needs read access
// to the device node, which ordinary users usually lack; udev's links are tried first.
// Returns nullopt when the device cannot be probed, an empty text when it has no such tag.
std::optional<QString> probeTag(dev_t device, const char* tag) {
    const std::unique_ptr<char, CStringDeleter> name(blkid_devno_to_devname(device));
    if (!name)
        return std::nullopt;
    ProbeHandle probe(blkid_new_probe_from_filename(name.get()));
    if (!probe)
        return std::nullopt;
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_UUID | BLKID_SUBLKS_LABEL);
    if (blkid_do_safeprobe(probe.get()) != 0)
        return std::nullopt;
    const char* value = nullptr;
    size_t length = 0;
    if (blkid_probe_lookup_value(probe.get(), tag, &value, &length) != 0 || !value)
        return QString();
    return QString::fromUtf8(value);
}

// The value of a superblock tag of the file system holding `path`, through udev's
// /dev/disk/<folder> links or a direct probe. nullopt when it cannot be found.
std::optional<QString> volumeTag(const mounts::MountEntry& mount, const char* udevFolder,
                                 const char* tag) {
    const std::optional<dev_t> device = mounts::blockDevice(mount);
    if (!device)
        return std::nullopt;
    if (std::optional<QString> linked = mounts::udevLinkName(udevFolder, *device))
        return linked;
    std::optional<QString> probed = probeTag(*device, tag);
    if (probed && probed->isEmpty())
        return std::nullopt;
    return probed;
}

QByteArray readProcFile(const char* path) {
    QFile f{QLatin1String(path)};
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Leading decimal number of `text` from `pos`; advances `pos` past it.
std::optional<int> leadingNumber(const QByteArray& text, qsizetype& pos) {
    const qsizetype start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    if (pos == start || pos - start > 9)
        return std::nullopt;
    return text.mid(start, pos - start).toInt();
}

} // namespace

System& System::instance() {
    static System shared;
    return shared;
}

QString System::TrimAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

// Paths keep trailing spaces: on this platform they are part of the name.
QString System::folderText(const QString& path) {
    QString text = TrimAtNul(path);
    if (text.isEmpty())
        return {};
    if (!text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    return text;
}

void System::DriveInfo(const QString& root, std::int64_t& totalSpace,
                       std::int64_t& freeSpace) const {
    const std::optional<FsSpace> space = statFileSystem(root);
    totalSpace = space ? space->total : 0;
    freeSpace = space ? space->available : 0;
}

void System::Drives(int& removable, int& notRemovable, int& cd, int& ram, int& network) const {
    for (const mounts::MountEntry& entry : mounts::visibleMounts(mounts::currentMounts())) {
        switch (mounts::classify(entry, mounts::blockFacts(entry))) {
        case mounts::DriveRemovable:
            ++removable;
            break;
        case mounts::DriveFixed:
            ++notRemovable;
            break;
        case mounts::DriveCdRom:
            ++cd;
            break;
        case mounts::DriveRamDisk:
            ++ram;
            break;
        case mounts::DriveRemote:
            ++network;
            break;
        default:
            break;
        }
    }
}

QString System::DriveType(const QString& root) const {
    const std::optional<mounts::MountEntry> mount = mounts::mountForPath(root);
    if (!mount)
        return {};
    return mounts::driveTypeText(mounts::classify(*mount, mounts::blockFacts(*mount)));
}

QString System::PutPoints(std::int64_t number) {
    // Magnitude as unsigned so the most negative value has one too.
    const std::uint64_t magnitude =
        number < 0 ? std::uint64_t(0) - std::uint64_t(number) : std::uint64_t(number);
    const QString digits = QString::number(magnitude);
    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3 + 1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += QLatin1Char('.');
        grouped += digits[i];
    }
    return number < 0 ? QLatin1Char('-') + grouped : grouped;
}

std::int64_t System::FastDiskSpace(const QString& root) const {
    const std::optional<FsSpace> space = statFileSystem(root);
    return space ? space->available : 0;
}

std::optional<System::MemoryFigures> System::parseMemInfo(const QByteArray& text) {
    std::optional<std::int64_t> total, available, freeKb, buffers, cached;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon);
        const QList<QByteArray> parts = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const std::int64_t value = parts.value(0).toLongLong(&ok);
        if (!ok || value < 0)
            continue;
        if (key == "MemTotal")
            total = value;
        else if (key == "MemAvailable")
            available = value;
        else if (key == "MemFree")
            freeKb = value;
        else if (key == "Buffers")
            buffers = value;
        else if (key == "Cached")
            cached = value;
    }
    if (!total || *total <= 0)
        return std::nullopt;
    if (!available) {
        if (!freeKb)
            return std::nullopt;
        available = *freeKb + buffers.value_or(0) + cached.value_or(0);
    }
    MemoryFigures m;
    m.totalKb = *total;
    m.availableKb = std::min(*available, *total);
    const double used = double(m.totalKb - m.availableKb) * 100.0 / double(m.totalKb);
    m.percentUsed = std::uint8_t(std::lround(used));
    return m;
}

void System::FreeMemory(std::uint8_t& percentUsed, std::int64_t& totalRamKb,
                        std::int64_t& freeRamKb) const {
    std::optional<MemoryFigures> m = parseMemInfo(readProcFile("/proc/meminfo"));
    if (!m) {
        struct sysinfo info {};
        if (::sysinfo(&info) == 0 && info.totalram > 0) {
            const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
            MemoryFigures f;
            f.totalKb = std::int64_t(std::llround(double(info.totalram) * unit / 1024.0));
            f.availableKb =
                std::int64_t(std::llround(double(info.freeram + info.bufferram) * unit / 1024.0));
            f.availableKb = std::min(f.availableKb, f.totalKb);
            f.percentUsed = std::uint8_t(
                std::lround(double(f.totalKb - f.availableKb) * 100.0 / double(f.totalKb)));
            m = f;
        }
    }
    percentUsed = m ? m->percentUsed : 0;
    totalRamKb = m ? m->totalKb : 0;
    freeRamKb = m ? m->availableKb : 0;
}

int System::countFunctionKeys(const QByteArray& devicesText, int wordBits) {
    // Key codes of the kernel's input layer.
    constexpr int keyQ = 16, keyA = 30, keyZ = 44;
    constexpr int functionKeyCodes[] = {59,  60,  61,  62,  63,  64,  65,  66,  67,  68,  87,  88,
                                        183, 184, 185, 186, 187, 188, 189, 190, 191, 192, 193, 194};
    int most = 0;
    for (const QByteArray& block : devicesText.split('\n')) {
        if (!block.startsWith("B: KEY="))
            continue;
        // Words are printed most significant first; the last word holds codes 0..wordBits-1.
        const QList<QByteArray> words = block.mid(7).trimmed().split(' ');
        std::vector<std::uint64_t> bits;
        bool ok = true;
        for (auto it = words.rbegin(); it != words.rend() && ok; ++it)
            bits.push_back(it->toULongLong(&ok, 16));
        if (!ok)
            continue;
        auto has = [&](int code) {
            const std::size_t word = std::size_t(code / wordBits);
            return word < bits.size() && (bits[word] >> (code % wordBits)) & 1u;
        };
        if (!has(keyQ) || !has(keyA) || !has(keyZ))
            continue;
        int count = 0;
        for (int code : functionKeyCodes)
            count += has(code) ? 1 : 0;
        most = std::max(most, count);
    }
    return most;
}

std::uint8_t System::FunctionKeys() const {
    const int count =
        countFunctionKeys(readProcFile("/proc/bus/input/devices"), int(sizeof(long) * CHAR_BIT));
    return std::uint8_t(count);
}

QString System::KeyboardType() const {
    return {};
}

QString System::keyboardTypeText(int type) {
    switch (type) {
    case 1:
        return QStringLiteral("IBM PC/XT or compatible (83 key)");
    case 2:
        return QStringLiteral("Olivetti \"ico\" (102 key)");
    case 3:
        return QStringLiteral("IBM PC/AT or compatible (84 key)");
    case 4:
        return QStringLiteral("IBM enhanced (101 or 102 key)");
    case 5:
        return QStringLiteral("Nokia 1050 or compatible");
    case 6:
        return QStringLiteral("Nokia 9140 or compatible");
    case 7:
        return QStringLiteral("Japanese");
    default:
        return {};
    }
}

void System::processorText(int processorType, QString& text) {
    switch (processorType) {
    case 386:
        text = QStringLiteral("80386");
        break;
    case 486:
        text = QStringLiteral("80486");
        break;
    case 586:
        text = QStringLiteral("Intel Pentium");
        break;
    default:
        break;
    }
}

void System::SystemInfo(QString& processor, std::int64_t& processorCount,
                        std::uint64_t& activeProcessorMask) const {
#if defined(__i386__)
    // A 32-bit x86 processor type is its family: 3 and 4 are themselves, later families
    // all report as Pentium class.
    const QByteArray cpuinfo = readProcFile("/proc/cpuinfo");
    const qsizetype at = cpuinfo.indexOf("cpu family");
    if (at >= 0) {
        const qsizetype colon = cpuinfo.indexOf(':', at);
        bool ok = false;
        const int family =
            cpuinfo.mid(colon + 1, cpuinfo.indexOf('\n', colon) - colon - 1).trimmed().toInt(&ok);
        if (ok)
            processorText(family <= 3 ? 386 : family == 4 ? 486 : 586, processor);
    }
#else
    // 64-bit and non-x86 processor types have no entry in the table.
    (void)processor;
#endif
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    processorCount = online > 0 ? online : 0;

    activeProcessorMask = 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0) {
        for (int cpu = 0; cpu < 64; ++cpu)
            if (CPU_ISSET(cpu, &set))
                activeProcessorMask |= std::uint64_t(1) << cpu;
    }
}

QString System::TempDir() const {
    return folderText(QDir::tempPath());
}

QString System::SystemDir() const {
    for (const char* dir : {"/usr/lib", "/lib"})
        if (QFileInfo(QLatin1String(dir)).isDir())
            return folderText(QLatin1String(dir));
    return {};
}

QString System::WinDir() const {
    return QFileInfo(QStringLiteral("/etc")).isDir() ? folderText(QStringLiteral("/etc"))
                                                     : QString();
}

QString System::ComputerName() const {
    std::array<char, HOST_NAME_MAX + 1> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return TrimAtNul(QString::fromLocal8Bit(name.data(), qsizetype(name.size()))).trimmed();
}

QString System::UserName() const {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name)
        return TrimAtNul(QString::fromLocal8Bit(found->pw_name)).trimmed();
    std::array<char, LOGIN_NAME_MAX + 1> login{};
    if (::getlogin_r(login.data(), login.size() - 1) == 0)
        return TrimAtNul(QString::fromLocal8Bit(login.data())).trimmed();
    return {};
}

QString System::formatSerial(std::uint32_t serial) {
    const QString hex = QStringLiteral("%1").arg(serial, 8, 16, QLatin1Char('0')).toUpper();
    return hex.left(4) + QLatin1Char('-') + hex.mid(4);
}

std::optional<std::uint32_t> System::serialFromUuid(const QString& uuid) {
    QString digits;
    for (QChar c : uuid)
        if (c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            digits += c;
    if (digits.size() < 8)
        return std::nullopt;
    const QString chosen = digits.size() == 16 ? digits.right(8) : digits.left(8);
    bool ok = false;
    const std::uint32_t value = chosen.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return value;
}

QString System::SerialNumber(const QString& root) const {
    const QString failed = QStringLiteral("0000-0000");
    const std::optional<mounts::MountEntry> mount = mounts::mountForPath(root);
    if (!mount)
        return failed;
    const std::optional<QString> uuid = volumeTag(*mount, "by-uuid", "UUID");
    if (!uuid)
        return failed;
    const std::optional<std::uint32_t> serial = serialFromUuid(*uuid);
    return serial ? formatSerial(*serial) : failed;
}

QString System::VolumeLabel(const QString& root) const {
    const std::optional<mounts::MountEntry> mount = mounts::mountForPath(root);
    if (!mount)
        return {};
    const QString label = TrimAtNul(volumeTag(*mount, "by-label", "LABEL").value_or(QString()));
    return label.isEmpty() ? QStringLiteral("NoName") : label;
}

void System::platformText(int platformId, int major, int minor, QString& text) {
    switch (platformId) {
    case 0:
        text = QStringLiteral("Windows %1.%2").arg(major).arg(minor);
        break;
    case 1:
        text = QStringLiteral("Windows 95");
        break;
    case 2:
        text = QStringLiteral("Windows NT");
        break;
    default:
        break;
    }
}

void System::WinVer(int& major, int& minor, QString& platform) const {
    major = 0;
    minor = 0;
    platform.clear();
    struct utsname names {};
    if (::uname(&names) != 0)
        return;
    // The release starts "<major>.<minor>" (e.g. "6.1.0-18-amd64").
    const QByteArray release(names.release);
    qsizetype pos = 0;
    const std::optional<int> first = leadingNumber(release, pos);
    if (!first || pos >= release.size() || release[pos] != '.')
        return;
    ++pos;
    const std::optional<int> second = leadingNumber(release, pos);
    if (!second)
        return;
    major = *first;
    minor = *second;
    platform = TrimAtNul(QString::fromLatin1(names.sysname));
}
