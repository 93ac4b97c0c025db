#pragma once
// Checksums of CD audio computed straight from their published definitions, bit by bit and
// pair by pair, to check the program's own against.
#include <QByteArray>

#include <cstdint>

namespace ripsums {

// CRC-32 with the IEEE 802.3 polynomial (reflected 0xEDB88320), initial and final value
// 0xFFFFFFFF.
std::uint32_t crc32(const QByteArray& bytes);

struct AccurateRip {
    std::uint32_t v1 = 0;
    std::uint32_t v2 = 0;
};
// AccurateRip v1 and v2 of a whole track's 16-bit stereo audio: each pair as a 32-bit word
// (left low) times its 1-based position; pairs before position 2,940 of the disc's first
// track and after the last 2,940 of its last track are left out. v1 sums the low 32 bits of
// the products, v2 adds the high 32 bits too.
AccurateRip accurateRip(const QByteArray& audio, bool firstOnDisc, bool lastOnDisc);

} // namespace ripsums
