#pragma once

#include "engine/cd/accuraterip.h"
#include "engine/cd/disc.h"
#include "engine/cd/offsetsearch.h"
#include "engine/platform/error.h"

#include <functional>
#include <vector>

// Finding the read offset of a drive: one or two tracks of the disc in it read once with a
// margin either side, and their AccurateRip sums at every offset of the margin compared with
// the database's record of the disc. Blocking (a track's read: up to minutes on a real
// drive): run it off the GUI thread. `cancelled` (may be empty) is asked between reads, from
// the calling thread.
namespace offsetfind {

// Pairs read either side of a track: the range searched, beyond every common drive's offset.
inline constexpr int defaultMargin = 2940;

// Track `trackNumber` of `disc` as its drive reads it,
// uncorrected, with `margin` pairs either side; zeros stand for what lies beyond the disc's
// start or its audio's end. Fails when the disc has no such audio track, when a sector cannot
// be read (naming it) and when cancelled.
Result<offsetsearch::MarginRead> readWithMargin(const Disc& disc, int trackNumber, int margin,
                                                const std::function<bool()>& cancelled = {});

struct FoundOffset {
    int offset = 0;          // samples, as readoffset stores it
    int confidence = 0;      // the rips that agree, summed over the tracks that match
    std::vector<int> tracks; // the tracks that match at this offset
    bool operator==(const FoundOffset&) const = default;
};

struct Search {
    std::vector<int> tracksRead;      // the tracks compared, in the order read
    std::vector<FoundOffset> offsets; // most tracks matched first, then highest confidence
    bool cancelled = false;
};

// Reads up to two audible tracks the record holds rips of (not the disc's first or last
// audio track when it has three or more: the sums leave out their edges), each with `margin`
// pairs either side, and gives the offsets within the margin at which one or more match the
// record (its v1 or v2 sums). Fails when the disc cannot be read or no track suits.
Result<Search> findDriveOffset(const Disc& disc, const accuraterip::Record& record,
                               int margin = defaultMargin,
                               const std::function<bool()>& cancelled = {});

} // namespace offsetfind
