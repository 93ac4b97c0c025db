#pragma once

#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/discid/mbdiscid.h"

#include <QString>

#include <vector>

// What a disc is known as: its album, artist, date and the names of its tracks, from the
// disc's CD-Text or from a release the MusicBrainz web service knows. Plain values, usable on
// any thread.

struct TrackInfo {
    int number = 0; // the track's number on the disc
    QString title;
    QString artist;      // empty: the album's artist
    QString recordingId; // MusicBrainz recording identifier; empty when not looked up
};

struct DiscInfo {
    QString album;
    QString artist;
    QString date;                  // "YYYY", "YYYY-MM" or "YYYY-MM-DD"; empty when unknown
    std::vector<TrackInfo> tracks; // in disc order
    QString releaseId;             // MusicBrainz release identifier; empty when not looked up
    QString discId;                // MusicBrainz disc ID; empty when not computed
    // Which disc of a set this is, and how many the set has; both 0 for a disc that is no
    // part of a set (or when unknown).
    int discNumber = 0;
    int discTotal = 0;

    // The year of `date`, 0 when unknown.
    int year() const;
    // No album, artist, date, nor any track title or artist (identifiers do not count).
    bool isEmpty() const;
    // The entry of track `number`; nullptr when there is none.
    const TrackInfo* track(int number) const;
    // The artist of track `number`: its own, else the album's.
    QString trackArtist(int number) const;
};

namespace discinfo {

// The information a disc's CD-Text gives: one entry per track the text lists, numbered
// from its first track. Texts are taken as the disc has them.
DiscInfo fromCdText(const cddrives::DiscText& text);

// One picture of a disc from its CD-Text and a release the user chose (either may be empty).
// The release wins for every field it fills, since its data is curated and CD-Text is often
// partial; CD-Text fills what the release leaves empty. Tracks are matched by number; a
// track only one side knows is kept. The result's tracks are in number order.
DiscInfo merge(const DiscInfo& cdText, const DiscInfo& release);

// A disc as its drive gives it when it is listed: the information its CD-Text holds and its
// MusicBrainz identity.
struct DriveDisc {
    DiscInfo cdText;                       // discId set when the ID was computed
    mbdiscid::MusicBrainzDisc musicBrainz; // id empty when it could not be computed
    QString discIdError;                   // why not
    std::vector<int> tracks;               // the track numbers of the table of contents
    std::vector<int> dataTracks;           // those of them that hold data, not audio
    QString catalog;                       // the media catalogue number; empty when unknown
    std::vector<QString> isrc;             // as `tracks`; empty where unknown
    bool hiddenTrack = false;              // audio before the first track (track 0)

    // Whether "all tracks" takes track `number`: not a data track, nor the hidden track,
    // which is asked for by itself.
    bool inAllTracks(int number) const;
};

// What a disc with table of contents `toc` and CD-Text `text` (empty when the drive reads
// none) is known as.
DriveDisc driveDiscOf(const cddrives::DiscToc& toc, const cddrives::DiscText& text);

} // namespace discinfo
