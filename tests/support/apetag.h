#pragma once
// An APEv2 tag as taggers write it at the end of an MP3 file: a 32-byte header, the items,
// and a 32-byte footer, both starting "APETAGEX" (version 2000, little-endian fields).
#include <QByteArray>

#include <cstdint>
#include <utility>
#include <vector>

namespace fixtures {

inline QByteArray apeTag(const std::vector<std::pair<QByteArray, QByteArray>>& items) {
    auto le32 = [](std::uint32_t value) {
        QByteArray out;
        for (int i = 0; i < 4; ++i)
            out.append(static_cast<char>(value >> (8 * i)));
        return out;
    };
    QByteArray body;
    for (const auto& [key, value] : items)
        body += le32(static_cast<std::uint32_t>(value.size())) + le32(0) + key + '\0' + value;
    auto frame = [&](bool header) {
        constexpr std::uint32_t hasHeader = 0x80000000u, isHeader = 0x20000000u;
        return QByteArray("APETAGEX") + le32(2000) +
               le32(static_cast<std::uint32_t>(body.size() + 32)) +
               le32(static_cast<std::uint32_t>(items.size())) +
               le32(hasHeader | (header ? isHeader : 0)) + QByteArray(8, '\0');
    };
    return frame(true) + body + frame(false);
}

} // namespace fixtures
