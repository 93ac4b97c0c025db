#include "simulateddrive.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace simdrive {

namespace {

constexpr long sectorBytes = cdiolib::sectorBytes;

} // namespace

SimulatedDrive::SimulatedDrive(const QString& binPath)
    : fd_(::open(QFile::encodeName(binPath).constData(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_ >= 0 && ::fstat(fd_, &info) == 0)
        sectorCount_ = static_cast<std::int32_t>(info.st_size / sectorBytes);
}

SimulatedDrive::~SimulatedDrive() {
    if (fd_ >= 0)
        ::close(fd_);
}

void SimulatedDrive::setLatency(const Latency& latency) {
    std::lock_guard lock(mutex_);
    latency_ = latency;
}

void SimulatedDrive::addUnreadable(std::int32_t sector, int failures) {
    std::lock_guard lock(mutex_);
    unreadable_[sector] = failures;
}

void SimulatedDrive::addC2Error(std::int32_t sector, int corruptReads) {
    std::lock_guard lock(mutex_);
    c2_[sector] = corruptReads;
}

void SimulatedDrive::addJitter(std::int32_t first, std::int32_t end, int shiftSamples, int reads) {
    std::lock_guard lock(mutex_);
    jitter_.push_back(Jitter{first, end, shiftSamples, reads});
}

void SimulatedDrive::setReportsC2(bool reports) {
    std::lock_guard lock(mutex_);
    reportsC2_ = reports;
}

void SimulatedDrive::setStatesCache(bool states) {
    std::lock_guard lock(mutex_);
    statesCache_ = states;
}

int SimulatedDrive::cacheSectors() const {
    std::lock_guard lock(mutex_);
    return statesCache_ ? latency_.cacheSectors : 0;
}

bool SimulatedDrive::reportsC2() const {
    std::lock_guard lock(mutex_);
    return reportsC2_;
}

double SimulatedDrive::seconds() const {
    std::lock_guard lock(mutex_);
    return seconds_;
}

std::int64_t SimulatedDrive::sectorsRead() const {
    std::lock_guard lock(mutex_);
    return sectorsRead_;
}

std::int64_t SimulatedDrive::reads() const {
    std::lock_guard lock(mutex_);
    return reads_;
}

int SimulatedDrive::readsOf(std::int32_t sector) const {
    std::lock_guard lock(mutex_);
    const auto found = readsOf_.find(sector);
    return found == readsOf_.end() ? 0 : found->second;
}

int SimulatedDrive::dataReadsOf(std::int32_t sector) const {
    std::lock_guard lock(mutex_);
    const auto found = dataReadsOf_.find(sector);
    return found == dataReadsOf_.end() ? 0 : found->second;
}

int SimulatedDrive::discReadsOf(std::int32_t sector) const {
    std::lock_guard lock(mutex_);
    int reads = 0;
    if (const auto found = discReadsOf_.find(sector); found != discReadsOf_.end())
        reads = found->second;
    // Read-ahead under way has read it by now.
    if (sector >= fillFrom_ && sector < readAheadReached())
        ++reads;
    return reads;
}

SimulatedDrive::CacheFigures SimulatedDrive::cacheFigures() const {
    std::lock_guard lock(mutex_);
    CacheFigures figures = figures_;
    figures.discSectors += readAheadReached() - fillFrom_;
    return figures;
}

void SimulatedDrive::sectorAt(std::int32_t sector, unsigned char* out) const {
    if (sector < 0 || sector >= sectorCount_ ||
        ::pread(fd_, out, sectorBytes, static_cast<off_t>(sector) * sectorBytes) != sectorBytes)
        std::memset(out, 0, sectorBytes);
}

void SimulatedDrive::advance(double seconds) {
    seconds_ += seconds;
    if (latency_.realTimeScale > 0)
        std::this_thread::sleep_for(
            std::chrono::duration<double>(seconds * latency_.realTimeScale));
}

std::int32_t SimulatedDrive::readAheadReached() const {
    if (latency_.cacheSectors <= 0 || cacheEnd_ <= fillFrom_)
        return fillFrom_;
    const double done = std::max(0.0, (seconds_ - fillStart_) * rate());
    return fillFrom_ + static_cast<std::int32_t>(
                           std::min<double>(std::floor(done + 1e-9), cacheEnd_ - fillFrom_));
}

std::int32_t SimulatedDrive::headNow() const {
    return readAheadReached() > fillFrom_ ? readAheadReached() : head_;
}

void SimulatedDrive::dropCache() {
    // Read-ahead got as far as the head: those sectors came off the disc.
    const std::int32_t reached = readAheadReached();
    for (std::int32_t sector = fillFrom_; sector < reached && sector < cacheEnd_; ++sector) {
        ++discReadsOf_[sector];
        ++figures_.discSectors;
    }
    if (reached > fillFrom_)
        head_ = reached;
    cacheFirst_ = cacheEnd_ = fillFrom_ = 0;
}

void SimulatedDrive::refill(std::int32_t first, long delivered, const unsigned char* data,
                            const std::uint8_t* c2, bool readOn) {
    const long size = latency_.cacheSectors;
    const long kept = std::min(delivered, size);
    const long skipped = delivered - kept; // a read longer than the cache keeps its end
    cacheFirst_ = first + static_cast<std::int32_t>(skipped);
    fillFrom_ = first + static_cast<std::int32_t>(delivered);
    cacheData_.assign(static_cast<std::size_t>(kept * sectorBytes), 0);
    cacheC2_.assign(static_cast<std::size_t>(kept), 0);
    for (long k = 0; k < kept; ++k) {
        unsigned char* to = cacheData_.data() + k * sectorBytes;
        if (data)
            std::memcpy(to, data + (skipped + k) * sectorBytes, sectorBytes);
        else
            sectorAt(cacheFirst_ + static_cast<std::int32_t>(k), to);
        if (c2)
            cacheC2_[static_cast<std::size_t>(k)] = c2[skipped + k];
    }
    // Read-ahead: up to the cache's size, the disc's end, or a sector the drive cannot read
    // at present (it stops there; only a read asking for it tries it).
    std::int32_t end = fillFrom_;
    if (readOn && skipped == 0) {
        const std::int32_t limit =
            std::min<std::int32_t>(first + static_cast<std::int32_t>(size), sectorCount_);
        end = std::max(end, limit);
        const auto bad = unreadable_.lower_bound(fillFrom_);
        for (auto it = bad; it != unreadable_.end() && it->first < end; ++it)
            if (it->second != 0) {
                end = it->first;
                break;
            }
    }
    cacheEnd_ = std::max(end, fillFrom_);
    fillStart_ = seconds_;
    // What the read itself handed over is handed over again when the cache answers for it.
    handed_.assign(static_cast<std::size_t>(cacheEnd_ - cacheFirst_), 0);
    if (data)
        std::fill_n(handed_.begin(), kept, std::uint8_t{1});
}

long SimulatedDrive::readCached(std::int32_t first, long count, unsigned char* out,
                                std::uint8_t* c2) {
    // Wait for read-ahead to bring in the last sector asked for.
    const std::int32_t last = first + static_cast<std::int32_t>(count);
    if (last > fillFrom_) {
        const double ready = fillStart_ + static_cast<double>(last - fillFrom_) / rate();
        if (ready > seconds_)
            advance(ready - seconds_);
    }
    advance(latency_.cacheReadSeconds);
    ++figures_.cacheReads;
    figures_.cachedSectors += count;
    sectorsRead_ += count;
    for (long k = 0; k < count; ++k) {
        const std::int32_t sector = first + static_cast<std::int32_t>(k);
        ++readsOf_[sector];
        const bool readAhead = sector >= fillFrom_;
        const auto held = static_cast<std::size_t>(sector - cacheFirst_);
        if (out) {
            ++dataReadsOf_[sector];
            if (std::exchange(handed_[held], std::uint8_t{1}) != 0)
                ++figures_.cachedRepeats;
            unsigned char* to = out + k * sectorBytes;
            if (readAhead)
                sectorAt(sector, to);
            else
                std::memcpy(to, cacheData_.data() + held * sectorBytes, sectorBytes);
        }
        if (c2)
            c2[k] = !readAhead && reportsC2_ ? cacheC2_[held] : 0;
    }
    return count;
}

long SimulatedDrive::read(std::int32_t first, long count, unsigned char* out, std::uint8_t* c2) {
    std::lock_guard lock(mutex_);
    ++reads_;
    if (!out)
        ++figures_.bufferless;
    if (!spun_) {
        spun_ = true;
        advance(latency_.spinUpSeconds);
    }
    long fromCache = 0;
    // A read inside the cache's stretch waits for read-ahead to get there, unless seeking is
    // quicker: a drive whose read-ahead is far short of the sector goes and reads it.
    const bool inStretch =
        latency_.cacheSectors > 0 && count > 0 && first >= cacheFirst_ && first < cacheEnd_ &&
        (first <= readAheadReached() ||
         static_cast<double>(first - readAheadReached()) / rate() <= latency_.seekSeconds);
    if (inStretch) {
        fromCache = std::min<long>(count, cacheEnd_ - first);
        readCached(first, fromCache, out, c2);
        if (fromCache == count)
            return count;
        // The rest comes off the disc where read-ahead stopped: no seek, no seam.
        const std::int32_t resume = cacheEnd_;
        dropCache();
        head_ = resume;
    } else if (latency_.cacheSectors > 0) {
        dropCache();
    }
    const std::int32_t from = first + static_cast<std::int32_t>(fromCache);
    const long rest = count - fromCache;
    unsigned char* restOut = out ? out + fromCache * sectorBytes : nullptr;
    std::uint8_t* restC2 = c2 ? c2 + fromCache : nullptr;
    const long got = readDisc(from, rest, restOut, restC2, fromCache == 0);
    if (latency_.cacheSectors > 0)
        refill(from, got, restOut, restC2, got == rest);
    return fromCache + got;
}

long SimulatedDrive::readDisc(std::int32_t first, long count, unsigned char* out, std::uint8_t* c2,
                              bool seam) {
    if (first != head_)
        advance(latency_.seekSeconds + latency_.fullStrokeSeconds * std::abs(first - head_) /
                                           std::max<double>(sectorCount_, 1));
    // What the drive delivers: up to the first sector it cannot read, or the disc's end.
    long delivered = std::clamp<long>(sectorCount_ - first, 0, count);
    for (long k = 0; k < delivered; ++k) {
        const std::int32_t sector = first + static_cast<std::int32_t>(k);
        ++readsOf_[sector];
        const auto bad = unreadable_.find(sector);
        if (bad != unreadable_.end() && bad->second != 0) {
            if (bad->second > 0)
                --bad->second;
            delivered = k;
            break;
        }
        ++discReadsOf_[sector];
    }
    sectorsRead_ += delivered;
    figures_.discSectors += delivered;
    advance(static_cast<double>(delivered) / rate());
    if (delivered < count)
        advance(latency_.failedReadSeconds);
    head_ = first + static_cast<std::int32_t>(delivered);

    // The data: the sectors, shifted when this read jitters (a read that starts afresh; one
    // that streams on from read-ahead has no seam to slip at).
    int shift = 0;
    if (c2 && seam) // a single pass: jitter strikes it, and nothing re-aligns it
        for (Jitter& jitter : jitter_)
            if (jitter.reads != 0 && first >= jitter.first && first < jitter.end) {
                shift = jitter.shift;
                if (jitter.reads > 0)
                    --jitter.reads;
                break;
            }
    const long bytes = delivered * sectorBytes;
    // The error-correcting reader reads without a buffer to empty the drive's cache.
    if (!out)
        return delivered;
    for (long k = 0; k < delivered; ++k)
        ++dataReadsOf_[first + static_cast<std::int32_t>(k)];
    if (bytes > 0) {
        const long pairs = bytes / 4;
        std::vector<unsigned char> span(static_cast<std::size_t>(bytes + 2 * sectorBytes), 0);
        // Sectors first - 1 .. first + delivered, so a shift of up to a sector has its data.
        for (long k = -1; k <= delivered; ++k)
            sectorAt(first + static_cast<std::int32_t>(k),
                     span.data() + static_cast<std::size_t>((k + 1) * sectorBytes));
        const long from = sectorBytes - static_cast<long>(std::clamp(shift, -588, 588)) * 4;
        std::memcpy(out, span.data() + from, static_cast<std::size_t>(pairs * 4));
    }
    for (long k = 0; k < delivered; ++k) {
        const std::int32_t sector = first + static_cast<std::int32_t>(k);
        const auto flagged = c2_.find(sector);
        const bool garbled = c2 && flagged != c2_.end() && flagged->second != 0;
        if (garbled) {
            if (flagged->second > 0)
                --flagged->second;
            unsigned char* data = out + k * sectorBytes;
            for (long b = 0; b < sectorBytes; b += 7)
                data[b] ^= 0x5A;
        }
        if (c2)
            c2[k] = garbled && reportsC2_ ? 1 : 0;
    }
    return delivered;
}

} // namespace simdrive
