#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The drive figures of the disk-space guard and of the preferences window's drive panel.
// Figures are in MB of 1,000,000 bytes, 64-bit.
namespace ModSysInfo {

struct DriveSpace {
    QString root; // the mount point
    std::int64_t freeMb = 0;
};

struct DriveSpaceReport {
    // Every fixed file system that reports a size, in mount-table order.
    std::vector<DriveSpace> fixedDrives;
    // The mount point of the file system holding the destination folder; empty when the
    // folder cannot be found.
    QString destinationRoot;
    // The free space of that file system; empty when it cannot be measured.
    std::optional<std::int64_t> destinationFreeMb;

    // The drive panel's text: one "<root> - N MB available" line per fixed file system.
    QString driveListText() const;
};

// Total and free (available to this user) bytes of the file system holding `path`; 0 and 0
// when it cannot be measured.
using SpaceQuery =
    std::function<void(const QString& path, std::int64_t& totalBytes, std::int64_t& freeBytes)>;

// Replaces the query that measures file systems (tests give their own figures); an empty
// function restores the real one (System::DriveInfo, statvfs).
void setSpaceQuery(SpaceQuery query);

// Bytes to whole MB, rounded to the nearest (half up): 1,499,999 bytes are 1 MB.
std::int64_t megabytes(std::int64_t bytes);

// The mount points a user may keep files on, for a drive chooser: fixed, removable, CD and
// network file systems, in mount-table order.
std::vector<QString> driveRoots();

// Measures every fixed file system, and the one holding `destination`, whatever its kind.
DriveSpaceReport RefreshDriveSpace(const QString& destination);

} // namespace ModSysInfo
