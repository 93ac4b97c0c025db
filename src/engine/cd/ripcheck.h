#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// Checksums that prove a rip: CRC32 (IEEE polynomial, as zlib computes it) of a track's audio
// data, and the AccurateRip v1 and v2 checksums of the same audio, with the disc's
// AccurateRip identifiers.
namespace ripcheck {

inline constexpr int samplesPerSector = 588; // stereo sample pairs in one CD frame
// AccurateRip leaves out the first five frames of the disc's first track but one pair, and
// the last five frames of its last track: the pairs a drive's read offset may cut off.
inline constexpr std::int64_t skippedPairs = 5 * samplesPerSector;

// Where a track stands on its disc, which decides the pairs AccurateRip leaves out.
struct TrackPlace {
    bool firstOnDisc = false;
    bool lastOnDisc = false;
    std::int64_t pairCount = 0; // the whole track's sample pairs (sectors x 588)
};

struct Checksums {
    std::uint32_t crc32 = 0;
    std::uint32_t accurateRipV1 = 0;
    std::uint32_t accurateRipV2 = 0;
    int peak = 0;              // largest sample magnitude, 0..32768
    std::int64_t pairsFed = 0; // sample pairs taken so far

    // The peak as a share of full scale, in percent with one decimal: "98.2".
    QString peakPercent() const;
};

// Takes a track's 16-bit stereo little-endian audio in pieces of whole sample pairs, in
// order, and keeps the checksums of what it was given.
class TrackChecksum {
  public:
    explicit TrackChecksum(const TrackPlace& place);
    void feed(const unsigned char* audio, std::size_t bytes);
    const Checksums& result() const { return sums_; }

  private:
    std::int64_t firstCounted_ = 1; // 1-based positions of the pairs that count
    std::int64_t lastCounted_ = 0;
    std::uint32_t lowSum_ = 0;
    std::uint32_t highSum_ = 0;
    Checksums sums_;
};

// The disc's AccurateRip identifiers from its track starts (LBAs, first track usually 0)
// and its lead-out: "nnn-aaaaaaaa-bbbbbbbb-ffffffff" with the freedb identity as the last
// part, as AccurateRip names a disc.
struct DiscIds {
    std::uint32_t id1 = 0;
    std::uint32_t id2 = 0;
};
DiscIds accurateRipDiscIds(const std::vector<std::int32_t>& trackStarts, std::int32_t leadOut);
QString accurateRipDiscName(const std::vector<std::int32_t>& trackStarts, std::int32_t leadOut,
                            std::uint32_t freedbId);

} // namespace ripcheck
