#include "engine/cd/ripcue.h"

#include "engine/formats/outputfile.h"

#include <QFileInfo>

#include <algorithm>

namespace ripcue {

namespace {

constexpr int hiddenTrack = 0;

const riplog::Track* copied(const riplog::Log& log, int number) {
    for (const riplog::Track& track : log.tracks)
        if (track.number == number && track.result == riplog::TrackResult::CopyOk &&
            !track.outputFile.isEmpty())
            return &track;
    return nullptr;
}

} // namespace

cuewriter::Disc sheetOf(const riplog::Log& log, const QString& fileType) {
    cuewriter::Disc disc;
    disc.fileType = fileType;
    disc.comment = log.program;
    disc.title = log.disc.album;
    disc.performer = log.disc.artist;
    if (!log.discToc)
        return disc;
    const cddrives::DiscToc& toc = *log.discToc;
    disc.catalog = toc.catalog;

    std::vector<int> numbers;
    for (const riplog::Track& track : log.tracks)
        if (track.number != hiddenTrack && toc.indexOf(track.number) >= 0 &&
            toc.isAudio(toc.indexOf(track.number)) && copied(log, track.number))
            numbers.push_back(track.number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    const bool consecutive = numbers.empty() || numbers.back() - numbers.front() + 1 ==
                                                    static_cast<int>(numbers.size());

    const riplog::Track* hidden = copied(log, hiddenTrack);
    if (hidden && !numbers.empty() && numbers.front() == toc.firstTrack)
        disc.hiddenTrackFile = QFileInfo(hidden->outputFile).fileName();
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        const int number = numbers[k];
        const int i = toc.indexOf(number);
        const riplog::Track& ripped = *copied(log, number);
        cuewriter::Track track;
        track.number = consecutive ? number : static_cast<int>(k) + 1;
        track.file = QFileInfo(ripped.outputFile).fileName();
        track.fileSectors = ripped.endLba - ripped.startLba;
        const std::int32_t start = toc.trackStartLba[static_cast<std::size_t>(i)];
        // The first track's pregap is all that comes before it: the hidden track's audio, or
        // silence.
        track.pregapSectors = number == toc.firstTrack ? start : toc.pregapSectors(i);
        track.pregapInPreviousFile = number == toc.firstTrack
                                         ? !disc.hiddenTrackFile.isEmpty()
                                         : k > 0 && numbers[k - 1] == number - 1;
        if (static_cast<std::size_t>(i) < toc.laterIndexLba.size())
            for (const std::int32_t later : toc.laterIndexLba[static_cast<std::size_t>(i)])
                track.laterIndexes.push_back(later - start);
        track.title = ripped.title;
        if (const QString artist = log.disc.trackArtist(number); artist != disc.performer)
            track.performer = artist;
        track.isrc = toc.isrcOf(number);
        disc.tracks.push_back(track);
    }
    return disc;
}

Result<QString> write(const QString& logPath, const riplog::Log& log, const QString& fileType) {
    const cuewriter::Disc disc = sheetOf(log, fileType);
    if (disc.tracks.empty())
        return QString();
    QString wanted = logPath;
    if (wanted.endsWith(QLatin1String(".log")))
        wanted.chop(4);
    wanted += QStringLiteral(".cue");
    auto written = outputfile::writeWhole(wanted, cuewriter::write(disc));
    if (!written)
        return VortanError(VortanError::PathAccess, QStringLiteral("Cue sheet"),
                           QStringLiteral("The cue sheet could not be written (%1)")
                               .arg(written.error().description()));
    return written;
}

} // namespace ripcue
