#include "engine/cd/disclisting.h"

#include "engine/platform/mci/mci.h"

#include <algorithm>

#include <QCoreApplication>

namespace disclisting {

namespace {

std::int32_t sectorsToMs(std::int64_t sectors) {
    return static_cast<std::int32_t>(sectors * 1000 / 75);
}

// "3:05": whole minutes, then seconds in two digits.
QString minutesAndSeconds(std::int64_t ms) {
    const std::int64_t seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// "Track  3 - 3:05": the number right-aligned in two characters.
QString trackEntry(int track, const QString& rest) {
    return QCoreApplication::translate("disclisting", "Track %1 - %2").arg(track, 2).arg(rest);
}

} // namespace

void closeCdDevice() {
    mci::send(QStringLiteral("stop cd"));
    mci::send(QStringLiteral("close cd"));
}

QString notMusicCdMessage(const Disc& disc) {
    if (!disc.toc || disc.toc->trackCount() == 0)
        return QCoreApplication::translate(
            "disclisting",
            "The CD drive is empty. If you wish to use your CD as a source, please insert "
            "a music CD into the CD drive.");
    if (disc.toc->firstAudioTrack() == 0)
        return QCoreApplication::translate(
            "disclisting",
            "The current CD is not a music CD. If you wish to use your CD as a source, "
            "please insert a music CD into the CD drive.");
    return {};
}

Listing listingOf(const Disc& disc) {
    Listing listing;
    listing.identity = disc.identity();
    listing.trackCountText = QString::number(disc.toc ? disc.toc->trackCount() : 0);
    if (!disc.toc)
        return listing;
    const cddrives::DiscToc& toc = *disc.toc;
    std::vector<int> numbers = toc.missingTracks;
    for (int i = 0; i < toc.trackCount(); ++i)
        numbers.push_back(toc.firstTrack + i);
    std::sort(numbers.begin(), numbers.end());
    listing.lengthsMs.assign(static_cast<std::size_t>(numbers.empty() ? 0 : numbers.back()) + 1, 0);
    for (const int number : numbers) {
        const int i = toc.indexOf(number);
        const bool data = i >= 0 && !toc.isAudio(i);
        if (i < 0) {
            listing.entries.push_back(
                {QCoreApplication::translate("disclisting", "Track %1 - missing from the image")
                     .arg(number, 2),
                 number});
        } else {
            const std::int32_t ms = sectorsToMs(toc.trackSectors(i));
            listing.lengthsMs[static_cast<std::size_t>(number)] = ms;
            listing.entries.push_back(
                {trackEntry(number, minutesAndSeconds(ms)) +
                     (data ? QCoreApplication::translate("disclisting", " (data track)")
                           : QString()),
                 number});
        }
        (data ? listing.dataTracks : listing.extractable).push_back(number);
    }
    if (toc.hiddenTrackSectors > 0) {
        const std::int32_t ms = sectorsToMs(toc.hiddenTrackSectors);
        if (listing.lengthsMs.empty())
            listing.lengthsMs.push_back(0);
        listing.lengthsMs[0] = ms;
        listing.entries.insert(
            listing.entries.begin(),
            {QCoreApplication::translate("disclisting", "Track 00 - %1").arg(minutesAndSeconds(ms)),
             0});
        listing.hiddenTrack = true;
    }
    return listing;
}

} // namespace disclisting
