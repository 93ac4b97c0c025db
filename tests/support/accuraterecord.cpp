#include "accuraterecord.h"

#include "ripsums.h"

#include "engine/cd/riplog.h"
#include "engine/core/settings.h"
#include "engine/platform/akrip/cddrives.h"

#include <gtest/gtest.h>

namespace accuraterecord {

namespace {

void putLittleEndian32(QByteArray& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.append(static_cast<char>(value >> (8 * i)));
}

} // namespace

void askNoDatabase() {
    WriteSetting(SettingKey::AccurateRipServer, QStringLiteral("127.0.0.1:1"));
}

QByteArray chunk(const accuraterip::DiscKey& key, int count,
                 const std::vector<accuraterip::TrackEntry>& entries) {
    QByteArray bytes;
    bytes.append(static_cast<char>(count));
    putLittleEndian32(bytes, key.id1);
    putLittleEndian32(bytes, key.id2);
    putLittleEndian32(bytes, key.freedbId);
    for (const accuraterip::TrackEntry& entry : entries) {
        bytes.append(static_cast<char>(entry.confidence));
        putLittleEndian32(bytes, entry.checksum);
        putLittleEndian32(bytes, entry.offsetChecksum);
    }
    return bytes;
}

accuraterip::DiscKey keyOf(int driveIndex) {
    const auto toc = cddrives::readToc(driveIndex);
    EXPECT_TRUE(toc.ok());
    return toc ? riplog::accurateRipKey(toc.value()) : accuraterip::DiscKey{};
}

QByteArray recordOf(const DiscImage& image, const accuraterip::DiscKey& key, int v1Rips, int v2Rips,
                    int dataTracks) {
    const int count = static_cast<int>(image.trackSectors.size());
    std::vector<accuraterip::TrackEntry> v1;
    std::vector<accuraterip::TrackEntry> v2;
    for (int track = dataTracks + 1; track <= count; ++track) {
        const ripsums::AccurateRip sums =
            ripsums::accurateRip(image.trackAudio(track), track == dataTracks + 1, track == count);
        v1.push_back({v1Rips, sums.v1, 0});
        v2.push_back({v2Rips, sums.v2, 0});
    }
    const int audioTracks = count - dataTracks;
    return chunk(key, audioTracks, v1) + chunk(key, audioTracks, v2);
}

} // namespace accuraterecord
