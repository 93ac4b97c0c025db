#pragma once

#include "engine/cd/disc.h"

#include <QString>

#include <cstdint>
#include <vector>

// What the main window (and the command line's track list) shows of a disc read with
// readDisc: its identity, its track count, and an entry and a length for each track.
namespace disclisting {

// Stops and closes the media-control "cd" device a play left open, so that a new listing
// starts from a quiet drive. GUI thread.
void closeCdDevice();

// What is said when the disc cannot be listed: an empty drive (no track), or a disc without
// any audio track, which is not a music CD. Empty for a disc with an audio track, even one.
QString notMusicCdMessage(const Disc& disc);

// A track's line and the track it stands for.
struct TrackEntry {
    QString text;
    int track = 0;
};

struct Listing {
    QString identity;       // the disc's freedb identity in decimal; empty without a disc
    QString trackCountText; // the tracks of its table of contents; "0" without a disc
    // One per track in number order, the disc's own numbers: "Track  3 - 3:05"; a data
    // track's entry says so ("Track 11 - 11:34 (data track)"), as does one an image's data
    // file does not hold ("Track  3 - missing from the image"). A hidden track (audio before
    // the first track) comes first, as "Track 00 - 0:42".
    std::vector<TrackEntry> entries;
    std::vector<std::int32_t> lengthsMs; // by track number; [0]: the hidden track's, or 0
    // The tracks "all tracks" means: all but data tracks and the hidden track.
    std::vector<int> extractable;
    std::vector<int> dataTracks;
    bool hiddenTrack = false; // track 0 is listed
};

// The listing of `disc`: lengths as minutes and seconds, and in milliseconds (rounded down).
Listing listingOf(const Disc& disc);

} // namespace disclisting
