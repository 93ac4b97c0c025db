#pragma once

#include "engine/platform/akrip/cddrives.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// The main window's reading of the disc in the media drive, through the media-control layer's
// "cdaudio" device under the alias "cd": the identity and the track count it shows, then an
// entry and a length for each track. Errors are ignored step by step: a command that fails
// leaves the reply of the last one that answered, and that text is used.
//
// GUI thread.
namespace disclisting {

struct Header {
    bool opened = false;    // the device opened; nothing was read otherwise
    QString identity;       // "info cd identity": the disc's freedb identity, in decimal
    QString trackCountText; // "status cd number of tracks"
    // The disc's table of contents (the media drive's, read now): its track numbers, which
    // tracks are audio, and an image's missing tracks. None for an empty drive.
    std::optional<cddrives::DiscToc> toc;
};

// Stops and closes a listing left open, opens the device and reads the identity, the track
// count and the table of contents. The alias stays open for readTracks().
Header readHeader();

// What is said when the disc cannot be listed: an empty drive (no track), or a disc without
// any audio track, which is not a music CD. Empty for a disc with an audio track, even one.
QString notMusicCdMessage(const Header& header);

struct Tracks {
    // One per track in number order, the disc's own numbers: "Track  3 - 03:05"; a data
    // track's entry says so ("Track 11 - 11:34 (data track)"), as does one an image's data
    // file does not hold ("Track  3 - missing from the image"). A hidden track (audio before
    // the first track) comes first, as "Track 00 - 0:42".
    QStringList entries;
    std::vector<std::int32_t> lengthsMs; // by track number; [0]: the hidden track's, or 0
    // The tracks "all tracks" means: all but data tracks and the hidden track.
    std::vector<int> extractable;
    std::vector<int> dataTracks;
    bool hiddenTrack = false; // track 0 is listed
};

// The entries (lengths as hours, minutes, seconds) and the lengths in milliseconds of the
// tracks of `header`'s disc, then closes the alias.
Tracks readTracks(const Header& header);

} // namespace disclisting
