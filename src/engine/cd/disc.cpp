#include "engine/cd/disc.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <algorithm>

QString Disc::identity() const {
    return toc ? QString::number(freedbId) : QString();
}

QString Disc::infoKey() const {
    if (!toc)
        return {};
    // Each text with its length before it, so that no text can pass for two.
    QByteArray own;
    const auto add = [&own](const QString& text) {
        const QByteArray bytes = text.toUtf8();
        own += QByteArray::number(bytes.size()) + ':' + bytes;
    };
    const DiscInfo& text = known.cdText;
    add(text.album);
    add(text.artist);
    for (const TrackInfo& track : text.tracks) {
        add(QString::number(track.number));
        add(track.title);
        add(track.artist);
    }
    add(known.catalog);
    for (const QString& isrc : known.isrc)
        add(isrc);
    const QString disc = known.musicBrainz.id.isEmpty() ? identity() : known.musicBrainz.id;
    return disc + QLatin1Char('/') +
           QString::fromLatin1(QCryptographicHash::hash(own, QCryptographicHash::Sha1).toHex()) +
           (imagePath.isEmpty() ? QString() : QLatin1Char('/') + imagePath);
}

namespace {

bool isMissing(const cddrives::DiscToc& toc, int number) {
    return std::find(toc.missingTracks.begin(), toc.missingTracks.end(), number) !=
           toc.missingTracks.end();
}

// Whether every track of `a` is in `b` at the same place and of the same kind, or missing
// from `b`.
bool tracksHeldBy(const cddrives::DiscToc& a, const cddrives::DiscToc& b) {
    for (int i = 0; i < a.trackCount(); ++i) {
        const int number = a.firstTrack + i;
        const int j = b.indexOf(number);
        if (j < 0 ? !isMissing(b, number)
                  : a.trackStartLba[static_cast<std::size_t>(i)] !=
                            b.trackStartLba[static_cast<std::size_t>(j)] ||
                        a.isAudio(i) != b.isAudio(j))
            return false;
    }
    return true;
}

} // namespace

bool Disc::sameAs(const Disc& other) const {
    if (drive != other.drive || toc.has_value() != other.toc.has_value())
        return false;
    return !toc || (toc->firstTrack == other.toc->firstTrack &&
                    toc->hiddenTrackSectors == other.toc->hiddenTrackSectors &&
                    tracksHeldBy(*toc, *other.toc) && tracksHeldBy(*other.toc, *toc));
}

Disc readDisc(int driveIndex) {
    Disc disc;
    disc.drive = driveIndex;
    auto toc = cddrives::readToc(driveIndex);
    if (!toc) {
        disc.unreadable = toc.error().description();
        disc.known.discIdError = disc.unreadable;
        return disc;
    }
    const std::vector<cddrives::Drive> drives = cddrives::drives();
    if (driveIndex >= 0 && static_cast<std::size_t>(driveIndex) < drives.size() &&
        drives[static_cast<std::size_t>(driveIndex)].isImage)
        disc.imagePath = drives[static_cast<std::size_t>(driveIndex)].path;
    const auto text = cddrives::readCdText(driveIndex);
    disc.known = discinfo::driveDiscOf(toc.value(), text ? text.value() : cddrives::DiscText{});
    disc.freedbId = cddrives::freedbDiscId(toc.value());
    disc.toc = std::move(toc.value());
    return disc;
}

Disc stillInDrive(const Disc& listed) {
    Disc now = readDisc(listed.drive);
    if (now.sameAs(listed)) {
        now.freedbId = listed.freedbId;
        now.known = listed.known;
        return now;
    }
    if (!now.toc)
        return now;
    Disc changed;
    changed.drive = listed.drive;
    changed.changed = true;
    changed.unreadable = QCoreApplication::translate(
        "disc", "the disc in the drive is not the one listed; list the disc again");
    changed.known.discIdError = changed.unreadable;
    return changed;
}
