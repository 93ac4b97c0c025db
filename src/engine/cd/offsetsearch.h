#pragma once

#include "engine/cd/accuraterip.h"
#include "engine/cd/ripcheck.h"

#include <cstdint>
#include <vector>

// Finding a drive's read offset: the AccurateRip checksums of one track at every offset in a
// range, compared with the database's entries for that track.
//
// A drive with read offset o delivers, for the disc's sample pair k, the pair k - o: its
// audio comes o pairs late. Correcting it means reading o pairs further on, so the track as
// a perfect drive reads it is pairs[margin + o ...] of a read that starts `margin` pairs
// before the track's start.
//
// Pure: safe on any thread.
namespace offsetsearch {

// A track read with a margin: `pairs` holds margin pairs before the track's first, the track,
// and margin pairs after its last (each stereo pair as a 32-bit word, left sample in the low
// half); what the drive cannot reach (before the disc's start, past its end) is zero.
struct MarginRead {
    std::vector<std::uint32_t> pairs;
    int margin = 0;
    ripcheck::TrackPlace place; // pairCount: the track's own pairs
};

// The AccurateRip v1 and v2 sums of the track corrected by `offset` (|offset| <= margin),
// computed straight from their definition.
struct Sums {
    std::uint32_t v1 = 0;
    std::uint32_t v2 = 0;
};
Sums sumsAt(const MarginRead& read, int offset);

struct Match {
    int offset = 0;
    int version = 0; // 1 or 2
    int confidence = 0;
    bool operator==(const Match&) const = default;
};

// Every offset in [-margin, margin] at which the corrected track's v1 or v2 sum equals an
// entry of `entries` with a nonzero confidence, in increasing order of offset. The v1 sum is
// carried from one offset to the next in constant time; v2 (not linear in the samples) is
// computed in full only where two exact necessary conditions derived from the carried sums
// hold, so the whole range costs about two passes over the track.
std::vector<Match> findOffsets(const MarginRead& read,
                               const std::vector<accuraterip::TrackEntry>& entries);

} // namespace offsetsearch
