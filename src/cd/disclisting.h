#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
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
};

// Stops and closes a listing left open, opens the device and reads the identity and the
// track count. The alias stays open for readTracks().
Header readHeader();

// What the window says when the listing stops at a disc of fewer than two tracks: a disc of
// one track is not a music CD, none is an empty drive. Empty for any other count.
QString notMusicCdMessage(long long trackCount);

struct Tracks {
    QStringList entries;                 // "Track  3 - 03:05"
    std::vector<std::int32_t> lengthsMs; // by track number; [0] unused
};

// The entries (lengths as hours, minutes, seconds) and the lengths in milliseconds of tracks
// 1..count, then closes the alias.
Tracks readTracks(int count);

} // namespace disclisting
