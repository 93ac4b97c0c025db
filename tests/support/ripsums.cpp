#include "ripsums.h"

#include <cstring>

namespace ripsums {

std::uint32_t crc32(const QByteArray& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

AccurateRip accurateRip(const QByteArray& audio, bool firstOnDisc, bool lastOnDisc) {
    const std::uint64_t pairs = static_cast<std::uint64_t>(audio.size()) / 4;
    const std::uint64_t from = firstOnDisc ? 5 * 588 : 1;
    const std::uint64_t to = lastOnDisc ? pairs - 5 * 588 : pairs;
    AccurateRip sums;
    std::uint32_t high = 0;
    for (std::uint64_t position = 1; position <= pairs; ++position) {
        if (position < from || position > to)
            continue;
        std::uint32_t word = 0;
        std::memcpy(&word, audio.constData() + (position - 1) * 4, 4);
        const std::uint64_t product = static_cast<std::uint64_t>(word) * position;
        sums.v1 += static_cast<std::uint32_t>(product);
        high += static_cast<std::uint32_t>(product >> 32);
    }
    sums.v2 = sums.v1 + high;
    return sums;
}

} // namespace ripsums
