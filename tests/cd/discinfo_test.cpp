// What a disc is known as: CD-Text of disc images, MusicBrainz disc IDs from tables of
// contents, and CD-Text merged with a looked-up release.
#include "discfixture.h"
#include "discimage.h"
#include "fixtures.h"

#include "engine/cd/disc.h"
#include "engine/cd/discinfo.h"
#include "engine/cd/trackpaths.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/discid/mbdiscid.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

namespace {

using DiscText = DiscImageTest;

TEST_F(DiscText, CueSheetTextsAreTheDiscsCdText) {
    DiscImageOptions options;
    options.title = QStringLiteral("Café Songs");
    options.performer = QStringLiteral("Ann Vale");
    // A data file the cue names otherwise: the image opens through a private copy of the sheet.
    options.binName = QStringLiteral("the audio.bin");
    const DiscImage image = writeDiscImage(
        dir.path(), QStringLiteral("album"),
        {{300, 440.0, QStringLiteral("Shore / Sea?"), QStringLiteral("Ann Vale & Bo")},
         {200, 660.0},
         {100, 880.0, QStringLiteral("Harbour"), {}}},
        options);

    const auto text = cddrives::readCdText(registerDisc(image.cuePath));
    ASSERT_TRUE(text.ok()) << text.error().description().toStdString();
    EXPECT_EQ(text->title, options.title);
    EXPECT_EQ(text->performer, options.performer);
    EXPECT_EQ(text->firstTrack, 1);
    ASSERT_EQ(text->tracks.size(), 3u);
    EXPECT_EQ(text->tracks[0].title, QStringLiteral("Shore / Sea?"));
    EXPECT_EQ(text->tracks[0].performer, QStringLiteral("Ann Vale & Bo"));
    EXPECT_TRUE(text->tracks[1].title.isEmpty());
    EXPECT_TRUE(text->tracks[1].performer.isEmpty());
    EXPECT_EQ(text->tracks[2].title, QStringLiteral("Harbour"));
    EXPECT_FALSE(text->isEmpty());

    const DiscInfo info = discinfo::fromCdText(text.value());
    EXPECT_EQ(info.album, options.title);
    ASSERT_EQ(info.tracks.size(), 3u);
    EXPECT_EQ(info.tracks[2].number, 3);
    EXPECT_EQ(info.trackArtist(1), QStringLiteral("Ann Vale & Bo"));
    EXPECT_EQ(info.trackArtist(3), QStringLiteral("Ann Vale")); // the album's

    // A sheet written in ISO-8859-1 reads the same.
    const DiscImage latin = writeDiscImage(dir.path(), QStringLiteral("latin"), {{150, 440.0}});
    fixtures::writeFile(latin.cuePath, "TITLE \"Caf\xE9 Songs\"\nFILE \"latin.bin\" BINARY\n"
                                       "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const auto latinText = cddrives::readCdText(registerDisc(latin.cuePath));
    ASSERT_TRUE(latinText.ok()) << latinText.error().description().toStdString();
    EXPECT_EQ(latinText->title, options.title);
}

TEST_F(DiscText, ADiscWithoutCdTextHasEmptyTextsAndNoDriveIsAnError) {
    const DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("plain"), {{150, 440.0}, {150, 660.0}});
    const auto text = cddrives::readCdText(registerDisc(image.cuePath));
    ASSERT_TRUE(text.ok()) << text.error().description().toStdString();
    EXPECT_TRUE(text->isEmpty());
    EXPECT_EQ(text->tracks.size(), 2u);
    EXPECT_TRUE(discinfo::fromCdText(text.value()).isEmpty());

    EXPECT_FALSE(cddrives::readCdText(99).ok());
}

// Discs of one layout share their disc IDs; what is kept about a disc is filed by what the disc
// says of itself and, for an image, by its cue sheet.
TEST_F(DiscText, DiscsOfOneLayoutAreToldApartByTheirOwnTextAndFile) {
    const std::vector<ImageTrack> layout = {{150, 440.0, QStringLiteral("Shore")}, {100, 660.0}};
    DiscImageOptions text;
    text.title = QStringLiteral("Sea Songs");
    const DiscImage withText = writeDiscImage(dir.path(), QStringLiteral("album"), layout, text);
    const DiscImage copy = writeDiscImage(dir.path(), QStringLiteral("copy"), layout, text);
    const DiscImage plain = writeDiscImage(dir.path(), QStringLiteral("plain"), layout);
    const Disc a = readDisc(registerDisc(withText.cuePath));
    const Disc b = readDisc(registerDisc(copy.cuePath));
    const Disc c = readDisc(registerDisc(plain.cuePath));
    ASSERT_TRUE(a.toc && b.toc && c.toc);
    ASSERT_EQ(a.known.musicBrainz.id, c.known.musicBrainz.id);
    EXPECT_EQ(a.imagePath, withText.cuePath);
    EXPECT_EQ(a.infoKey(), readDisc(a.drive).infoKey()); // read again: the same disc
    EXPECT_NE(a.infoKey(), c.infoKey());
    EXPECT_NE(a.infoKey(), b.infoKey()); // the same text in another file
    EXPECT_TRUE(a.infoKey().startsWith(a.known.musicBrainz.id));

    // A device's disc is known by its text and codes, in whichever drive it is read.
    Disc deviceA = a;
    Disc deviceB = b;
    Disc deviceC = c;
    for (Disc* disc : {&deviceA, &deviceB, &deviceC}) {
        disc->imagePath.clear();
        disc->drive = 0;
    }
    deviceB.drive = 1;
    EXPECT_EQ(deviceA.infoKey(), deviceB.infoKey());
    EXPECT_NE(deviceA.infoKey(), deviceC.infoKey());
    deviceB.known.isrc[1] = QStringLiteral("GBAAA9800002");
    EXPECT_NE(deviceA.infoKey(), deviceB.infoKey());
    // Texts that run together the same way are still two discs.
    deviceB = deviceA;
    deviceB.known.cdText.album = QStringLiteral("Sea Song");
    deviceB.known.cdText.artist = QStringLiteral("s");
    EXPECT_NE(deviceA.infoKey(), deviceB.infoKey());

    EXPECT_TRUE(Disc{}.infoKey().isEmpty());
}

// ---- MusicBrainz disc IDs --------------------------------------------------------------------

// The disc ID as MusicBrainz defines it: SHA-1 over the upper-case hex text of the first and
// last track (2 digits each), the lead-out offset and 99 track offsets (8 digits each, 0 for
// tracks that are not there), then base64 with '.', '_', '-' for '+', '/', '='.
QString definedDiscId(int first, int last, int leadOutOffset, const std::vector<int>& offsets) {
    QByteArray text = QByteArray::number(first, 16).rightJustified(2, '0') +
                      QByteArray::number(last, 16).rightJustified(2, '0') +
                      QByteArray::number(leadOutOffset, 16).rightJustified(8, '0');
    for (std::size_t i = 0; i < 99; ++i)
        text += QByteArray::number(i < offsets.size() ? offsets[i] : 0, 16).rightJustified(8, '0');
    QByteArray id = QCryptographicHash::hash(text.toUpper(), QCryptographicHash::Sha1).toBase64();
    id.replace('+', '.').replace('/', '_').replace('=', '-');
    return QString::fromLatin1(id);
}

cddrives::DiscToc tocOf(std::vector<std::int32_t> starts, std::int32_t leadOut) {
    cddrives::DiscToc toc;
    toc.trackStartLba = std::move(starts);
    toc.leadOutLba = leadOut;
    return toc;
}

TEST(MusicBrainzDiscId, MatchesTheDefinitionAndThePublishedExample) {
    // MusicBrainz's own worked example: six tracks, lead-out at LBA 95312.
    const auto published =
        mbdiscid::musicBrainzDisc(tocOf({0, 15213, 32164, 46442, 63264, 80339}, 95312));
    ASSERT_TRUE(published.ok()) << published.error().description().toStdString();
    EXPECT_EQ(published->id, QStringLiteral("49HHV7Eb8UKF3aQiNmu1GR8vKTY-"));
    EXPECT_EQ(published->id, definedDiscId(1, 6, 95462, {150, 15363, 32314, 46592, 63414, 80489}));
    EXPECT_EQ(published->toc, QStringLiteral("1+6+95462+150+15363+32314+46592+63414+80489"));

    // A disc that starts at track 3 with a first track later than LBA 0.
    cddrives::DiscToc late = tocOf({182, 20000}, 41000);
    late.firstTrack = 3;
    const auto lateId = mbdiscid::musicBrainzDisc(late);
    ASSERT_TRUE(lateId.ok()) << lateId.error().description().toStdString();
    EXPECT_EQ(lateId->id, definedDiscId(3, 4, 41150, {0, 0, 332, 20150}));
}

TEST(MusicBrainzDiscId, AnEnhancedCdsDataSessionIsLeftOut) {
    cddrives::DiscToc enhanced = tocOf({0, 20000, 60000}, 90000);
    enhanced.trackIsAudio = {true, true, false};
    enhanced.audioOnly = false;
    const auto id = mbdiscid::musicBrainzDisc(enhanced);
    ASSERT_TRUE(id.ok()) << id.error().description().toStdString();
    // The audio ends 11,400 sectors before the data track.
    EXPECT_EQ(id->id, definedDiscId(1, 2, 60000 - 11400 + 150, {150, 20150}));

    cddrives::DiscToc dataOnly = tocOf({0}, 9000);
    dataOnly.trackIsAudio = {false};
    EXPECT_FALSE(mbdiscid::musicBrainzDisc(dataOnly).ok());
    EXPECT_FALSE(mbdiscid::musicBrainzDisc(tocOf({0, 5000}, 3000)).ok()); // past the lead-out
}

TEST_F(DiscText, AnImagesDiscIdComesFromItsTableOfContents) {
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("album"),
                                           {{300, 440.0}, {200, 660.0}, {450, 880.0}});
    const auto toc = cddrives::readToc(registerDisc(image.cuePath));
    ASSERT_TRUE(toc.ok()) << toc.error().description().toStdString();
    EXPECT_EQ(toc->trackIsAudio, (std::vector<bool>{true, true, true}));
    const auto id = mbdiscid::musicBrainzDisc(toc.value());
    ASSERT_TRUE(id.ok()) << id.error().description().toStdString();
    EXPECT_EQ(id->id, definedDiscId(1, 3, 950 + 150, {150, 450, 650}));
}

// ---- merging ---------------------------------------------------------------------------------

TEST(DiscInfoMerge, TheReleaseWinsAndCdTextFillsItsGaps) {
    DiscInfo cdText;
    cdText.album = QStringLiteral("SEA SONGS");
    cdText.artist = QStringLiteral("ANN VALE");
    cdText.date = QStringLiteral("1998");
    cdText.tracks = {{1, QStringLiteral("SHORE"), QStringLiteral("ANN VALE"), {}},
                     {2, QStringLiteral("TIDE"), {}, {}},
                     {3, QStringLiteral("HIDDEN"), {}, {}}};
    DiscInfo release;
    release.album = QStringLiteral("Sea Songs");
    release.releaseId = QStringLiteral("rel-1");
    release.discId = QStringLiteral("disc-1");
    release.tracks = {{2, QStringLiteral("Tide"), QStringLiteral("Ann Vale"), QStringLiteral("r2")},
                      {1, {}, QStringLiteral("Ann Vale"), QStringLiteral("r1")}};

    const DiscInfo merged = discinfo::merge(cdText, release);
    EXPECT_EQ(merged.album, QStringLiteral("Sea Songs"));
    EXPECT_EQ(merged.artist, QStringLiteral("ANN VALE")); // the release has none
    EXPECT_EQ(merged.year(), 1998);
    EXPECT_EQ(merged.releaseId, QStringLiteral("rel-1"));
    EXPECT_EQ(merged.discId, QStringLiteral("disc-1"));
    ASSERT_EQ(merged.tracks.size(), 3u);
    EXPECT_EQ(merged.tracks[0].number, 1); // number order
    EXPECT_EQ(merged.tracks[0].title, QStringLiteral("SHORE"));
    EXPECT_EQ(merged.tracks[0].artist, QStringLiteral("Ann Vale"));
    EXPECT_EQ(merged.tracks[0].recordingId, QStringLiteral("r1"));
    EXPECT_EQ(merged.tracks[1].title, QStringLiteral("Tide"));
    EXPECT_EQ(merged.tracks[2].title, QStringLiteral("HIDDEN"));
    EXPECT_EQ(merged.trackArtist(3), QStringLiteral("ANN VALE"));

    EXPECT_EQ(discinfo::merge({}, release).tracks.size(), 2u);
    EXPECT_EQ(DiscInfo{}.year(), 0);
}

} // namespace

TEST(TrackFileName, ReplacesUnsafeCharactersAndStaysWithinTheNameLimit) {
    EXPECT_EQ(
        trackFileName(3, QStringLiteral("AC/DC? Yes: \"Live\" <1|2>*\\"), QStringLiteral(".mp3")),
        QStringLiteral("03 - AC_DC_ Yes_ _Live_ _1_2___.mp3"));
    EXPECT_EQ(trackFileName(12, QStringLiteral("  ..Hidden. "), QStringLiteral(".wav")),
              QStringLiteral("12 - Hidden.wav"));
    EXPECT_EQ(trackFileName(1, QStringLiteral("Tab\there"), QStringLiteral(".mp3")),
              QStringLiteral("01 - Tab_here.mp3"));
    EXPECT_TRUE(trackFileName(1, QStringLiteral(" . "), QStringLiteral(".mp3")).isEmpty());
    // A long title of 3-byte characters is cut by whole characters to 255 bytes at most.
    const QString name = trackFileName(7, QString(200, QChar(0x65e5)), QStringLiteral(".mp3"));
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_GT(name.toUtf8().size(), 250);
    EXPECT_TRUE(name.endsWith(QStringLiteral("\u65e5.mp3")));
}
