#pragma once
// AccurateRip records as the database sends them, built by the tests from checksums they
// compute themselves.
#include "discimage.h"

#include "engine/cd/accuraterip.h"

#include <QByteArray>

#include <vector>

namespace accuraterecord {

// Points the "AccurateRip server" setting at a closed port on this computer, which refuses at
// once: rips then ask no database on the network.
void askNoDatabase();

// One chunk: the count byte, the disc's identifiers, then `entries`.
QByteArray chunk(const accuraterip::DiscKey& key, int count,
                 const std::vector<accuraterip::TrackEntry>& entries);

// How the database names the disc in drive `driveIndex` (cddrives).
accuraterip::DiscKey keyOf(int driveIndex);

// The record of `image`'s disc: a chunk of each audio track's v1 sum submitted by `v1Rips`
// rips, then a chunk of its v2 sum by `v2Rips`, the sums computed by ripsums from the image's
// audio. The image's first `dataTracks` tracks are data (a mixed-mode disc), the rest audio.
QByteArray recordOf(const DiscImage& image, const accuraterip::DiscKey& key, int v1Rips, int v2Rips,
                    int dataTracks = 0);

} // namespace accuraterecord
