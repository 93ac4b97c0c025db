// A drive's read offset: found against a record of the disc's sums, and corrected by verify.
// The "drive" is a disc image whose audio the test shifts as a drive with that offset reads.
#include "discimage.h"
#include "fixtures.h"
#include "ripsums.h"

#include "engine/cd/offsetfind.h"
#include "engine/cd/ripverify.h"
#include "engine/platform/akrip/cddrives.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

namespace {

// What the database holds for `image`'s audio tracks (after its first `dataTracks` tracks, which
// are data) as a perfect drive reads them: a v1 chunk (confidence 3) and a v2 chunk
// (confidence 5).
accuraterip::Record recordOf(const DiscImage& image, int dataTracks = 0) {
    accuraterip::Record record;
    record.chunks.resize(2);
    const int count = static_cast<int>(image.trackStartLba.size());
    for (int track = dataTracks + 1; track <= count; ++track) {
        const ripsums::AccurateRip sums =
            ripsums::accurateRip(image.trackAudio(track), track == dataTracks + 1, track == count);
        record.chunks[0].push_back({3, sums.v1, 0});
        record.chunks[1].push_back({5, sums.v2, 0});
    }
    return record;
}

QByteArray cdWav(const QByteArray& audio) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(audio.size()) / 2);
    std::memcpy(samples.data(), audio.constData(), samples.size() * 2);
    return fixtures::wavBytes(samples, 44100, 2);
}

// Drives reading 6 samples late and 30 early: the search over two middle tracks finds the
// offset, both tracks matching with the record's best confidence each; a search too narrow
// finds nothing; verify with the offset matches the unshifted track, without it does not.
TEST(OffsetFind, FindsTheOffsetOfADriveAndVerifyCorrectsIt) {
    for (const int offset : {6, -30}) {
        SCOPED_TRACE(offset);
        QTemporaryDir dir;
        cddrives::forgetImages();
        DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"),
                                         {{30, 440}, {40, 440}, {35, 440}, {30, 440}});
        fillWithNoise(image, 27);
        const accuraterip::Record record = recordOf(image);
        replaceData(image, readWithOffset(image.audio, offset));
        const auto drive = cddrives::registerImage(image.cuePath);
        ASSERT_TRUE(drive.ok());
        const int index = drive.value().driveIndex;

        const auto search = offsetfind::findDriveOffset(readDisc(index), record);
        ASSERT_TRUE(search.ok()) << search.error().description().toStdString();
        EXPECT_EQ(search->tracksRead, (std::vector<int>{2, 3}));
        ASSERT_FALSE(search->offsets.empty());
        EXPECT_EQ(search->offsets.front(), (offsetfind::FoundOffset{offset, 10, {2, 3}}));
        EXPECT_EQ(search->offsets.size(), 1u);

        const auto narrow = offsetfind::findDriveOffset(readDisc(index), record, 5);
        ASSERT_TRUE(narrow.ok());
        EXPECT_TRUE(narrow->offsets.empty());

        const QString wav = dir.filePath(QStringLiteral("1234-2.wav"));
        fixtures::writeFile(wav, cdWav(image.trackAudio(2)));
        readoffset::Offset correction;
        correction.samples = offset;
        EXPECT_TRUE(ripverify::verifyWav(wav, readDisc(index), correction).matched);
        EXPECT_FALSE(ripverify::verifyWav(wav, readDisc(index)).matched);
        cddrives::forgetImages();
    }
}

// A mixed-mode disc (a data track, then audio 2 to 5) read 6 samples late: the record's entries
// are its audio tracks', so the middle audio tracks are compared and match at the offset, and
// verify of the first audio track with the offset matches the record's sums.
TEST(OffsetFind, AMixedModeDiscIsSearchedByItsAudioTracks) {
    QTemporaryDir dir;
    cddrives::forgetImages();
    DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("mixed"),
                       {{60, 0, {}, {}, true}, {30, 440}, {40, 440}, {35, 440}, {30, 440}});
    fillWithNoise(image, 31);
    const accuraterip::Record record = recordOf(image, 1);
    replaceData(image, readWithOffset(image.audio, 6));
    const auto drive = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(drive.ok());
    const int index = drive.value().driveIndex;

    const auto search = offsetfind::findDriveOffset(readDisc(index), record);
    ASSERT_TRUE(search.ok()) << search.error().description().toStdString();
    EXPECT_EQ(search->tracksRead, (std::vector<int>{3, 4}));
    ASSERT_EQ(search->offsets.size(), 1u);
    EXPECT_EQ(search->offsets.front(), (offsetfind::FoundOffset{6, 10, {3, 4}}));

    const QString wav = dir.filePath(QStringLiteral("1234-2.wav"));
    fixtures::writeFile(wav, cdWav(image.trackAudio(2)));
    readoffset::Offset correction;
    correction.samples = 6;
    const ripverify::Verdict verdict = ripverify::verifyWav(wav, readDisc(index), correction);
    EXPECT_EQ(verdict.track, 2);
    EXPECT_EQ(verdict.disc.accurateRipV2, record.chunks[1][0].checksum);
    cddrives::forgetImages();
}

// A track read with a margin holds what lies beyond the disc's edges as zeros: before the
// first track's start and after the last one's end.
TEST(OffsetFind, AMarginBeyondTheDiscIsZeros) {
    QTemporaryDir dir;
    cddrives::forgetImages();
    DiscImage image = writeDiscImage(dir.path(), QStringLiteral("one"), {{20, 440}});
    fillWithNoise(image, 5);
    const auto drive = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(drive.ok());
    const auto read = offsetfind::readWithMargin(readDisc(drive.value().driveIndex), 1, 700);
    ASSERT_TRUE(read.ok()) << read.error().description().toStdString();
    ASSERT_EQ(read->pairs.size(), 20u * 588 + 1400);
    EXPECT_TRUE(std::all_of(read->pairs.begin(), read->pairs.begin() + 700,
                            [](std::uint32_t p) { return p == 0; }));
    EXPECT_TRUE(std::all_of(read->pairs.end() - 700, read->pairs.end(),
                            [](std::uint32_t p) { return p == 0; }));
    EXPECT_EQ(std::memcmp(read->pairs.data() + 700, image.audio.constData(), 20 * 2352), 0);
    EXPECT_FALSE(offsetfind::readWithMargin(readDisc(drive.value().driveIndex), 2, 700).ok());
    cddrives::forgetImages();
}

} // namespace
