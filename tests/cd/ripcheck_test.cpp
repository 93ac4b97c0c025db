// Checksums of ripped audio against their definitions, computed independently.
#include "discimage.h"
#include "fixtures.h"
#include "ripsums.h"

#include "engine/cd/ripcheck.h"
#include "engine/cd/riplog.h"
#include "engine/cd/ripverify.h"
#include "engine/platform/akrip/cddrives.h"

#include <QTemporaryDir>

#include <cstring>

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// A CD-format WAV file's bytes holding `audio`.
QByteArray cdWav(const QByteArray& audio) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(audio.size()) / 2);
    std::memcpy(samples.data(), audio.constData(), samples.size() * 2);
    return fixtures::wavBytes(samples, 44100, 2);
}

// Audio that uses every bit: random samples, `sectors` CD frames of them.
QByteArray noise(int sectors, quint32 seed) {
    QByteArray audio(sectors * 2352, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32*>(audio.data()), audio.size() / 4);
    return audio;
}

// Each place on the disc leaves out its own pairs; feeding in pieces of any size (whole
// pairs) changes nothing; the peak is the largest magnitude.
TEST(RipCheck, TrackChecksumsFollowTheirDefinitions) {
    const QByteArray audio = noise(27, 7);
    for (const auto& [first, last] : {std::pair{false, false}, std::pair{true, false},
                                      std::pair{false, true}, std::pair{true, true}}) {
        SCOPED_TRACE(testing::Message() << "first " << first << " last " << last);
        ripcheck::TrackChecksum sum({first, last, audio.size() / 4});
        const auto* bytes = reinterpret_cast<const unsigned char*>(audio.constData());
        for (qsizetype at = 0, piece = 4; at < audio.size();
             at += piece, piece = piece * 3 % 9992 + 4)
            sum.feed(bytes + at, static_cast<std::size_t>(std::min(piece, audio.size() - at)));
        const ripsums::AccurateRip expected = ripsums::accurateRip(audio, first, last);
        EXPECT_EQ(sum.result().crc32, ripsums::crc32(audio));
        EXPECT_EQ(sum.result().accurateRipV1, expected.v1);
        EXPECT_EQ(sum.result().accurateRipV2, expected.v2);
        EXPECT_EQ(sum.result().pairsFed, audio.size() / 4);
    }

    QByteArray quiet(2352, '\0');
    quiet[3] = static_cast<char>(0x80); // the right sample of pair 1: -32768
    ripcheck::TrackChecksum peak({false, false, 588});
    peak.feed(reinterpret_cast<const unsigned char*>(quiet.constData()), 2352);
    EXPECT_EQ(peak.result().peak, 32768);
    EXPECT_EQ(peak.result().peakPercent(), QStringLiteral("100.0"));
}

// The disc identifiers: the sum of the starts and the lead-out, and the sum of each start
// (at least 1) times its track number with the lead-out times the track count plus one.
TEST(RipCheck, DiscIdentifiersAndTimes) {
    const std::vector<std::int32_t> starts = {0, 150, 177};
    const ripcheck::DiscIds ids = ripcheck::accurateRipDiscIds(starts, 277);
    EXPECT_EQ(ids.id1, 0u + 150 + 177 + 277);
    EXPECT_EQ(ids.id2, 1u * 1 + 150 * 2 + 177 * 3 + 277 * 4);
    EXPECT_EQ(ripcheck::accurateRipDiscName(starts, 277, 0x1A2B3C),
              QStringLiteral("003-0000025c-00000794-001a2b3c"));
    EXPECT_EQ(riplog::sectorTime(27), QStringLiteral("00:00.27"));
    EXPECT_EQ(riplog::sectorTime(75 * 61 + 1), QStringLiteral("01:01.01"));
}

// A WAV of a track matches the disc; the same WAV with one sample changed does not; a WAV
// whose length no track has cannot be compared.
TEST(RipVerify, FindsAOneSampleChange) {
    QTemporaryDir dir;
    cddrives::forgetImages();
    const DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("disc"), {{100, 440}, {27, 1000}, {60, 2000}});
    const auto drive = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(drive.ok());
    const int index = drive.value().driveIndex;

    const QString wav = dir.filePath(QStringLiteral("1234-2.wav"));
    QByteArray bytes = image.trackAudio(2);
    fixtures::writeFile(wav, cdWav(bytes));
    const ripverify::Verdict good = ripverify::verifyWav(wav, readDisc(index));
    EXPECT_TRUE(good.matched) << good.text().toStdString();
    EXPECT_EQ(good.track, 2);
    EXPECT_TRUE(good.text().startsWith(QStringLiteral("Track 2: ") + wav +
                                       QStringLiteral(" matches the disc")));

    bytes[2352 * 13 + 6] = static_cast<char>(bytes[2352 * 13 + 6] ^ 1); // one sample, one bit
    fixtures::writeFile(wav, cdWav(bytes));
    const ripverify::Verdict changed = ripverify::verifyWav(wav, readDisc(index));
    EXPECT_FALSE(changed.matched);
    EXPECT_TRUE(changed.text().contains(QStringLiteral("does not match the disc")));

    fixtures::writeFile(wav, cdWav(QByteArray(2352 * 5, '\0')));
    EXPECT_EQ(ripverify::verifyWav(wav, readDisc(index)).problem,
              QStringLiteral("no track of the disc has its length"));
    cddrives::forgetImages();
}

// A file of the length of several tracks is compared with the one its name ends with; a name
// that ends with a track the disc does not have, or one of another length, is said so.
TEST(RipVerify, ANameThatPicksNoTrackOfTheLengthIsSaidSo) {
    QTemporaryDir dir;
    cddrives::forgetImages();
    const DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("disc"), {{40, 440}, {40, 660}, {30, 880}});
    const auto drive = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(drive.ok());
    const Disc disc = readDisc(drive.value().driveIndex);
    const auto verified = [&](const QString& name) {
        const QString wav = dir.filePath(name);
        fixtures::writeFile(wav, cdWav(image.trackAudio(2)));
        return ripverify::verifyWav(wav, disc);
    };
    const ripverify::Verdict second = verified(QStringLiteral("1234-2.wav"));
    EXPECT_TRUE(second.matched);
    EXPECT_EQ(second.track, 2);
    EXPECT_EQ(verified(QStringLiteral("1234-9.wav")).problem,
              QStringLiteral("the disc has no track 9, the number the file's name ends with (its "
                             "tracks are 1 to 3); tracks 1 and 2 have the file's length"));
    EXPECT_EQ(verified(QStringLiteral("1234-3.wav")).problem,
              QStringLiteral("track 3, the number the file's name ends with, is not of the file's "
                             "length; tracks 1 and 2 are"));
    cddrives::forgetImages();
}

} // namespace
