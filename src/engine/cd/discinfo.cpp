#include "engine/cd/discinfo.h"

#include <algorithm>
#include <map>

int DiscInfo::year() const {
    bool ok = false;
    const int value = date.left(4).toInt(&ok);
    return ok && date.size() >= 4 && value > 0 ? value : 0;
}

bool DiscInfo::isEmpty() const {
    return album.isEmpty() && artist.isEmpty() && date.isEmpty() &&
           std::all_of(tracks.begin(), tracks.end(),
                       [](const TrackInfo& t) { return t.title.isEmpty() && t.artist.isEmpty(); });
}

const TrackInfo* DiscInfo::track(int number) const {
    const auto found = std::find_if(tracks.begin(), tracks.end(),
                                    [number](const TrackInfo& t) { return t.number == number; });
    return found == tracks.end() ? nullptr : &*found;
}

QString DiscInfo::trackArtist(int number) const {
    const TrackInfo* entry = track(number);
    return entry && !entry->artist.isEmpty() ? entry->artist : artist;
}

namespace discinfo {

namespace {

const QString& preferred(const QString& first, const QString& second) {
    return first.isEmpty() ? second : first;
}

} // namespace

DiscInfo fromCdText(const cddrives::DiscText& text) {
    DiscInfo info;
    info.album = text.title;
    info.artist = text.performer;
    for (std::size_t i = 0; i < text.tracks.size(); ++i)
        info.tracks.push_back(TrackInfo{text.firstTrack + static_cast<int>(i),
                                        text.tracks[i].title,
                                        text.tracks[i].performer,
                                        {}});
    return info;
}

DiscInfo merge(const DiscInfo& cdText, const DiscInfo& release) {
    DiscInfo out;
    out.album = preferred(release.album, cdText.album);
    out.artist = preferred(release.artist, cdText.artist);
    out.date = preferred(release.date, cdText.date);
    out.releaseId = preferred(release.releaseId, cdText.releaseId);
    out.discId = preferred(release.discId, cdText.discId);
    const bool releaseSet = release.discTotal > 1;
    out.discNumber = releaseSet ? release.discNumber : cdText.discNumber;
    out.discTotal = releaseSet ? release.discTotal : cdText.discTotal;

    std::map<int, TrackInfo> byNumber;
    for (const TrackInfo& track : cdText.tracks)
        byNumber[track.number] = track;
    for (const TrackInfo& track : release.tracks) {
        TrackInfo& merged = byNumber[track.number];
        merged.number = track.number;
        merged.title = preferred(track.title, merged.title);
        merged.artist = preferred(track.artist, merged.artist);
        merged.recordingId = preferred(track.recordingId, merged.recordingId);
    }
    for (auto& [number, track] : byNumber)
        out.tracks.push_back(std::move(track));
    return out;
}

bool DriveDisc::inAllTracks(int number) const {
    return number != 0 && std::find(dataTracks.begin(), dataTracks.end(), number) == dataTracks.end();
}

DriveDisc driveDiscOf(const cddrives::DiscToc& toc, const cddrives::DiscText& text) {
    DriveDisc disc;
    disc.cdText = fromCdText(text);
    for (int i = 0; i < toc.trackCount(); ++i) {
        disc.tracks.push_back(toc.firstTrack + i);
        disc.isrc.push_back(toc.isrcOf(toc.firstTrack + i));
        if (!toc.isAudio(i))
            disc.dataTracks.push_back(toc.firstTrack + i);
    }
    disc.catalog = toc.catalog;
    disc.hiddenTrack = toc.hiddenTrackSectors > 0;
    if (const auto id = mbdiscid::musicBrainzDisc(toc))
        disc.musicBrainz = id.value();
    else
        disc.discIdError = id.error().description();
    disc.cdText.discId = disc.musicBrainz.id;
    return disc;
}

} // namespace discinfo
