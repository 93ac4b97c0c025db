#include "engine/cd/disclisting.h"

#include "engine/core/sourcetree.h"
#include "engine/platform/mci/mci.h"

#include <algorithm>
#include <array>

namespace disclisting {

namespace {

// The media-control reply buffer of the listing, kept from one command to the next.
std::array<char, 64> reply{};

std::uint32_t sendToCd(const QString& command) {
    return mci::mciSendStringA(command.toLatin1().constData(), reply.data(),
                               static_cast<std::uint32_t>(reply.size()), nullptr);
}

QString replyNow() {
    return mci::replyText(reply.data(), static_cast<std::uint32_t>(reply.size()));
}

// "Track  3 - 3:05": the number right-aligned in two characters.
QString trackEntry(int track, const QString& length) {
    return QStringLiteral("Track %1 - %2").arg(track, 2).arg(length);
}

} // namespace

Header readHeader() {
    Header header;
    sendToCd(QStringLiteral("stop cd"));
    sendToCd(QStringLiteral("close cd"));
    if (sendToCd(QStringLiteral("open cdaudio alias cd")) != mci::Success)
        return header;
    header.opened = true;
    sendToCd(QStringLiteral("info cd identity"));
    header.identity = replyNow();
    sendToCd(QStringLiteral("status cd number of tracks"));
    header.trackCountText = replyNow();
    if (auto toc = cddrives::readToc(cddrives::mediaDrive()))
        header.toc = std::move(toc.value());
    return header;
}

QString notMusicCdMessage(const Header& header) {
    if (!header.toc || header.toc->trackCount() == 0)
        return QStringLiteral(
            "The CD drive is empty. If you wish to use your CD as a source, please insert "
            "a music CD into the CD drive.");
    if (header.toc->firstAudioTrack() == 0)
        return QStringLiteral(
            "The current CD is not a music CD. If you wish to use your CD as a source, "
            "please insert a music CD into the CD drive.");
    return {};
}

Tracks readTracks(const Header& header) {
    Tracks tracks;
    if (!header.toc)
        return tracks;
    const cddrives::DiscToc& toc = *header.toc;
    std::vector<int> numbers = toc.missingTracks;
    for (int i = 0; i < toc.trackCount(); ++i)
        numbers.push_back(toc.firstTrack + i);
    std::sort(numbers.begin(), numbers.end());
    const auto missing = [&toc](int number) { return toc.indexOf(number) < 0; };

    QStringList lengthTexts;
    sendToCd(QStringLiteral("set cd time format hms"));
    for (const int number : numbers) {
        if (missing(number)) {
            lengthTexts << QString();
            continue;
        }
        sendToCd(QStringLiteral("status cd length track %1").arg(number));
        lengthTexts << replyNow();
    }
    tracks.lengthsMs.assign(static_cast<std::size_t>(numbers.empty() ? 0 : numbers.back()) + 1, 0);
    sendToCd(QStringLiteral("set cd time format milliseconds"));
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        const int number = numbers[k];
        const bool data = !missing(number) && !toc.isAudio(toc.indexOf(number));
        if (missing(number)) {
            tracks.entries << QStringLiteral("Track %1 - missing from the image").arg(number, 2);
        } else {
            sendToCd(QStringLiteral("status cd length track %1").arg(number));
            tracks.lengthsMs[static_cast<std::size_t>(number)] =
                static_cast<std::int32_t>(LeadingNumber(replyNow()));
            tracks.entries << trackEntry(number, lengthTexts[static_cast<qsizetype>(k)]) +
                                  (data ? QStringLiteral(" (data track)") : QString());
        }
        (data ? tracks.dataTracks : tracks.extractable).push_back(number);
    }
    sendToCd(QStringLiteral("close cd"));
    if (toc.hiddenTrackSectors > 0) {
        const std::int64_t ms = std::int64_t{toc.hiddenTrackSectors} * 1000 / 75;
        if (tracks.lengthsMs.empty())
            tracks.lengthsMs.push_back(0);
        tracks.lengthsMs[0] = static_cast<std::int32_t>(ms);
        tracks.entries.prepend(QStringLiteral("Track 00 - %1:%2")
                                   .arg(ms / 60000)
                                   .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0')));
        tracks.hiddenTrack = true;
    }
    return tracks;
}

} // namespace disclisting
