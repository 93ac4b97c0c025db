#pragma once

#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/error.h"

#include <QString>

// The one place the program talks to libdiscid. Computes from a table of contents alone; the
// drive is never touched. Thread-safe (every call has its own libdiscid object).
namespace mbdiscid {

// A disc as the MusicBrainz web service identifies it.
struct MusicBrainzDisc {
    QString id;  // the disc ID: 28 characters of MusicBrainz's base64 ('.', '_', '-')
    QString toc; // "first last leadOut offset..." joined by '+', as the service's toc=
                 // parameter takes it; offsets count the 150-sector lead-in
};

// The MusicBrainz identity of the disc with table of contents `toc`. Offsets are the LBAs plus
// the 150-sector lead-in. Data tracks after the last audio track (an Enhanced CD's second
// session) are left out, as MusicBrainz does: the lead-out is where the last audio track ends
// (the table's end of it: 11,400 sectors, the gap between the sessions, before the data
// track). A data track before the audio (a mixed-mode CD) counts like any track. Fails, with
// libdiscid's reason, when no audio track is left or libdiscid refuses the table (more than 99
// tracks, starts that do not increase or lie past the lead-out).
Result<MusicBrainzDisc> musicBrainzDisc(const cddrives::DiscToc& toc);

} // namespace mbdiscid
