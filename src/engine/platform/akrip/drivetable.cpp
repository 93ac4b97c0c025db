#include "engine/platform/akrip/drivetable.h"

#include "engine/platform/akrip/akrip.h"
#include "engine/platform/nativepath.h"

#include <algorithm>

#include <QCoreApplication>

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
        entry.source = DiscSource{node, true, {}, {}, nullptr, {}, nullptr};
        table_.drives.push_back(std::move(entry));
    }
    table_.deviceCount = static_cast<int>(table_.drives.size());
}

Result<cdiolib::CdIoPtr> openDisc(const DiscSource& source) {
    if (!source.isDevice &&
        (!nativepath::exists(source.cuePath) || !nativepath::exists(source.dataPath)))
        return VortanError(VortanError::FileNotFound, QStringLiteral("AKRip32"),
                           QCoreApplication::translate("drivetable", "The disc image %1 is gone")
                               .arg(source.cuePath));
    return cdiolib::open(source.openPath, source.isDevice,
                         source.isDevice ? QString() : source.cuePath);
}

cdiolib::Layout imageLayout(const cuesheet::Sheet& sheet, qint64 dataBytes) {
    constexpr qint64 sectorBytes = cdiolib::sectorBytes;
    const auto dataSectors = static_cast<std::int32_t>(std::min<qint64>(
        (std::max<qint64>(dataBytes, 0) + sectorBytes - 1) / sectorBytes, cuesheet::maxSector + 1));
    cdiolib::Layout layout;
    std::vector<const cuesheet::Track*> present;
    for (const cuesheet::Track& track : sheet.tracks) {
        if (track.startSector < dataSectors)
            present.push_back(&track);
        else
            layout.missingTracks.push_back(track.number);
    }
    layout.leadOutLsn = dataSectors;
    if (present.empty())
        return layout;
    layout.firstTrack = present.front()->number;

    // Where the audio before a data track ends in the file: at the data track's pregap.
    auto audioEndBefore = [](const cuesheet::Track& data) {
        return data.pregapStart >= 0 ? data.pregapStart : data.startSector;
    };
    std::size_t lastAudio = present.size();
    for (std::size_t i = 0; i < present.size(); ++i)
        if (present[i]->audio)
            lastAudio = i;
    std::int32_t shift = 0;
    const std::size_t secondSession = lastAudio + 1;
    if (lastAudio < present.size() && secondSession < present.size()) {
        const cuesheet::Track& data = *present[secondSession];
        const std::int32_t gapInFile = data.startSector - audioEndBefore(data);
        if (gapInFile < cdiolib::sessionGapSectors)
            shift = cdiolib::sessionGapSectors - gapInFile;
    }
    layout.catalog = QString::fromLatin1(sheet.catalog);
    for (std::size_t i = 0; i < present.size(); ++i) {
        const cuesheet::Track& track = *present[i];
        const std::int32_t placed = i >= secondSession ? shift : 0;
        cdiolib::TrackEntry entry;
        entry.number = track.number;
        entry.startLsn = track.startSector + placed;
        entry.audio = track.audio;
        entry.pregapLsn = track.pregapStart >= 0 ? track.pregapStart + placed : -1;
        for (const std::int32_t later : track.laterIndexes)
            entry.laterIndexLsns.push_back(later + placed);
        entry.isrc = QString::fromLatin1(track.isrc);
        layout.tracks.push_back(entry);
    }
    // The sheet says where each track ends but the last: a track whose data is cut short
    // keeps that end, so reading it fails where the data does instead of passing for whole.
    auto endBefore = [&audioEndBefore](const cuesheet::Track& track, const cuesheet::Track& next) {
        return track.audio && !next.audio ? audioEndBefore(next) : next.startSector;
    };
    const cuesheet::Track& lastTrack = *present.back();
    const auto afterLast = static_cast<std::size_t>(&lastTrack - sheet.tracks.data()) + 1;
    const std::int32_t lastEnd =
        afterLast < sheet.tracks.size()
            ? std::max(endBefore(lastTrack, sheet.tracks[afterLast]), dataSectors)
            : dataSectors;
    const std::int32_t lastShift = present.size() - 1 >= secondSession ? shift : 0;
    layout.leadOutLsn = lastEnd + lastShift;
    for (std::size_t i = 0; i + 1 < present.size(); ++i)
        layout.tracks[i].endLsn = present[i]->audio && !present[i + 1]->audio
                                      ? audioEndBefore(*present[i + 1])
                                      : layout.tracks[i + 1].startLsn;
    layout.tracks.back().endLsn = afterLast < sheet.tracks.size()
                                      ? endBefore(lastTrack, sheet.tracks[afterLast]) + lastShift
                                      : layout.leadOutLsn;
    return layout;
}

Result<cdiolib::Layout> layoutOf(const DiscSource& source, CdIo_t* disc) {
    if (source.isDevice || !source.sheet)
        return cdiolib::readLayout(disc);
    cdiolib::Layout layout = imageLayout(*source.sheet, nativepath::fileSize(source.dataPath));
    if (layout.tracks.empty())
        return VortanError(VortanError::FileNotFound, QStringLiteral("AKRip32"),
                           QCoreApplication::translate(
                               "drivetable", "The disc image %1 holds no track: its data file %2 "
                                             "ends before the first track")
                               .arg(source.cuePath, source.dataPath));
    return layout;
}

Result<bool> OpenHandle::openDiscLocked() {
    reader.reset();
    readerFailure.clear();
    layout.reset();
    disc.reset();
    auto opened = openDisc(source);
    if (!opened)
        return opened.error();
    auto readLayout = layoutOf(source, opened.value().get());
    if (!readLayout)
        return readLayout.error();
    disc = std::move(opened.value());
    layout = std::move(readLayout.value());
    // A disc without audio (or a drive that cannot read it) still has its table of contents;
    // its reads fail.
    // A simulated drive's reads are its medium's, as a device's are its own.
    const bool ownReads = source.isDevice || source.medium;
    auto opener = cdiolib::SectorReader::open(
        disc.get(), *layout, ownReads ? QString() : source.dataPath,
        ownReads ? std::vector<cdiolib::MissingSectors>{} : source.missing, source.medium);
    if (opener)
        reader = std::move(opener.value());
    else
        readerFailure = opener.error().description();
    return true;
}

} // namespace akrip::detail
