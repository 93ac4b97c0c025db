#include "engine/cd/ripcue.h"

#include "engine/formats/outputfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace ripcue {

namespace {

constexpr int hiddenTrack = 0;

// Track `number` as the log has it; nullptr when it was not asked for.
const riplog::Track* asked(const riplog::Log& log, int number) {
    for (const riplog::Track& track : log.tracks)
        if (track.number == number)
            return &track;
    return nullptr;
}

bool leftFile(const riplog::Track* track) {
    return track && !track->outputFile.isEmpty();
}

// The sectors the track's file holds.
std::int32_t sectorsInFile(const riplog::Track& track) {
    const std::int32_t range = track.endLba - track.startLba;
    return track.sectorsRead < 0 ? range : std::min(track.sectorsRead, range);
}

// Its file holds the whole track, the next one's pregap at its end included (whether or not
// the copy is trusted: the audio is there).
bool wholeFile(const riplog::Track* track) {
    return leftFile(track) && sectorsInFile(*track) == track->endLba - track->startLba;
}

// How the sheet names the file `path`: by its name alone without `folder`, else by its path
// from `folder` (a file in a folder below the sheet's).
QString fileNameIn(const QString& path, const QString& folder) {
    return folder.isEmpty() ? QFileInfo(path).fileName() : QDir(folder).relativeFilePath(path);
}

// The hidden track's file as the sheet's first track: from its start, with no gap.
cuewriter::Track trackOfItsOwn(const riplog::Track& hidden, const QString& folder) {
    cuewriter::Track track;
    track.number = 1;
    track.title = hidden.title.isEmpty() ? QStringLiteral("Hidden track") : hidden.title;
    if (hidden.result != riplog::TrackResult::CopyOk)
        track.result = riplog::resultText(hidden.result);
    track.file = fileNameIn(hidden.outputFile, folder);
    track.fileSectors = sectorsInFile(hidden);
    track.pregapInPreviousFile = false;
    return track;
}

} // namespace

cuewriter::Disc sheetOf(const riplog::Log& log, const QString& fileType, const QString& folder) {
    cuewriter::Disc disc;
    disc.fileType = fileType;
    disc.comment = log.program;
    disc.title = log.disc.album;
    disc.performer = log.disc.artist;
    if (log.disc.discTotal > 1 && log.disc.discNumber >= 1) {
        disc.discNumber = log.disc.discNumber;
        disc.discTotal = log.disc.discTotal;
    }
    if (!log.discToc)
        return disc;
    const cddrives::DiscToc& toc = *log.discToc;
    disc.catalog = toc.catalog;

    // The audio tracks asked for: their numbering depends on that alone, never on how each
    // went.
    std::vector<int> numbers;
    for (const riplog::Track& track : log.tracks)
        if (track.number != hiddenTrack && toc.indexOf(track.number) >= 0 &&
            toc.isAudio(toc.indexOf(track.number)))
            numbers.push_back(track.number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    const bool consecutive = numbers.empty() || numbers.back() - numbers.front() + 1 ==
                                                    static_cast<int>(numbers.size());
    // Tracks after the last file add nothing to the sheet.
    while (!numbers.empty() && !leftFile(asked(log, numbers.back())))
        numbers.pop_back();

    const riplog::Track* hidden = asked(log, hiddenTrack);
    if (wholeFile(hidden) && !numbers.empty() && numbers.front() == toc.firstTrack)
        disc.hiddenTrackFile = fileNameIn(hidden->outputFile, folder);
    // Without the first track, the hidden track's file is no track's pregap: it stands as a
    // track of its own, the sheet's first, and the others are numbered by their place after it.
    const bool hiddenStandsAlone = leftFile(hidden) && !asked(log, toc.firstTrack);
    if (hiddenStandsAlone)
        disc.tracks.push_back(trackOfItsOwn(*hidden, folder));
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        const int number = numbers[k];
        const int i = toc.indexOf(number);
        const riplog::Track& ripped = *asked(log, number);
        cuewriter::Track track;
        track.number = hiddenStandsAlone ? static_cast<int>(k) + 2
                       : consecutive     ? number
                                         : static_cast<int>(k) + 1;
        if (ripped.result != riplog::TrackResult::CopyOk)
            track.result = riplog::resultText(ripped.result);
        track.title = ripped.title;
        if (!leftFile(&ripped)) {
            disc.tracks.push_back(track); // no file: a remark in its place
            continue;
        }
        track.file = fileNameIn(ripped.outputFile, folder);
        track.fileSectors = sectorsInFile(ripped);
        const std::int32_t start = toc.trackStartLba[static_cast<std::size_t>(i)];
        // The first track's pregap is all that comes before it: the hidden track's audio, or
        // silence.
        track.pregapSectors = number == toc.firstTrack ? start : toc.pregapSectors(i);
        track.pregapInPreviousFile =
            number == toc.firstTrack
                ? !disc.hiddenTrackFile.isEmpty()
                : k > 0 && numbers[k - 1] == number - 1 && wholeFile(asked(log, numbers[k - 1]));
        if (static_cast<std::size_t>(i) < toc.laterIndexLba.size())
            for (const std::int32_t later : toc.laterIndexLba[static_cast<std::size_t>(i)])
                if (later - start < track.fileSectors)
                    track.laterIndexes.push_back(later - start);
        if (const QString artist = log.disc.trackArtist(number); artist != disc.performer)
            track.performer = artist;
        track.isrc = toc.isrcOf(number);
        disc.tracks.push_back(track);
    }
    return disc;
}

Result<QString> write(const QString& logPath, const riplog::Log& log, const QString& fileType) {
    const cuewriter::Disc disc = sheetOf(log, fileType, QFileInfo(logPath).absolutePath());
    if (std::none_of(disc.tracks.begin(), disc.tracks.end(),
                     [](const cuewriter::Track& track) { return !track.file.isEmpty(); }))
        return QString();
    QString wanted = logPath;
    if (wanted.endsWith(QLatin1String(".log")))
        wanted.chop(4);
    wanted += QStringLiteral(".cue");
    auto written = outputfile::writeWhole(wanted, cuewriter::write(disc));
    if (!written)
        return VortanError(
            VortanError::PathAccess, QStringLiteral("Cue sheet"),
            QCoreApplication::translate("ripcue", "The cue sheet could not be written (%1)")
                .arg(written.error().description()));
    return written;
}

} // namespace ripcue
