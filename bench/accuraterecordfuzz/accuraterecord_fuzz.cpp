// Feeds arbitrary bytes to the AccurateRip answer reader, as the answer for the disc its first
// chunk's header names (so the fuzzer gets past the identity checks). What it accepts must be
// whole chunks of that disc's track count, and every track of it must compare without fault.
#include "engine/cd/accuraterip.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

std::uint32_t littleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    accuraterip::DiscKey key{3, 1, 2, 3};
    if (size >= 13)
        key = {data[0], littleEndian32(data + 1), littleEndian32(data + 5),
               littleEndian32(data + 9)};
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto record = accuraterip::parseRecord(bytes, key);
    if (!record) {
        if (record.error().description().isEmpty())
            std::abort();
        return 0;
    }
    const auto count = static_cast<std::size_t>(key.audioTrackCount);
    if (record->chunks.empty() || record->chunks.size() * (13 + 9 * count) != size)
        std::abort();
    for (const auto& chunk : record->chunks)
        if (chunk.size() != count)
            std::abort();
    for (int position = -1; position <= key.audioTrackCount; ++position) {
        const accuraterip::TrackMatch match =
            accuraterip::compare(record.value(), position, littleEndian32(data + 1), 0);
        if (match.text().isEmpty() || match.confidence < 0 || match.submissions < 0)
            std::abort();
    }
    return 0;
}
