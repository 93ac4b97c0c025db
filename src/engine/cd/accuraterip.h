#pragma once

#include "engine/platform/error.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// What the AccurateRip database knows of a disc, and how a rip's checksums compare with it.
// Pure: safe on any thread.
namespace accuraterip {

// How the database names a disc: its audio track count, its two AccurateRip identifiers and
// its freedb identity.
struct DiscKey {
    int audioTrackCount = 0;
    std::uint32_t id1 = 0;
    std::uint32_t id2 = 0;
    std::uint32_t freedbId = 0;
};

// The path of the disc's record on the server:
// "/accuraterip/a/b/c/dBAR-nnn-iiiiiiii-jjjjjjjj-ffffffff.bin", where a, b and c are the last,
// second-last and third-last hexadecimal digits of id1.
QString recordPath(const DiscKey& key);

// One submission group's figures for one track: how many rips agreed (the confidence), their
// checksum (AccurateRip v1 or v2) and the checksum used to find a drive's offset.
struct TrackEntry {
    int confidence = 0;
    std::uint32_t checksum = 0;
    std::uint32_t offsetChecksum = 0;
};

// The record: one or more chunks, each holding an entry per position of the disc's track
// list (the data track of a disc that starts with one takes the first position).
struct Record {
    std::vector<std::vector<TrackEntry>> chunks;
};

// Reads the server's answer: chunks of a count byte, id1, id2 and the freedb identity
// (32-bit little-endian each), then per track a confidence byte and two 32-bit little-endian
// checksums. Fails on an empty answer, a cut one, and a chunk whose count or identifiers are
// not the disc's.
Result<Record> parseRecord(const QByteArray& bytes, const DiscKey& key);

// A track's standing in the database.
struct TrackMatch {
    enum Kind { Accurate, NotPresent, Mismatch };
    Kind kind = NotPresent;
    int confidence = 0;  // Accurate: the rips that agree (v2's when both kinds agree)
    int version = 0;     // Accurate: 1 or 2
    int submissions = 0; // Mismatch: the rips the database holds for the track

    // "Accurately ripped (confidence 12) [v2]", "Not present in the database",
    // "Does not match (7 submissions)".
    QString text() const;
};

// Compares the checksums of the track at `position` of the disc's track list (0-based) with
// the record. A position the record holds no rips for is not present.
TrackMatch compare(const Record& record, int position, std::uint32_t v1, std::uint32_t v2);

// "Accurately ripped: 9 of 10 tracks".
QString summaryText(int accurate, int tracks);

} // namespace accuraterip
