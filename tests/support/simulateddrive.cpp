#include "simulateddrive.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
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

long SimulatedDrive::read(std::int32_t first, long count, unsigned char* out, std::uint8_t* c2) {
    std::lock_guard lock(mutex_);
    ++reads_;
    if (!spun_) {
        spun_ = true;
        advance(latency_.spinUpSeconds);
    }
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
    }
    sectorsRead_ += delivered;
    advance(static_cast<double>(delivered) / (75.0 * latency_.speed));
    if (delivered < count)
        advance(latency_.failedReadSeconds);
    head_ = first + static_cast<std::int32_t>(delivered);

    // The data: the sectors, shifted when this read jitters.
    int shift = 0;
    if (c2) // a single pass: jitter strikes it, and nothing re-aligns it
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
