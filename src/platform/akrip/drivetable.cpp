#include "platform/akrip/drivetable.h"

#include "platform/akrip/akrip.h"

#include <QFileInfo>

namespace akrip::detail {

namespace {

Table& theTable() {
    static Table table;
    return table;
}

} // namespace

LockedTable::LockedTable() : table_(theTable()), lock_(table_.mutex) {
    if (table_.devicesFound)
        return;
    table_.devicesFound = true;
    cdiolib::ensureLibrary();
    for (const QString& node : cdiolib::deviceNodes()) {
        if (static_cast<int>(table_.drives.size()) >= maxDrives)
            break;
        DriveEntry entry;
        entry.drive = cddrives::Drive{cdiolib::hardwareId(node), node, false};
        entry.source = DiscSource{node, true, {}, {}};
        table_.drives.push_back(std::move(entry));
    }
    table_.deviceCount = static_cast<int>(table_.drives.size());
}

Result<cdiolib::CdIoPtr> openDisc(const DiscSource& source) {
    if (!source.isDevice &&
        (!QFileInfo::exists(source.cuePath) || !QFileInfo::exists(source.dataPath)))
        return VortanError(VortanError::FileNotFound, QStringLiteral("AKRip32"),
                           QStringLiteral("The disc image %1 is gone").arg(source.cuePath));
    return cdiolib::open(source.openPath, source.isDevice);
}

Result<bool> OpenHandle::openDiscLocked() {
    reader.reset();
    layout.reset();
    disc.reset();
    auto opened = openDisc(source);
    if (!opened)
        return opened.error();
    auto readLayout = cdiolib::readLayout(opened.value().get());
    if (!readLayout)
        return readLayout.error();
    disc = std::move(opened.value());
    layout = std::move(readLayout.value());
    // A disc without audio (or a drive that cannot read it) still has its table of contents;
    // its reads fail.
    auto opener =
        cdiolib::SectorReader::open(disc.get(), source.isDevice ? QString() : source.dataPath);
    if (opener)
        reader = std::move(opener.value());
    return true;
}

} // namespace akrip::detail
