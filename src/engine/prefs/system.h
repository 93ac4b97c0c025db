#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// Answers questions about the machine: file-system sizes and types, memory, keyboard,
// processor, special folders, computer and user names, volume serial numbers and labels,
// and the kernel version. Each member is a thin wrapper over one platform query; a query
// that fails gives the member's stated fallback and raises nothing.
//
// A "root" argument may be any existing path: the member answers for the mounted file
// system that holds it (a mount point, the destination folder, a file inside it).
//
// Stateless; one shared instance (System::instance()), safe to use from any thread.
class System {
  public:
    static System& instance();

    // Total size and free space (available to this user) in bytes of the file system
    // holding `root`. Exact 64-bit figures (saturated at INT64_MAX); 0 and 0 when the
    // query fails.
    void DriveInfo(const QString& root, std::int64_t& totalSpace, std::int64_t& freeSpace) const;

    // Adds to each counter the number of mounted file systems (each mount point counted
    // once, the topmost mount winning) of that drive type: "Removable drive",
    // "Fixed drive" (not removable), "CD-ROM drive", "RAM-disk", "Network drive". File
    // systems with an empty type text (proc, sysfs...) are not counted.
    void Drives(int& removable, int& notRemovable, int& cd, int& ram, int& network) const;

    // "Removable drive", "Fixed drive", "Network drive", "CD-ROM drive" or "RAM-disk" for
    // the file system holding `root`; empty when the path does not exist or the file
    // system is virtual (proc, sysfs, devpts...).
    QString DriveType(const QString& root) const;

    // Decimal digits grouped by three from the right with "." between groups; a minus sign
    // stays in front: 1234567 -> "1.234.567", -123456 -> "-123.456".
    static QString PutPoints(std::int64_t number);

    // Free bytes available to this user on the file system holding `root`; 0 on failure.
    std::int64_t FastDiskSpace(const QString& root) const;

    // Physical memory: percent in use, total and available in KB (1 KB = 1024 bytes).
    // All 0 when the query fails.
    void FreeMemory(std::uint8_t& percentUsed, std::int64_t& totalRamKb,
                    std::int64_t& freeRamKb) const;

    // Number of function keys of the attached keyboard with the most of them (from the
    // kernel's input device list); 0 when no keyboard is known.
    std::uint8_t FunctionKeys() const;

    // The keyboard type text. The kernel does not report the keyboard family the table
    // names, so this is always the table's fallback, an empty text.
    QString KeyboardType() const;

    // `processor` gets the processor text when the processor type is one the table names
    // (a 32-bit x86 build on an 80386, 80486 or Pentium-class processor) and is left
    // unchanged otherwise. `processorCount` is the number of online processors;
    // `activeProcessorMask` has bit n set when this process may run on processor n
    // (processors 0..63).
    void SystemInfo(QString& processor, std::int64_t& processorCount,
                    std::uint64_t& activeProcessorMask) const;

    // Folder paths, each ending in "/"; empty when the query fails.
    //   TempDir:   the temporary folder (TMPDIR or /tmp).
    //   SystemDir: the folder of the system's shared libraries, /usr/lib (else /lib).
    //   WinDir:    the folder of the system-wide configuration, /etc.
    QString TempDir() const;
    QString SystemDir() const;
    QString WinDir() const;

    // The host name and the name of the effective user; empty when the query fails.
    QString ComputerName() const;
    QString UserName() const;

    // Volume serial number of the file system holding `root`, as "XXXX-XXXX": the first
    // 32 bits of the file system's UUID (the whole serial of FAT/exFAT, the low 32 bits of
    // NTFS's 64-bit serial). "0000-0000" when the path does not exist or the file system
    // has no UUID (tmpfs, proc...) or it cannot be read.
    QString SerialNumber(const QString& root) const;

    // The label of the file system holding `root`; "NoName" when it has none (or it cannot
    // be read); empty when the path does not exist.
    QString VolumeLabel(const QString& root) const;

    // The running kernel's major and minor version and its name ("Linux"); 0, 0 and an
    // empty text when the query fails.
    void WinVer(int& major, int& minor, QString& platform) const;

    // ---- Conversions of raw platform values (pure) ----

    // Eight upper-case hex digits with leading zeros, split four/four: 0x1A2B3C4D ->
    // "1A2B-3C4D", 0xA1B2C3D -> "0A1B-2C3D".
    static QString formatSerial(std::uint32_t serial);
    // The 32-bit serial of a file-system UUID text: the hex digits of the text (other
    // characters ignored); exactly 16 digits (NTFS) give the last eight, otherwise the
    // first eight. nullopt with fewer than eight digits.
    static std::optional<std::uint32_t> serialFromUuid(const QString& uuid);
    // Keyboard type text of a platform keyboard type (1..7); empty otherwise.
    static QString keyboardTypeText(int type);
    // Processor text of a platform processor type: 386 "80386", 486 "80486",
    // 586 "Intel Pentium"; any other value leaves `text` unchanged.
    static void processorText(int processorType, QString& text);
    // Platform text of a version-information platform identifier: 0 "Windows " + major +
    // "." + minor (plain decimal), 1 "Windows 95", 2 "Windows NT"; any other value leaves
    // `text` unchanged.
    static void platformText(int platformId, int major, int minor, QString& text);
    // Most function keys among the keyboards of a /proc/bus/input/devices text; `wordBits`
    // is the width of the words of its KEY bitmaps (the kernel's long).
    static int countFunctionKeys(const QByteArray& devicesText, int wordBits);

    struct MemoryFigures {
        std::uint8_t percentUsed = 0;
        std::int64_t totalKb = 0;
        std::int64_t availableKb = 0;
    };
    // Memory figures of a /proc/meminfo text (MemAvailable, or MemFree + Buffers + Cached
    // on kernels without it); nullopt without a usable MemTotal.
    static std::optional<MemoryFigures> parseMemInfo(const QByteArray& text);

  private:
    System() = default;
    // The text up to its first zero character.
    static QString TrimAtNul(const QString& text);
    static QString folderText(const QString& path);
};
