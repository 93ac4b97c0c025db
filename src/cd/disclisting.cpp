#include "cd/disclisting.h"

#include "app/sourcetree.h"
#include "platform/mci/mci.h"

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
    return header;
}

QString notMusicCdMessage(long long trackCount) {
    if (trackCount == 1)
        return QStringLiteral(
            "The current CD is not a music CD. If you wish to use your CD as a source, "
            "please insert a music CD into the CD drive.");
    if (trackCount == 0)
        return QStringLiteral(
            "The CD drive is empty. If you wish to use your CD as a source, please insert "
            "a music CD into the CD drive.");
    return {};
}

Tracks readTracks(int count) {
    Tracks tracks;
    sendToCd(QStringLiteral("set cd time format hms"));
    for (int i = 1; i <= count; ++i) {
        sendToCd(QStringLiteral("status cd length track %1").arg(i));
        tracks.entries << trackEntry(i, replyNow());
    }
    tracks.lengthsMs.assign(static_cast<std::size_t>(std::max(count, 0)) + 1, 0);
    sendToCd(QStringLiteral("set cd time format milliseconds"));
    for (int i = 1; i <= count; ++i) {
        sendToCd(QStringLiteral("status cd length track %1").arg(i));
        tracks.lengthsMs[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(LeadingNumber(replyNow()));
    }
    sendToCd(QStringLiteral("close cd"));
    return tracks;
}

} // namespace disclisting
