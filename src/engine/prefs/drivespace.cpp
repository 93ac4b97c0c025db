#include "engine/prefs/drivespace.h"

#include "engine/prefs/mounttable.h"
#include "engine/prefs/system.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ModSysInfo {

namespace {

constexpr std::int64_t bytesPerMb = 1'000'000;

SpaceQuery& spaceQuery() {
    static SpaceQuery query;
    return query;
}

void measure(const QString& path, std::int64_t& total, std::int64_t& free) {
    total = 0;
    free = 0;
    if (const SpaceQuery& query = spaceQuery())
        query(path, total, free);
    else
        System::instance().DriveInfo(path, total, free);
}

} // namespace

void setSpaceQuery(SpaceQuery query) {
    spaceQuery() = std::move(query);
}

std::int64_t megabytes(std::int64_t bytes) {
    if (bytes <= 0)
        return 0;
    return bytes / bytesPerMb + (bytes % bytesPerMb >= bytesPerMb / 2 ? 1 : 0);
}

QString DriveSpaceReport::driveListText() const {
    QString text;
    for (const DriveSpace& drive : fixedDrives)
        text += drive.root + QStringLiteral(" - ") + QString::number(drive.freeMb) +
                QCoreApplication::translate("drivespace", " MB available\n");
    return text;
}

std::vector<QString> driveRoots() {
    std::vector<QString> roots;
    for (const mounts::MountEntry& entry : mounts::visibleMounts(mounts::currentMounts())) {
        switch (mounts::classify(entry, mounts::blockFacts(entry))) {
        case mounts::DriveFixed:
        case mounts::DriveRemovable:
        case mounts::DriveCdRom:
        case mounts::DriveRemote:
            if (QFileInfo(entry.mountPoint).isDir())
                roots.push_back(entry.mountPoint);
            break;
        default:
            break;
        }
    }
    return roots;
}

DriveSpaceReport RefreshDriveSpace(const QString& destination) {
    DriveSpaceReport report;
    for (const mounts::MountEntry& entry : mounts::visibleMounts(mounts::currentMounts())) {
        // Files bind-mounted over files (a container's /etc/hosts) are no drives.
        if (mounts::classify(entry, mounts::blockFacts(entry)) != mounts::DriveFixed ||
            !QFileInfo(entry.mountPoint).isDir())
            continue;
        std::int64_t total = 0, free = 0;
        measure(entry.mountPoint, total, free);
        if (total != 0)
            report.fixedDrives.push_back({entry.mountPoint, megabytes(free)});
    }

    // The destination's figure comes from the file system that holds it, whatever its kind
    // (a network share or a removable disk is measured too).
    if (const auto mount = mounts::mountForPath(destination))
        report.destinationRoot = mount->mountPoint;
    std::int64_t total = 0, free = 0;
    measure(destination, total, free);
    if (total != 0)
        report.destinationFreeMb = megabytes(free);
    return report;
}

} // namespace ModSysInfo
