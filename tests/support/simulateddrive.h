#pragma once
// A drive for the tests and benches of the CD read path: it serves a disc image's sectors
// behind the CD library's drive reads (cddrives::registerSimulatedDrive), with a latency
// model kept on a simulated clock, read errors at chosen sectors, jitter and C2 error flags.
// Nothing the program's user can choose reaches it.

#include "engine/platform/akrip/cdiolib.h"

#include <QString>

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace simdrive {

// How long the drive takes, in simulated seconds.
struct Latency {
    double speed = 8.0;              // times 75 sectors a second
    double spinUpSeconds = 1.5;      // before the first read
    double seekSeconds = 0.08;       // any jump of the head...
    double fullStrokeSeconds = 0.10; // ...and this much more across the whole disc
    double failedReadSeconds = 0.5;  // a read that fails (the drive's own retries)
    // The drive's read cache, in sectors (0: none). After a read from the disc the drive
    // reads on, at its speed, until the cache holds `cacheSectors` sectors from the read's
    // first; a later read wholly inside that stretch gets the cached data - whatever the
    // read that brought it delivered - without touching the disc, once read-ahead has got
    // that far (or seeks to it, when read-ahead is further from it than a seek takes).
    int cacheSectors = 0;
    double cacheReadSeconds = 0.001; // a read answered from the cache: command and transfer
    // Real sleeping for each simulated second (0: none), so that a stop has a read to end.
    double realTimeScale = 0.0;
};

class SimulatedDrive final : public cdiolib::DriveMedium {
  public:
    // Serves the sectors of `binPath` (2,352 bytes each).
    explicit SimulatedDrive(const QString& binPath);
    ~SimulatedDrive() override;

    void setLatency(const Latency& latency);
    // Reads that cover `sector` fail there (delivering the sectors before it) `failures`
    // times, then deliver it; -1: always.
    void addUnreadable(std::int32_t sector, int failures = -1);
    // The first `corruptReads` single-pass reads covering `sector` deliver it garbled, and
    // flag it when the drive reports C2 (the error-correcting reader gets it whole).
    void addC2Error(std::int32_t sector, int corruptReads = 1);
    // The first `reads` single-pass reads that start in [first, end) deliver their data
    // `shiftSamples` stereo pairs late (a drive without accurate stream).
    void addJitter(std::int32_t first, std::int32_t end, int shiftSamples, int reads = 1);
    void setReportsC2(bool reports);
    // The drive states its cache (cacheSectors()) as it is; with false, as none.
    void setStatesCache(bool states);

    long read(std::int32_t first, long count, unsigned char* out, std::uint8_t* c2) override;
    bool reportsC2() const override;
    int cacheSectors() const override;

    double seconds() const;           // the simulated clock
    std::int64_t sectorsRead() const; // sectors delivered or attempted, every read
    std::int64_t reads() const;
    // Drive reads that covered `sector` since the drive was made: all of them, and those
    // that handed its data over (the error-correcting reader also reads without a buffer, far
    // from where it reads, to empty the drive's cache).
    int readsOf(std::int32_t sector) const;
    int dataReadsOf(std::int32_t sector) const;
    // Times `sector` came off the disc (a read or read-ahead), not out of the cache.
    int discReadsOf(std::int32_t sector) const;

    // Where the sectors went: read off the disc (reads and read-ahead alike), handed over
    // from the cache, and of those the ones the same cached copy had handed over before (a
    // re-read the disc never saw).
    struct CacheFigures {
        std::int64_t discSectors = 0;
        std::int64_t cachedSectors = 0;
        std::int64_t cachedRepeats = 0;
        std::int64_t cacheReads = 0; // drive reads the cache answered, wholly or in part
        std::int64_t bufferless = 0; // drive reads without a buffer
    };
    CacheFigures cacheFigures() const;

  private:
    void sectorAt(std::int32_t sector, unsigned char* out) const;
    void advance(double seconds);
    double rate() const { return 75.0 * latency_.speed; }
    // Where the head is now: read-ahead moves it on from where the last disc read ended.
    std::int32_t headNow() const;
    // How far read-ahead has read by now (fillFrom_ when it reads nothing).
    std::int32_t readAheadReached() const;
    // The cache's stretch ends; what read-ahead had not read by now was never read.
    void dropCache();
    // The cache starts over with the sectors [first, first + delivered) of a disc read, as
    // delivered (`data`, `c2`; null: the disc's own), and reads ahead after them.
    void refill(std::int32_t first, long delivered, const unsigned char* data,
                const std::uint8_t* c2, bool readOn);
    // One read off the disc, as the drive without a cache does it; `seam`: it starts afresh
    // (a read streaming on from read-ahead does not).
    long readDisc(std::int32_t first, long count, unsigned char* out, std::uint8_t* c2, bool seam);
    long readCached(std::int32_t first, long count, unsigned char* out, std::uint8_t* c2);

    int fd_ = -1;
    std::int32_t sectorCount_ = 0;
    mutable std::mutex mutex_;
    Latency latency_;
    bool reportsC2_ = true;
    bool statesCache_ = true;
    bool spun_ = false;
    std::int32_t head_ = 0;
    double seconds_ = 0;
    std::int64_t sectorsRead_ = 0;
    std::int64_t reads_ = 0;
    std::map<std::int32_t, int> unreadable_; // sector: failures left (-1: always)
    std::map<std::int32_t, int> c2_;         // sector: garbled reads left
    struct Jitter {
        std::int32_t first = 0;
        std::int32_t end = 0;
        int shift = 0;
        int reads = 0;
    };
    std::vector<Jitter> jitter_;
    std::map<std::int32_t, int> readsOf_;
    std::map<std::int32_t, int> dataReadsOf_;
    std::map<std::int32_t, int> discReadsOf_;
    // The cache: sectors [cacheFirst_, cacheEnd_), held in cacheData_ and cacheC2_; those from
    // fillFrom_ on are read ahead, sector s being in by fillStart_ + (s + 1 - fillFrom_) / rate.
    std::int32_t cacheFirst_ = 0;
    std::int32_t cacheEnd_ = 0;
    std::int32_t fillFrom_ = 0;
    double fillStart_ = 0;
    std::vector<unsigned char> cacheData_;
    std::vector<std::uint8_t> cacheC2_;
    std::vector<std::uint8_t> handed_; // per cached sector: handed over since it came in
    CacheFigures figures_;
};

} // namespace simdrive
