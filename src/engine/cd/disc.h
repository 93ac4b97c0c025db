#pragma once

#include "engine/cd/discinfo.h"
#include "engine/platform/akrip/cddrives.h"

#include <QString>

#include <cstdint>
#include <optional>

// The disc in a drive as it was read at one moment: its drive, table of contents, freedb
// identity, CD-Text and MusicBrainz identity. A plain value: the window keeps the one it
// listed, a batch takes it when it starts, and every reader of a disc reads it through
// readDisc. Usable on any thread.
struct Disc {
    int drive = -1; // the cddrives index it was read from; -1: none
    // None when the drive held no readable disc (see unreadable).
    std::optional<cddrives::DiscToc> toc;
    QString unreadable;         // why there is no table of contents; empty when there is one
    bool changed = false;       // stillInDrive found another disc than the one listed
    std::uint32_t freedbId = 0; // cddrives::freedbDiscId of the table of contents
    discinfo::DriveDisc known;  // CD-Text, MusicBrainz identity, track numbers, ISRCs
    QString imagePath;          // the cue sheet when the drive is a disc image; else empty

    // The freedb identity in decimal, as the window shows it; empty without a disc.
    QString identity() const;
    // What information kept about the disc (looked up or edited) is filed under; empty without
    // a table of contents. Discs of one track layout share their disc IDs, so the key adds what
    // the disc says of itself (its CD-Text, catalogue number and ISRCs) and, for an image, its
    // cue sheet: information made for one disc never reaches another, and a disc with CD-Text
    // of its own is never known by a text kept for another. A device's disc keeps its key when
    // it is taken out and put back, in whichever drive; an image keeps it while its cue sheet
    // stays where it is and says the same.
    QString infoKey() const;
    // The same disc in the same drive: the same first track and hidden track, and each track
    // that both list starts at the same sector and is of the same kind. A track only one of
    // them lists must be missing from the other (an image whose data file was cut holds fewer
    // tracks, and ends sooner, but is the same disc).
    bool sameAs(const Disc& other) const;
};

// Reads the disc in drive `driveIndex` now: its table of contents, identity, CD-Text and
// MusicBrainz disc ID. An empty drive, an image whose files are gone or no such drive give a
// disc without a table of contents that says why.
Disc readDisc(int driveIndex);

// The disc in `listed`'s drive now, when it is still `listed` (sameAs): its table of contents
// as the drive reads it now, known by `listed`'s identity and information. Otherwise a disc
// without a table of contents: `changed` when another disc is in the drive (`unreadable` then
// says so), else saying why the drive cannot be read. For a batch that must read the very disc
// the user chose its tracks from.
Disc stillInDrive(const Disc& listed);
