#include "apetag.h"
#include "engine/formats/mp3info.h"
#include "engine/player/playliststore.h"
#include "engine/player/tagwriter.h"
#include "fixtures.h"
#include "mp3fixture.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tagwriter::Placement;

tagwriter::TagTexts texts(const QString& title, const QString& year, const QString& genre) {
    tagwriter::TagTexts t;
    t.title = title;
    t.artist = QStringLiteral("Artist");
    t.album = QStringLiteral("Album");
    t.year = year;
    t.comment = QStringLiteral("c").repeated(30);
    t.genre = genre;
    return t;
}

TEST(TagWriter, BlockCutsAndFillsFieldsAndRulesTheGenreByte) {
    const QByteArray block = tagwriter::tagBlock(
        texts(QStringLiteral("t").repeated(40), QStringLiteral("2002a"), QStringLiteral("17")));
    ASSERT_EQ(block.size(), 128);
    EXPECT_EQ(block.left(3), "TAG");
    EXPECT_EQ(block.mid(3, 30), QByteArray(30, 't'));
    EXPECT_EQ(block.mid(33, 30), "Artist" + QByteArray(24, ' ')); // spaces, not zero bytes
    EXPECT_EQ(block.mid(93, 4), "2002");
    EXPECT_EQ(block.mid(97, 30), QByteArray(30, 'c')); // no track byte
    EXPECT_EQ(static_cast<std::uint8_t>(block[127]), 17);
    EXPECT_EQ(tagwriter::tagBlock(texts({}, QStringLiteral("99"), {})).mid(93, 4), "99  ");

    const std::pair<const char*, int> genres[] = {
        {"17", 17}, {"abc", 0},   {"", 0},    {"300", 0}, {"255", 255},
        {"-1", 0},  {" 42 ", 42}, {"2.5", 2}, {"3.5", 4}, {"255.5", 0}};
    for (const auto& [text, byte] : genres)
        EXPECT_EQ(tagwriter::genreByte(QString::fromLatin1(text)), byte) << text;
}

// A tag block written by the panel reads back through the MP3 analysis field by field; a
// file without a tag gets the block after its last byte, its audio untouched.
TEST(TagWriter, WrittenTagReadsBackAndUntaggedAudioIsKept) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("song.mp3"));
    const QByteArray audio = fixtures::mp3Bytes(fixtures::sine(440.0, 0.5));
    fixtures::writeFile(path, audio);

    tagwriter::TagTexts first = texts(QStringLiteral("Title"), QStringLiteral("1999"), {});
    auto written = tagwriter::writeTagBlock(path, tagwriter::tagBlock(first));
    ASSERT_TRUE(written) << written.error().description().toStdString();
    EXPECT_EQ(written.value(), Placement::Appended);
    EXPECT_EQ(fixtures::readFile(path).left(audio.size()), audio);

    tagwriter::TagTexts second =
        texts(QStringLiteral("New title"), QStringLiteral("2002"), QStringLiteral("255"));
    written = tagwriter::writeTagBlock(path, tagwriter::tagBlock(second));
    ASSERT_TRUE(written);
    EXPECT_EQ(written.value(), Placement::Replaced);
    const QByteArray after = fixtures::readFile(path);
    EXPECT_EQ(after.size(), audio.size() + 128);
    EXPECT_EQ(after.left(audio.size()), audio);

    Mp3HeaderRecord record;
    ReadMp3Info(path, true, true, record);
    EXPECT_TRUE(record.tagPresent);
    EXPECT_EQ(record.title, QStringLiteral("New title"));
    EXPECT_EQ(record.artist, QStringLiteral("Artist"));
    EXPECT_EQ(record.album, QStringLiteral("Album"));
    EXPECT_EQ(record.year, QStringLiteral("2002"));
    EXPECT_EQ(record.comment, QStringLiteral("c").repeated(29));
    EXPECT_EQ(record.genre, 255);

    const QStringList lines = tagwriter::headerLines(record);
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0],
              QStringLiteral("Bitrate") + QString(12, QLatin1Char(' ')) + QStringLiteral("128"));
    EXPECT_EQ(lines[11],
              QStringLiteral("Private") + QString(13, QLatin1Char(' ')) + QStringLiteral("no"));

    const QString missing = dir.filePath(QStringLiteral("none.mp3"));
    const auto failed = tagwriter::writeTagBlock(missing, tagwriter::tagBlock(first));
    ASSERT_FALSE(failed);
    EXPECT_TRUE(failed.error().description().contains(missing));
    EXPECT_FALSE(QFile::exists(missing));
}

// A file that ends in an APEv2 tag has no ID3v1 tag: the block goes after the APE tag, which
// keeps every byte, and is replaced there next time.
TEST(TagWriter, AnApeTagAtTheEndIsKeptAndNeverTakenForTheBlock) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ape.mp3"));
    const QByteArray audio = fixtures::mp3Bytes(fixtures::sine(440.0, 0.3));
    const QByteArray ape = fixtures::apeTag({{"Title", QByteArray(34, 'a')}});
    fixtures::writeFile(path, audio + ape);

    for (const Placement expected : {Placement::Appended, Placement::Replaced}) {
        const auto written = tagwriter::writeTagBlock(
            path, tagwriter::tagBlock(texts(QStringLiteral("Mine"), QStringLiteral("2001"), {})));
        ASSERT_TRUE(written) << written.error().description().toStdString();
        EXPECT_EQ(written.value(), expected);
        const QByteArray after = fixtures::readFile(path);
        ASSERT_EQ(after.size(), audio.size() + ape.size() + 128);
        EXPECT_EQ(after.left(audio.size() + ape.size()), audio + ape);
    }
    Mp3HeaderRecord record;
    ReadMp3Info(path, true, true, record);
    EXPECT_TRUE(record.tagPresent);
    EXPECT_EQ(record.title, QStringLiteral("Mine"));
}

// What the block cannot hold as typed is named field by field (the panel's test covers the
// characters and the year); what fits, and an empty genre box, are not.
TEST(TagWriter, AlteredFieldsNameWhatIsNotWrittenAsTyped) {
    tagwriter::TagTexts typed = texts(QStringLiteral("Caf\u00E9"), QStringLiteral("99"), {});
    EXPECT_TRUE(tagwriter::alteredFields(typed).isEmpty());
    typed.album = QStringLiteral("a").repeated(31);
    typed.genre = QStringLiteral("rock");
    const QStringList altered = tagwriter::alteredFields(typed);
    ASSERT_EQ(altered.size(), 2) << altered.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(altered[0].endsWith(QStringLiteral("\": it is longer than 30 characters.")));
    EXPECT_EQ(altered[1], QStringLiteral("Genre \"rock\" is written as 0: a genre is a number from "
                                         "0 to 255."));
}

// The stored list: absent keys read as "Empty", a count that is no number as none, and a
// rewrite stores the list from key 1 with its count and keeps no path behind it.
TEST(PlaylistStore, LoadsGapsAndDamagedCountsAndRewrites) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Trevalo v2.0"));
    store.setValue(QStringLiteral("music/HowMany"), QStringLiteral("3"));
    store.setValue(QStringLiteral("music/1"), QStringLiteral("/a/one.mp3"));
    store.setValue(QStringLiteral("music/3"), QStringLiteral("/a/three.mp3"));
    store.setValue(QStringLiteral("music/4"), QStringLiteral("/a/stale.mp3"));
    store.sync();
    EXPECT_EQ(playliststore::load(),
              QStringList({QStringLiteral("/a/one.mp3"), QStringLiteral("Empty"),
                           QStringLiteral("/a/three.mp3")}));

    for (const char* damaged : {"abc", "-2", "99999999999"}) {
        store.setValue(QStringLiteral("music/HowMany"), QString::fromLatin1(damaged));
        store.sync();
        EXPECT_TRUE(playliststore::load().isEmpty()) << damaged;
    }

    playliststore::rewrite({QStringLiteral("/b/x.mp3"), QStringLiteral("/b/y.wav")});
    EXPECT_EQ(playliststore::load(),
              QStringList({QStringLiteral("/b/x.mp3"), QStringLiteral("/b/y.wav")}));
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("music/HowMany")).toString(), QStringLiteral("2"));
    for (const char* stale : {"music/3", "music/4"})
        EXPECT_FALSE(store.contains(QString::fromLatin1(stale))) << stale;
}

} // namespace
