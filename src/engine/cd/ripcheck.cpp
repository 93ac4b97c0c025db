#include "engine/cd/ripcheck.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ripcheck {

QString Checksums::peakPercent() const {
    return QString::number(static_cast<double>(peak) * 100.0 / 32768.0, 'f', 1);
}

TrackChecksum::TrackChecksum(const TrackPlace& place) {
    sums_.crc32 = static_cast<std::uint32_t>(::crc32(0L, Z_NULL, 0));
    if (place.firstOnDisc)
        firstCounted_ = skippedPairs;
    lastCounted_ = place.lastOnDisc ? place.pairCount - skippedPairs : place.pairCount;
}

void TrackChecksum::feed(const unsigned char* audio, std::size_t bytes) {
    bytes -= bytes % 4;
    // zlib takes at most 4 GB a call; a track is far smaller, but be exact anyway.
    for (std::size_t done = 0; done < bytes;) {
        const auto piece = static_cast<uInt>(std::min<std::size_t>(bytes - done, 1u << 30));
        sums_.crc32 = static_cast<std::uint32_t>(::crc32(sums_.crc32, audio + done, piece));
        done += piece;
    }
    std::int64_t position = sums_.pairsFed; // of the pair before the next one
    int peak = sums_.peak;
    for (std::size_t at = 0; at < bytes; at += 4) {
        ++position;
        std::uint32_t pair = 0;
        std::memcpy(&pair, audio + at, 4); // left in the low half, right in the high
        const auto left = static_cast<std::int16_t>(pair & 0xFFFF);
        const auto right = static_cast<std::int16_t>(pair >> 16);
        peak = std::max({peak, std::abs(int{left}), std::abs(int{right})});
        if (position >= firstCounted_ && position <= lastCounted_) {
            const std::uint64_t product =
                static_cast<std::uint64_t>(pair) * static_cast<std::uint64_t>(position);
            lowSum_ += static_cast<std::uint32_t>(product);
            highSum_ += static_cast<std::uint32_t>(product >> 32);
        }
    }
    sums_.peak = peak;
    sums_.pairsFed = position;
    sums_.accurateRipV1 = lowSum_;
    sums_.accurateRipV2 = lowSum_ + highSum_;
}

DiscIds accurateRipDiscIds(const std::vector<std::int32_t>& trackStarts, std::int32_t leadOut) {
    DiscIds ids;
    std::uint32_t number = 1;
    for (const std::int32_t start : trackStarts) {
        const auto lba = static_cast<std::uint32_t>(start);
        ids.id1 += lba;
        ids.id2 += std::max<std::uint32_t>(lba, 1) * number++;
    }
    ids.id1 += static_cast<std::uint32_t>(leadOut);
    ids.id2 += static_cast<std::uint32_t>(leadOut) * number;
    return ids;
}

QString accurateRipDiscName(const std::vector<std::int32_t>& trackStarts, std::int32_t leadOut,
                            std::uint32_t freedbId) {
    const DiscIds ids = accurateRipDiscIds(trackStarts, leadOut);
    return QStringLiteral("%1-%2-%3-%4")
        .arg(trackStarts.size(), 3, 10, QLatin1Char('0'))
        .arg(ids.id1, 8, 16, QLatin1Char('0'))
        .arg(ids.id2, 8, 16, QLatin1Char('0'))
        .arg(freedbId, 8, 16, QLatin1Char('0'));
}

} // namespace ripcheck
