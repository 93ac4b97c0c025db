// The AccurateRip database's records, and finding a drive's offset against them.
#include "accuraterecord.h"
#include "ripsums.h"

#include "engine/cd/accuraterip.h"
#include "engine/cd/cuewriter.h"
#include "engine/cd/offsetsearch.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <cstring>

namespace {

using accuraterecord::chunk;

const accuraterip::DiscKey threeTracks{3, 0x0001b0ac, 0x0004e2b1, 0x1f02a803};

} // namespace

// The path names the disc as the database does; answers are read chunk by chunk, and a
// damaged or foreign one is an error, never a crash.
TEST(AccurateRip, RecordPathAndAnswers) {
    EXPECT_EQ(accuraterip::recordPath(threeTracks),
              QStringLiteral("/accuraterip/c/a/0/dBAR-003-0001b0ac-0004e2b1-1f02a803.bin"));
    // The Enhanced CD with ten audio tracks that the database knows under these identifiers.
    EXPECT_EQ(accuraterip::recordPath({10, 0x00164419, 0x00b9f6e2, 0x9e11600b}),
              QStringLiteral("/accuraterip/9/1/4/dBAR-010-00164419-00b9f6e2-9e11600b.bin"));

    const QByteArray v1Chunk =
        chunk(threeTracks, 3, {{5, 0x11, 0xa}, {5, 0x22, 0xb}, {4, 0x33, 0xc}});
    const QByteArray v2Chunk = chunk(threeTracks, 3, {{9, 0x44, 0xd}, {0, 0, 0}, {2, 0x66, 0xe}});
    const auto record = accuraterip::parseRecord(v1Chunk + v2Chunk, threeTracks);
    ASSERT_TRUE(record.ok()) << record.error().description().toStdString();
    ASSERT_EQ(record->chunks.size(), 2u);
    EXPECT_EQ(record->chunks[1][0].confidence, 9);
    EXPECT_EQ(record->chunks[1][2].checksum, 0x66u);
    EXPECT_EQ(record->chunks[0][1].offsetChecksum, 0xbu);

    const QByteArray whole = v1Chunk + v2Chunk;
    for (const QByteArray& bad :
         {QByteArray(), whole.left(whole.size() - 1), whole.left(7),
          chunk(threeTracks, 2, {{1, 1, 1}, {1, 2, 2}}), // the disc has three tracks
          chunk({3, 0x0001b0ad, 0x0004e2b1, 0x1f02a803}, 3, {{1, 1, 1}, {1, 2, 2}, {1, 3, 3}})}) {
        const auto refused = accuraterip::parseRecord(bad, threeTracks);
        EXPECT_FALSE(refused.ok());
        EXPECT_TRUE(refused.error().description().startsWith(
            QStringLiteral("The AccurateRip answer cannot be read: ")));
    }
}

// A track is accurate when a submission's sum equals its own (v2 before v1, confidences of
// agreeing chunks added), does not match when rips exist but none agrees, and is not present
// when no rip was submitted for its position.
TEST(AccurateRip, TracksAreComparedWithEveryChunk) {
    const accuraterip::Record record{{{{5, 0x11, 0}, {5, 0x22, 0}, {0, 0, 0}},
                                      {{9, 0x44, 0}, {3, 0x22, 0}, {0, 0, 0}},
                                      {{2, 0x44, 0}, {1, 0x99, 0}, {0, 0, 0}}}};
    EXPECT_EQ(accuraterip::compare(record, 0, 0x11, 0x44).text(),
              QStringLiteral("Accurately ripped (confidence 11) [v2]"));
    EXPECT_EQ(accuraterip::compare(record, 0, 0x11, 0x55).text(),
              QStringLiteral("Accurately ripped (confidence 5) [v1]"));
    EXPECT_EQ(accuraterip::compare(record, 1, 0x23, 0x24).text(),
              QStringLiteral("Does not match (9 submissions)"));
    EXPECT_EQ(accuraterip::compare(record, 2, 0, 0).text(),
              QStringLiteral("Not present in the database"));
    EXPECT_EQ(accuraterip::compare(record, 3, 0x11, 0x44).kind,
              accuraterip::TrackMatch::NotPresent);
    EXPECT_EQ(accuraterip::compare({}, 0, 0x11, 0x44).kind, accuraterip::TrackMatch::NotPresent);
}

// Every offset where the database's sums occur is found, and no other: the carried sums and
// the filtered v2 agree with the sums computed from their definition at every offset.
TEST(AccurateRip, OffsetSearchFindsExactlyTheMatchingOffsets) {
    for (const auto& [first, last] : {std::pair{false, false}, std::pair{true, true}}) {
        SCOPED_TRACE(testing::Message() << "first " << first << " last " << last);
        offsetsearch::MarginRead read;
        read.margin = 300;
        read.place = {first, last, 12 * 588};
        read.pairs.resize(static_cast<std::size_t>(read.place.pairCount + 2 * read.margin));
        QRandomGenerator random(first ? 11 : 12);
        random.fillRange(read.pairs.data(), read.pairs.size());

        auto windowSums = [&read](int offset) {
            QByteArray audio(static_cast<qsizetype>(read.place.pairCount) * 4, Qt::Uninitialized);
            std::memcpy(audio.data(), read.pairs.data() + read.margin + offset,
                        static_cast<std::size_t>(audio.size()));
            return ripsums::accurateRip(audio, read.place.firstOnDisc, read.place.lastOnDisc);
        };
        for (int offset : {-300, -30, 0, 6, 300}) {
            const auto sums = offsetsearch::sumsAt(read, offset);
            EXPECT_EQ(sums.v1, windowSums(offset).v1);
            EXPECT_EQ(sums.v2, windowSums(offset).v2);
        }
        // The database knows the v2 sum at +6 twice (two pressings' chunks) and the v1 sum at
        // -30; entries without rips never match, even when their zero sum would.
        const std::vector<accuraterip::TrackEntry> entries = {{7, windowSums(6).v2, 0},
                                                              {2, windowSums(-30).v1, 0},
                                                              {3, windowSums(6).v2, 0},
                                                              {0, 0, 0}};
        const std::vector<offsetsearch::Match> expected = {{-30, 1, 2}, {6, 2, 10}};
        EXPECT_EQ(offsetsearch::findOffsets(read, entries), expected);
    }
}

// The sheet beside a rip: gaps appended to the previous track's file, a hidden track in a file
// of its own, the disc's and tracks' texts, catalogue number and ISRCs.
TEST(CueWriter, GapsGoToThePreviousFile) {
    cuewriter::Disc disc;
    disc.title = QStringLiteral("Sea \"Songs\"");
    disc.performer = QStringLiteral("Ann Vale");
    disc.catalog = QStringLiteral("0602537350142");
    disc.fileType = QStringLiteral("WAVE");
    disc.comment = QStringLiteral("MP3 Vortan 2.0");
    disc.hiddenTrackFile = QStringLiteral("00 - Hidden.wav");
    disc.tracks = {
        {1,
         QStringLiteral("01 - One.wav"),
         1000,
         150,
         {},
         QStringLiteral("One"),
         {},
         QStringLiteral("GBAYE0000001")},
        {2,
         QStringLiteral("02 - Two.wav"),
         2000,
         75,
         {300},
         QStringLiteral("Two\nLines"),
         QStringLiteral("Guest"),
         {}},
        {3, QStringLiteral("03.wav"), 500, 0, {}, {}, {}, {}},
    };
    EXPECT_EQ(QString::fromUtf8(cuewriter::write(disc)),
              QStringLiteral("REM COMMENT \"MP3 Vortan 2.0\"\n"
                             "CATALOG 0602537350142\n"
                             "PERFORMER \"Ann Vale\"\n"
                             "TITLE \"Sea 'Songs'\"\n"
                             "FILE \"00 - Hidden.wav\" WAVE\n"
                             "  TRACK 01 AUDIO\n"
                             "    TITLE \"One\"\n"
                             "    ISRC GBAYE0000001\n"
                             "    INDEX 00 00:00:00\n"
                             "FILE \"01 - One.wav\" WAVE\n"
                             "    INDEX 01 00:00:00\n"
                             "  TRACK 02 AUDIO\n"
                             "    TITLE \"Two Lines\"\n"
                             "    PERFORMER \"Guest\"\n"
                             "    INDEX 00 00:12:25\n"
                             "FILE \"02 - Two.wav\" WAVE\n"
                             "    INDEX 01 00:00:00\n"
                             "    INDEX 02 00:04:00\n"
                             "FILE \"03.wav\" WAVE\n"
                             "  TRACK 03 AUDIO\n"
                             "    INDEX 01 00:00:00\n"));
    // Without a hidden track's file the first track's pregap is silence in no file.
    disc.hiddenTrackFile.clear();
    const QString plain = QString::fromUtf8(cuewriter::write(disc));
    EXPECT_TRUE(plain.contains(QStringLiteral("FILE \"01 - One.wav\" WAVE\n  TRACK 01 AUDIO\n"
                                              "    TITLE \"One\"\n    ISRC GBAYE0000001\n"
                                              "    PREGAP 00:02:00\n    INDEX 01 00:00:00\n")));
}
