#pragma once

#include "engine/cd/disc.h"
#include "engine/cd/readoffset.h"
#include "engine/cd/ripcheck.h"

#include <QString>

#include <optional>

// Verifies an earlier rip: a CD-format WAV file's audio against a track of the disc in a
// drive, by their checksums (CRC32 and AccurateRip v1/v2).
namespace ripverify {

struct Verdict {
    QString wavPath;
    int track = 0;        // the disc's track the file was compared with; 0 when none
    bool matched = false; // every checksum equal
    ripcheck::Checksums file;
    ripcheck::Checksums disc;
    QString problem; // why no comparison could be made (no such track, unreadable file...)

    // One line for the user: "Track 3: /m/1-3.wav matches the disc (CRC32 ..., AccurateRip
    // v1 ..., v2 ...)", "... does not match the disc (...)" or "<file>: <problem>".
    QString text() const;
};

// Compares `wavPath` with the track of `disc` (read from its drive) that has
// its length in sectors; when several have it, the track number at the end of the file's
// name ("1234-3.wav") picks one. The disc's track is read through the error-correcting
// reader, corrected by `offset` (none: the one stored for the drive, else 0). Blocking: minutes
// for a long track on a real drive.
Verdict verifyWav(const QString& wavPath, const Disc& disc,
                  const std::optional<readoffset::Offset>& offset = std::nullopt);

} // namespace ripverify
