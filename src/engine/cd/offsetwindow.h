#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// A run of the disc's sample pairs that need not start or end on a sector: a track corrected
// by a read offset, or a track with a margin either side. It names the whole sectors to read
// and picks its pairs out of them as they come, in order.
//
// Pure: safe on any thread (one object per reader).
class OffsetWindow {
  public:
    static constexpr std::int64_t pairsPerSector = 588;
    static constexpr std::size_t sectorBytes = 2352;

    // The pairs [firstPair, firstPair + pairCount) of the disc, counted from sector 0's
    // first pair; firstPair may be negative (before the disc's start).
    OffsetWindow(std::int64_t firstPair, std::int64_t pairCount);
    // The window of sectors [startLba, endLba) as a drive with read offset `offsetSamples`
    // corrects them: the pairs `offsetSamples` further on.
    static OffsetWindow ofTrack(std::int32_t startLba, std::int32_t endLba, int offsetSamples);

    // The sectors that hold the window: from firstLba() (may be negative), sectorCount() of
    // them; none for an empty window.
    std::int32_t firstLba() const { return firstLba_; }
    std::int32_t sectorCount() const { return sectorCount_; }

    // Takes the next `count` sectors from `sectors` (count x 2,352 bytes, in order from
    // firstLba(); zeros for those the drive cannot reach) and appends the window's bytes among
    // them to `out`.
    void feed(const unsigned char* sectors, std::int32_t count, std::vector<unsigned char>& out);

    // How many of the `count` sectors from `lba` lie on the same side of the disc's edges
    // (sector 0 and `leadOutLba`) as `lba`, so that one read (or one zero fill) serves them.
    static std::int32_t sameSide(std::int32_t lba, std::int32_t count, std::int32_t leadOutLba);
    static bool onDisc(std::int32_t lba, std::int32_t leadOutLba) {
        return lba >= 0 && lba < leadOutLba;
    }

  private:
    std::int64_t firstPair_;
    std::int64_t endPair_;
    std::int32_t firstLba_ = 0;
    std::int32_t sectorCount_ = 0;
    std::int64_t nextPair_; // the first pair of the next sector fed
};

// Reads sectors: `count` from `lba` into `out` (count x 2,352 bytes); returns how many were
// stored before the first that could not be read (cddrives::DiscAudioReader::read).
using SectorRead =
    std::function<std::uint32_t(std::int32_t lba, std::uint32_t count, unsigned char* out)>;

struct WindowRead {
    enum class End { Complete, Cancelled, Failed };
    End end = End::Complete;
    std::int32_t failedLba = -1; // Failed: the sector that could not be read
};

// Reads the whole window through `read`, at most 64 sectors at a time, handing its bytes to
// `take` in order, piece by piece. Sectors before 0 and from `leadOutLba` on are zeros,
// unless `overreads`: then those past the lead-out are asked for, zeros where the drive
// refuses. `cancelled` (may be empty) is asked between reads.
WindowRead readWindow(OffsetWindow& window, const SectorRead& read, std::int32_t leadOutLba,
                      bool overreads,
                      const std::function<void(const std::vector<unsigned char>&)>& take,
                      const std::function<bool()>& cancelled = {});
