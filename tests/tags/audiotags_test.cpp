// The tags of every audio format: read from files the Debian tools make, written into our
// outputs in each format's convention, the audio left as it was.
#include "fixtures.h"
#include "mp3fixture.h"

#include "engine/platform/id3tag/audiotags.h"
#include "engine/platform/id3tag/id3tag.h"
#include "toolrun.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <mp4file.h>
#include <mp4tag.h>

#include <csignal>
#include <fcntl.h>
#include <ostream>
#include <sys/resource.h>
#include <unistd.h>

namespace audiotags {

// Failures show the fields, not bytes.
void PrintTo(const AudioTags& t, std::ostream* out) {
    const auto gain = [](const std::optional<Gain>& g) {
        return g ? QStringLiteral("%1 dB/%2").arg(g->gainDb).arg(g->peak) : QStringLiteral("-");
    };
    QStringList fields{t.title, t.artist, t.albumArtist, t.album, t.date, t.genre, t.composer};
    fields << t.comment << t.isrc << t.catalogNumber << t.releaseId << t.recordingId;
    fields << t.releaseTrackId << t.artistId << t.albumArtistId << t.releaseGroupId << t.discId;
    fields << gain(t.trackGain) << gain(t.albumGain);
    for (const int n : {t.trackNumber, t.trackTotal, t.discNumber, t.discTotal})
        fields << QString::number(n);
    for (const Picture& p : t.pictures)
        fields << QStringLiteral("picture %1 %2 \"%3\" %4 bytes")
                      .arg(p.type)
                      .arg(p.mimeType, p.description)
                      .arg(p.data.size());
    *out << fields.join(QStringLiteral(" | ")).toStdString();
}

} // namespace audiotags

namespace {

using audiotags::AudioTags;
using audiotags::Container;
using audiotags::Gain;
using audiotags::Picture;

#define NEED_TOOL(name)                                                                            \
    if (QStandardPaths::findExecutable(QStringLiteral(name)).isEmpty())                            \
    GTEST_SKIP() << name " is not installed"

// A tool's argument: a literal or a path.
struct Arg {
    Arg(const char* literal) : text(QString::fromUtf8(literal)) {}
    Arg(const QString& path) : text(path) {}
    QString text;
};
using Args = std::vector<Arg>;

// Adds the words of `text` (separated by single spaces) to `args`.
void addWords(Args& args, const char* text) {
    for (const QString& word : QString::fromUtf8(text).split(QLatin1Char(' ')))
        args.emplace_back(word);
}

// Runs `program`; its standard output, then its standard error, go to `out`. Returns the
// exit status.
int run(const char* program, const Args& args, QByteArray* out = nullptr) {
    QStringList list;
    for (const Arg& arg : args)
        list << arg.text;
    const ToolRun run = runTool(QString::fromUtf8(program), list);
    if (out)
        *out = run.out + run.err;
    return run.exitCode;
}

class AudioTagsTest : public testing::Test {
  protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // A two-second stereo tone as a WAV; its name.
    QString wav() {
        const QString name = path(QStringLiteral("tone.wav"));
        if (!QFile::exists(name))
            fixtures::writeFile(name, fixtures::wavBytes(fixtures::sine(440, 2.0)));
        return name;
    }

    // A small real PNG (the tools check the pictures they import).
    QByteArray png() {
        const QString name = path(QStringLiteral("cover.png"));
        if (!QFile::exists(name)) {
            EXPECT_EQ(run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "color=red:s=16x16",
                                     "-frames:v", "1", name}),
                      0);
        }
        return fixtures::readFile(name);
    }

    QString flac(const Args& metaflacArgs = {}) {
        const QString name = path(QStringLiteral("made.flac"));
        EXPECT_EQ(run("flac", {"-s", "-f", wav(), "-o", name}), 0);
        if (!metaflacArgs.empty()) {
            Args args = metaflacArgs;
            args.emplace_back(name);
            EXPECT_EQ(run("metaflac", args), 0);
        }
        return name;
    }

    // Writes `tags` into `file` through a descriptor, as an output under its temporary name.
    std::optional<VortanError> write(const QString& file, Container container,
                                     const AudioTags& tags) {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR);
        EXPECT_GE(fd, 0);
        auto failed = audiotags::write(fd, file, container, tags);
        ::close(fd);
        return failed;
    }

    AudioTags read(const QString& file, std::int64_t maxPictureBytes = 16 << 20) {
        const auto tags = audiotags::read(file, maxPictureBytes);
        EXPECT_TRUE(tags.ok()) << tags.error().description().toStdString();
        return tags ? tags.value() : AudioTags();
    }

    // Every field, with text no single-byte encoding holds.
    AudioTags everything() {
        AudioTags t;
        t.title = QStringLiteral("Schön – 夜");
        t.artist = QStringLiteral("Ärtist");
        t.albumArtist = QStringLiteral("Album Ärtist");
        t.album = QStringLiteral("Albüm");
        t.date = QStringLiteral("2001-05-12");
        t.genre = QStringLiteral("Jazz");
        t.composer = QStringLiteral("Cømposer");
        t.comment = QStringLiteral("A comment");
        t.trackNumber = 3;
        t.trackTotal = 12;
        t.discNumber = 1;
        t.discTotal = 2;
        t.isrc = QStringLiteral("GBAYE0000351");
        t.catalogNumber = QStringLiteral("0724384960650");
        t.releaseId = QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001");
        t.recordingId = QStringLiteral("a1b2c3d4-0000-4000-8000-000000000002");
        t.releaseTrackId = QStringLiteral("a1b2c3d4-0000-4000-8000-000000000003");
        t.artistId = QStringLiteral("a1b2c3d4-0000-4000-8000-000000000004");
        t.albumArtistId = QStringLiteral("a1b2c3d4-0000-4000-8000-000000000005");
        t.releaseGroupId = QStringLiteral("a1b2c3d4-0000-4000-8000-000000000006");
        t.discId = QStringLiteral("lwHl8fGzJyLXQR33ug60E8jhf4k-");
        t.trackGain = Gain{-7.03, 0.988525};
        t.albumGain = Gain{-6.5, 1.0};
        t.pictures.push_back(
            Picture{3, QStringLiteral("image/png"), QStringLiteral("Front"), png()});
        return t;
    }

    QTemporaryDir dir;
};

// metaflac's arguments setting every field of `everything()` in the Vorbis names taggers use.
Args everyVorbisField(const QString& picture) {
    return {"--set-tag=TITLE=Schön – 夜",
            "--set-tag=ARTIST=Ärtist",
            "--set-tag=ALBUMARTIST=Album Ärtist",
            "--set-tag=ALBUM=Albüm",
            "--set-tag=DATE=2001-05-12",
            "--set-tag=GENRE=Jazz",
            "--set-tag=COMPOSER=Cømposer",
            "--set-tag=DESCRIPTION=A comment",
            "--set-tag=TRACKNUMBER=3/12",
            "--set-tag=DISCNUMBER=1",
            "--set-tag=TOTALDISCS=2",
            "--set-tag=ISRC=GBAYE0000351",
            "--set-tag=CATALOGNUMBER=0724384960650",
            "--set-tag=MUSICBRAINZ_ALBUMID=a1b2c3d4-0000-4000-8000-000000000001",
            "--set-tag=MUSICBRAINZ_TRACKID=a1b2c3d4-0000-4000-8000-000000000002",
            "--set-tag=MUSICBRAINZ_RELEASETRACKID=a1b2c3d4-0000-4000-8000-000000000003",
            "--set-tag=MUSICBRAINZ_ARTISTID=a1b2c3d4-0000-4000-8000-000000000004",
            "--set-tag=MUSICBRAINZ_ALBUMARTISTID=a1b2c3d4-0000-4000-8000-000000000005",
            "--set-tag=MUSICBRAINZ_RELEASEGROUPID=a1b2c3d4-0000-4000-8000-000000000006",
            "--set-tag=MUSICBRAINZ_DISCID=lwHl8fGzJyLXQR33ug60E8jhf4k-",
            "--set-tag=REPLAYGAIN_TRACK_GAIN=-7.03 dB",
            "--set-tag=REPLAYGAIN_TRACK_PEAK=0.988525",
            "--set-tag=replaygain_album_gain=-6.50 dB",
            "--set-tag=REPLAYGAIN_ALBUM_PEAK=1.000000",
            QStringLiteral("--import-picture-from=3|image/png|Front||") + picture};
}

TEST_F(AudioTagsTest, FlacTagsReadWholeAndCarriedIntoAnMp3) {
    NEED_TOOL("flac");
    NEED_TOOL("metaflac");
    NEED_TOOL("ffmpeg");
    const AudioTags expected = everything(); // makes the cover first
    const QString source = flac(everyVorbisField(path(QStringLiteral("cover.png"))));
    const AudioTags fromFlac = read(source);
    EXPECT_EQ(fromFlac, expected);

    // Into an MP3 with no tag: the frames taggers use, the audio bytes as they were.
    const QString mp3 = path(QStringLiteral("out.mp3"));
    fixtures::writeMp3(mp3, fixtures::sine(440, 1.0));
    const QByteArray audio = fixtures::readFile(mp3);
    ASSERT_FALSE(write(mp3, Container::Mp3, fromFlac));
    const QByteArray tagged = fixtures::readFile(mp3);
    EXPECT_TRUE(tagged.endsWith(audio));
    EXPECT_EQ(read(mp3), expected);

    const auto listed = id3tag::readFrames(mp3);
    ASSERT_TRUE(listed.ok());
    QStringList frames;
    for (const id3tag::Frame& f : listed.value())
        frames << f.id + QLatin1Char(' ') + f.text;
    for (const char* frame :
         {"TRCK 3/12", "TPOS 1/2", "TCON Jazz", "TDRC 2001-05-12",
          "TXXX [REPLAYGAIN_TRACK_GAIN] -7.03 dB", "TXXX [REPLAYGAIN_ALBUM_PEAK] 1.000000",
          "TXXX [MusicBrainz Release Group Id] a1b2c3d4-0000-4000-8000-000000000006",
          "UFID [http://musicbrainz.org] a1b2c3d4-0000-4000-8000-000000000002"})
        EXPECT_TRUE(frames.contains(QString::fromUtf8(frame))) << frame;
    EXPECT_EQ(frames.filter(QStringLiteral("APIC")).size(), 1);

    // Written again with fewer fields: those left out are removed, not kept from before.
    AudioTags fewer;
    fewer.title = QStringLiteral("Only a title");
    fewer.date = QStringLiteral("1999-03-04T10:00:00Z"); // TDRC takes the day
    ASSERT_FALSE(write(mp3, Container::Mp3, fewer));
    fewer.date = QStringLiteral("1999-03-04");
    EXPECT_EQ(read(mp3), fewer);
    EXPECT_TRUE(fixtures::readFile(mp3).endsWith(audio));
}

TEST_F(AudioTagsTest, FlacOutputTakesVorbisCommentsAndPictureBlocksAndStillVerifies) {
    NEED_TOOL("flac");
    NEED_TOOL("metaflac");
    NEED_TOOL("ffmpeg");
    // What the output has under the names written is replaced, in every spelling.
    const QString out = flac({"--set-tag=TITLE=Old", "--set-tag=TOTALTRACKS=99",
                              "--set-tag=DESCRIPTION=old comment", "--set-tag=ENCODER=kept"});
    AudioTags tags = everything();
    tags.pictures.push_back(Picture{4, QString(), QString(), png()}); // no MIME type given
    ASSERT_FALSE(write(out, Container::Flac, tags));

    EXPECT_EQ(run("flac", {"-s", "-t", out}), 0); // the MD5 of the audio holds
    QByteArray exported;
    ASSERT_EQ(run("metaflac", {"--export-tags-to=-", out}, &exported), 0);
    const QStringList lines = QString::fromUtf8(exported).split(QLatin1Char('\n'));
    for (const char* line :
         {"TITLE=Schön – 夜", "TRACKNUMBER=3", "TRACKTOTAL=12", "DISCNUMBER=1", "DISCTOTAL=2",
          "COMMENT=A comment", "ENCODER=kept", "REPLAYGAIN_TRACK_GAIN=-7.03 dB",
          "REPLAYGAIN_TRACK_PEAK=0.988525", "REPLAYGAIN_ALBUM_GAIN=-6.50 dB",
          "MUSICBRAINZ_TRACKID=a1b2c3d4-0000-4000-8000-000000000002"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
    for (const char* gone : {"TITLE=Old", "TOTALTRACKS=99", "DESCRIPTION=old comment"})
        EXPECT_FALSE(lines.contains(QString::fromUtf8(gone))) << gone;
    QByteArray listed;
    ASSERT_EQ(run("metaflac", {"--list", "--block-type=PICTURE", out}, &listed), 0);
    EXPECT_EQ(listed.count("MIME type: image/png"), 2); // the second's found from its data

    tags.pictures.back().mimeType = QStringLiteral("image/png");
    EXPECT_EQ(read(out), tags);
}

TEST_F(AudioTagsTest, OpusGainsAreR128RelativeToTheirOwnReference) {
    NEED_TOOL("opusenc");
    NEED_TOOL("opusinfo");
    NEED_TOOL("ffprobe");
    NEED_TOOL("ffmpeg");
    const QString out = path(QStringLiteral("made.opus"));
    const QByteArray cover = png();
    ASSERT_EQ(run("opusenc", {"--quiet", "--title", "Made", "--artist", "Someone", "--picture",
                              path(QStringLiteral("cover.png")), "--comment",
                              "R128_TRACK_GAIN=-512", "--comment", "R128_ALBUM_GAIN=256",
                              "--comment", "REPLAYGAIN_TRACK_GAIN=+9.00 dB", wav(), out}),
              0);
    const AudioTags made = read(out);
    EXPECT_EQ(made.title, QStringLiteral("Made"));
    EXPECT_EQ(made.artist, QStringLiteral("Someone"));
    EXPECT_EQ(made.trackGain, (Gain{3.0, 0})); // -2 dB from -23 LUFS is +3 dB from -18
    EXPECT_EQ(made.albumGain, (Gain{6.0, 0}));
    ASSERT_EQ(made.pictures.size(), 1U);
    EXPECT_EQ(made.pictures[0].data, cover);
    EXPECT_EQ(made.pictures[0].mimeType, QStringLiteral("image/png"));

    AudioTags tags = everything();
    ASSERT_FALSE(write(out, Container::Opus, tags));
    QByteArray info;
    EXPECT_EQ(run("opusinfo", {out}, &info), 0);
    EXPECT_FALSE(info.contains("WARNING")) << info.constData();
    EXPECT_FALSE(info.contains("ERROR")) << info.constData();
    EXPECT_TRUE(info.contains("Playback length: 0m:02.0")) << info.constData();
    QByteArray probe;
    ASSERT_EQ(run("ffprobe", {"-v", "error", "-show_streams", out}, &probe), 0);
    // (-7.03 - 5) dB in Q7.8 is -3079.68; +0.5 dB above -18 LUFS sits at -4.5 dB from -23.
    EXPECT_TRUE(probe.contains("TAG:R128_TRACK_GAIN=-3080")) << probe.constData();
    EXPECT_TRUE(probe.contains("TAG:R128_ALBUM_GAIN=-2944")) << probe.constData();
    EXPECT_FALSE(probe.toUpper().contains("REPLAYGAIN")) << probe.constData();
    EXPECT_TRUE(probe.contains("TAG:TITLE=Schön – 夜")) << probe.toStdString();

    const AudioTags back = read(out);
    EXPECT_NEAR(back.trackGain->gainDb, -7.03, 1.0 / 512);
    EXPECT_NEAR(back.albumGain->gainDb, -6.5, 1.0 / 512);
    tags.trackGain = back.trackGain; // R128 keeps no peak and gains to 1/256 dB
    tags.albumGain = back.albumGain;
    EXPECT_EQ(back, tags);
}

TEST_F(AudioTagsTest, Mp4AtomsAndFreeformNamesAreRead) {
    NEED_TOOL("ffmpeg");
    const QString m4a = path(QStringLiteral("made.m4a"));
    const QByteArray cover = png();
    Args args{"-v", "error", "-y", "-i", wav(), "-i", path(QStringLiteral("cover.png"))};
    addWords(args, "-map 0 -map 1 -c:a aac -c:v copy -disposition:v attached_pic "
                   "-metadata title=Tïtle -metadata artist=Ärtist -metadata album_artist=AA "
                   "-metadata album=Albüm -metadata date=1999 -metadata genre=Rock "
                   "-metadata composer=Cømposer -metadata comment=Said -metadata track=3/12 "
                   "-metadata disc=1/2");
    args.emplace_back(m4a);
    ASSERT_EQ(run("ffmpeg", args), 0);
    {
        // What taggers keep in freeform atoms; no tool here writes them.
        TagLib::MP4::File file(QFile::encodeName(m4a).constData());
        ASSERT_TRUE(file.isValid());
        const auto set = [&file](const char* name, const char* value) {
            file.tag()->setItem(TagLib::String("----:com.apple.iTunes:") + name,
                                TagLib::StringList(TagLib::String(value)));
        };
        set("MusicBrainz Album Id", "album-id");
        set("MusicBrainz Track Id", "recording-id");
        set("MusicBrainz Release Group Id", "group-id");
        set("ISRC", "GBAYE0000351");
        set("CATALOGNUMBER", "0724384960650");
        set("replaygain_track_gain", "-3.10 dB");
        set("replaygain_track_peak", "0.5");
        // A cover whose atom does not say what it is: its data does.
        TagLib::MP4::CoverArtList covers = file.tag()->item("covr").toCoverArtList();
        ASSERT_EQ(covers.size(), 1U);
        covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::Unknown, covers.front().data()));
        file.tag()->setItem("covr", covers);
        ASSERT_TRUE(file.save());
    }
    AudioTags expected;
    expected.title = QStringLiteral("Tïtle");
    expected.artist = QStringLiteral("Ärtist");
    expected.albumArtist = QStringLiteral("AA");
    expected.album = QStringLiteral("Albüm");
    expected.date = QStringLiteral("1999");
    expected.genre = QStringLiteral("Rock");
    expected.composer = QStringLiteral("Cømposer");
    expected.comment = QStringLiteral("Said");
    expected.trackNumber = 3;
    expected.trackTotal = 12;
    expected.discNumber = 1;
    expected.discTotal = 2;
    expected.releaseId = QStringLiteral("album-id");
    expected.recordingId = QStringLiteral("recording-id");
    expected.releaseGroupId = QStringLiteral("group-id");
    expected.isrc = QStringLiteral("GBAYE0000351");
    expected.catalogNumber = QStringLiteral("0724384960650");
    expected.trackGain = Gain{-3.1, 0.5};
    expected.pictures.push_back(Picture{3, QStringLiteral("image/png"), QString(), cover});
    expected.pictures.push_back(expected.pictures.back());
    EXPECT_EQ(read(m4a), expected);
}

// Other writers' tags under other formats' names: an ID3v2.3 tag (UTF-16 frames, the year in
// TYER), Ogg Vorbis, Ogg FLAC, AIFF's ID3 chunk, WavPack's APE tag.
TEST_F(AudioTagsTest, EveryFormatIsKnownByItsContentNotItsName) {
    NEED_TOOL("lame");
    NEED_TOOL("oggenc");
    NEED_TOOL("flac");
    NEED_TOOL("ffmpeg");
    struct Made {
        const char* tool;
        Args args; // the output's name follows
        const char* name;
    };
    const QString in = wav();
    const Made made[] = {
        {"lame",
         {"--quiet", "--add-id3v2", "--tt", "Tïtle", "--ta", "Ärtist", "--ty", "1998", "--tc",
          "Said", "--tn", "4/9", in},
         "lame.flac"},
        {"oggenc",
         {"-Q", "-t", "Tïtle", "-a", "Ärtist", "-d", "1998", "-c", "COMMENT=Said", "-N", "4", "-c",
          "TRACKTOTAL=9", in, "-o"},
         "vorbis.mp3"},
        {"flac",
         {"-s", "--ogg", "-T", "TITLE=Tïtle", "-T", "ARTIST=Ärtist", "-T", "DATE=1998", "-T",
          "DESCRIPTION=Said", "-T", "TRACKNUMBER=4/9", in, "-o"},
         "oggflac.wav"},
        {"ffmpeg",
         {"-v", "error", "-i", in, "-write_id3v2", "1", "-metadata", "title=Tïtle", "-metadata",
          "artist=Ärtist", "-metadata", "date=1998", "-metadata", "comment=Said", "-metadata",
          "track=4/9", "-f", "aiff"},
         "aiff.opus"},
        {"ffmpeg",
         {"-v", "error", "-i", in, "-c:a", "wavpack", "-metadata", "title=Tïtle", "-metadata",
          "artist=Ärtist", "-metadata", "date=1998", "-metadata", "comment=Said", "-metadata",
          "track=4/9", "-f", "wv"},
         "wavpack.m4a"},
    };
    AudioTags expected;
    expected.title = QStringLiteral("Tïtle");
    expected.artist = QStringLiteral("Ärtist");
    expected.date = QStringLiteral("1998");
    expected.comment = QStringLiteral("Said");
    expected.trackNumber = 4;
    expected.trackTotal = 9;
    for (const Made& m : made) {
        const QString file = path(QString::fromLatin1(m.name));
        Args args = m.args;
        args.emplace_back(file);
        ASSERT_EQ(run(m.tool, args), 0) << m.name;
        EXPECT_EQ(read(file), expected) << m.name;
    }
}

TEST_F(AudioTagsTest, WavOutputTakesRiffInfoAndKeepsItsData) {
    NEED_TOOL("ffmpeg");
    const QString out = path(QStringLiteral("out.wav"));
    const QByteArray before = fixtures::wavBytes(fixtures::sine(440, 0.5));
    fixtures::writeFile(out, before);
    const auto failed = write(out, Container::Wav, everything());
    ASSERT_FALSE(failed) << failed->description().toStdString();
    const QByteArray after = fixtures::readFile(out);
    EXPECT_EQ(after.mid(12, before.size() - 12), before.mid(12)); // fmt and data chunks
    EXPECT_TRUE(after.mid(before.size()).startsWith("LIST"));     // after the audio

    AudioTags expected;
    const AudioTags all = everything();
    expected.title = all.title;
    expected.artist = all.artist;
    expected.album = all.album;
    expected.date = all.date;
    expected.genre = all.genre;
    expected.comment = all.comment;
    expected.trackNumber = all.trackNumber;
    EXPECT_EQ(read(out), expected);
}

TEST_F(AudioTagsTest, APictureOverTheBoundIsLeftOutAndTheRestRead) {
    const QString mp3 = path(QStringLiteral("big.mp3"));
    fixtures::writeMp3(mp3, fixtures::sine(440, 0.5));
    AudioTags tags;
    tags.title = QStringLiteral("Big cover");
    QByteArray big(20 << 20, '\x5a');
    big.replace(0, 3, "\xFF\xD8\xFF");
    tags.pictures.push_back(Picture{3, QStringLiteral("image/jpeg"), QString(), big});
    tags.pictures.push_back(
        Picture{0, QStringLiteral("image/png"), QStringLiteral("small"), png()});
    ASSERT_FALSE(write(mp3, Container::Mp3, tags));

    const AudioTags bounded = read(mp3);
    EXPECT_EQ(bounded.title, tags.title);
    ASSERT_EQ(bounded.pictures.size(), 1U);
    EXPECT_EQ(bounded.pictures[0], tags.pictures[1]);
    EXPECT_EQ(read(mp3, 32 << 20), tags);
}

TEST_F(AudioTagsTest, FilesTagLibCannotParseGiveEmptyTags) {
    const AudioTags none;
    const std::pair<const char*, QByteArray> files[] = {
        {"noise.bin", QByteArray(4096, '\x11')},
        {"cut.flac", QByteArray("fLaC\x00\x00\x00\x22", 8) + QByteArray(10, '\x01')},
        {"cut.opus", QByteArray("OggS\x00\x02", 6) + QByteArray(40, '\0')},
        {"cut.m4a", QByteArray("\x00\x00\x00\x18"
                               "ftypM4A ",
                               12) +
                        QByteArray(30, '\x7f')},
        {"cut.mp3", QByteArray("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10) + QByteArray(64, 'T')},
        {"cut.wav", QByteArray("RIFF\xff\xff\xff\xffWAVEfmt ", 16)},
        {"empty.wav", QByteArray()},
    };
    for (const auto& [name, bytes] : files) {
        const QString file = path(QString::fromLatin1(name));
        fixtures::writeFile(file, bytes);
        const auto tags = audiotags::read(file);
        ASSERT_TRUE(tags.ok()) << name;
        EXPECT_EQ(tags.value(), none) << name;
    }
    EXPECT_FALSE(audiotags::read(path(QStringLiteral("missing.flac"))).ok());

    // Written in a container the file is not: refused, naming the file, the file untouched.
    const QString noise = path(QStringLiteral("noise.bin"));
    AudioTags titled;
    titled.title = QStringLiteral("Title");
    for (const Container container : {Container::Flac, Container::Opus, Container::Wav}) {
        const auto failed = write(noise, container, titled);
        ASSERT_TRUE(failed);
        EXPECT_TRUE(failed->description().contains(noise));
        EXPECT_EQ(fixtures::readFile(noise), QByteArray(4096, '\x11'));
    }
}

// A save TagLib does not check, cut short by the file-size limit, is a failure naming the file.
TEST_F(AudioTagsTest, TagsCutShortByAFullDiskFailTheWrite) {
    NEED_TOOL("flac");
    NEED_TOOL("opusenc");
    const QString flacOut = flac();
    const QString opusOut = path(QStringLiteral("cut.opus"));
    ASSERT_EQ(run("opusenc", {"--quiet", wav(), opusOut}), 0);
    const QString wavOut = path(QStringLiteral("cut.wav"));
    fixtures::writeFile(wavOut, fixtures::wavBytes(fixtures::sine(440, 0.5)));

    AudioTags big;
    big.title = QStringLiteral("Grows the file");
    big.comment = QString(3000, QLatin1Char('c'));
    big.pictures.push_back(Picture{3, QStringLiteral("image/jpeg"), {}, QByteArray(200000, 'j')});
    const std::pair<QString, Container> outputs[] = {
        {flacOut, Container::Flac}, {opusOut, Container::Opus}, {wavOut, Container::Wav}};
    for (const auto& [file, container] : outputs) {
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(QFileInfo(file).size() + 1000);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const auto failed = write(file, container, big);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_TRUE(failed && failed->description().startsWith(file + QStringLiteral(": ")))
            << file.toStdString();
    }
}

TEST_F(AudioTagsTest, ARipsTagFieldsGiveTheSameMp3FramesAsTheMp3Writer) {
    id3tag::TagFields fields;
    fields.title = QStringLiteral("Track");
    fields.artist = QStringLiteral("Artist");
    fields.albumArtist = QStringLiteral("Various");
    fields.album = QStringLiteral("Album");
    fields.date = QStringLiteral("1987-06");
    fields.trackNumber = 7;
    fields.trackTotal = 9;
    fields.releaseId = QStringLiteral("release");
    fields.discId = QStringLiteral("disc");
    fields.recordingId = QStringLiteral("recording");
    fields.isrc = QStringLiteral("USRC17607839");
    fields.catalogNumber = QStringLiteral("0077774600125");
    fields.trackGain = QStringLiteral("+5.00 dB");
    fields.trackPeak = QStringLiteral("0.070795");
    fields.albumGain = QStringLiteral("-1.25 dB");
    fields.albumPeak = QStringLiteral("0.981000");

    const AudioTags tags = audiotags::fromTagFields(fields);
    EXPECT_EQ(tags.trackGain, (Gain{5.0, 0.070795}));
    EXPECT_EQ(tags.albumGain, (Gain{-1.25, 0.981}));

    const QString byWriter = path(QStringLiteral("writer.mp3"));
    const QString byTags = path(QStringLiteral("tags.mp3"));
    fixtures::writeMp3(byWriter, fixtures::sine(440, 0.5));
    fixtures::writeMp3(byTags, fixtures::sine(440, 0.5));
    ASSERT_TRUE(id3tag::writeTag(byWriter, fields).ok());
    ASSERT_FALSE(write(byTags, Container::Mp3, tags));
    EXPECT_EQ(fixtures::readFile(byTags), fixtures::readFile(byWriter));
}

} // namespace
