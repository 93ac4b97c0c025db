// mp3vortan-cli convert --mirror over a generated library: structure, tags, reruns, removals.
#include "engine/formats/outputfile.h"
#include "engine/library/mirrorrecord.h"
#include "engine/platform/id3tag/audiotags.h"
#include "engine/platform/nativepath.h"
#include "fixtures.h"
#include "mirrortree.h"
#include "toolrun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

using mirrortest::tree;

std::map<QString, qint64> modifiedTimes(const QString& folder) {
    std::map<QString, qint64> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        struct stat info {};
        ::stat(nativepath::encode(file).constData(), &info);
        out[file] = info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec;
    }
    return out;
}

class MirrorRunTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* tool : {"flac", "lame", "oggenc", "ffmpeg"})
            if (!haveTool(QString::fromLatin1(tool)))
                GTEST_SKIP() << tool << " is not installed";
        makeLibrary();
    }

    // QTemporaryDir cannot reach a name that is not UTF-8.
    void TearDown() override {
        runTool(QStringLiteral("rm"), {QStringLiteral("-rf"), dir_.path()});
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    void wav(const QString& name, double hz) const {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        fixtures::writeFile(path(name), fixtures::wavBytes(fixtures::sine(hz, 2.0)));
    }
    void tool(const char* program, const QStringList& arguments) const {
        const ToolRun run = runTool(QString::fromLatin1(program), arguments, dir_.path());
        ASSERT_TRUE(run.ok()) << program << ": " << run.err.toStdString();
    }

    // lib/Album: a tagged FLAC and an M4A of the same song, an Ogg Vorbis, a cover, and a
    // disc folder of a WAV; lib/Loose: an MP3 and a WAV whose name is not UTF-8.
    void makeLibrary() {
        wav(QStringLiteral("t.wav"), 440);
        QDir().mkpath(path(QStringLiteral("lib/Album/Disc 2")));
        QDir().mkpath(path(QStringLiteral("lib/Loose")));
        tool("flac", {QStringLiteral("-s"), QStringLiteral("--tag=TITLE=One"),
                      QStringLiteral("--tag=ARTIST=Band"), QStringLiteral("-o"),
                      QStringLiteral("lib/Album/01 One.flac"), QStringLiteral("t.wav")});
        tool("ffmpeg", {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-i"),
                        QStringLiteral("t.wav"), QStringLiteral("-c:a"), QStringLiteral("aac"),
                        QStringLiteral("lib/Album/01 One.m4a")});
        tool("oggenc", {QStringLiteral("-Q"), QStringLiteral("-o"),
                        QStringLiteral("lib/Album/02 Two.ogg"), QStringLiteral("t.wav")});
        tool("lame", {QStringLiteral("--silent"), QStringLiteral("t.wav"),
                      QStringLiteral("lib/Loose/live.mp3")});
        wav(QStringLiteral("lib/Album/Disc 2/03 Three.wav"), 660);
        wav(QStringLiteral("odd.wav"), 550);
        ASSERT_EQ(::rename(nativepath::encode(path(QStringLiteral("odd.wav"))).constData(),
                           nativepath::encode(path(QStringLiteral("lib/Loose/")) +
                                              nativepath::decode("caf\xe9.wav"))
                               .constData()),
                  0);
        QImage cover(64, 64, QImage::Format_RGB32);
        cover.fill(Qt::red);
        ASSERT_TRUE(cover.save(path(QStringLiteral("lib/Album/cover.jpg")), "JPEG"));
    }

    ToolRun mirror(const QString& destination, QStringList extra = {}) const {
        extra.prepend(QStringLiteral("--mirror"));
        extra.prepend(QStringLiteral("convert"));
        extra << QStringLiteral("--to") << QStringLiteral("mp3") << QStringLiteral("-j")
              << QStringLiteral("2") << QStringLiteral("-o") << destination
              << path(QStringLiteral("lib"));
        return runTool(cli, extra, dir_.path());
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(MirrorRunTest, TheLibraryIsMirroredAndOnlyWhatChangedIsMadeAgain) {
    const QString dest = path(QStringLiteral("dest"));
    const ToolRun first = mirror(dest, {QStringLiteral("-b"), QStringLiteral("128")});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const auto made = tree(dest);
    QStringList names;
    for (const auto& entry : made)
        names << entry.first;
    const QString odd = QStringLiteral("Loose/caf") + QChar(0xDCE9) + QStringLiteral(".mp3");
    QStringList expected{QStringLiteral("Album/01 One.mp3"), QStringLiteral("Album/02 Two.mp3"),
                         QStringLiteral("Album/Disc 2/03 Three.mp3"),
                         QStringLiteral("Album/cover.jpg"), QStringLiteral("Loose/live.mp3")};
    // QDirIterator does not keep the bytes of a name that is not UTF-8: look for it directly.
    EXPECT_TRUE(nativepath::isFile(dest + QLatin1Char('/') + odd));
    names.removeIf([](const QString& n) { return n.startsWith(QLatin1String("Loose/caf")); });
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(first.err.contains("01 One.m4a: not converted")) << first.err.toStdString();
    // The MP3 source is copied as it is, never coded twice; tags and the cover go along.
    EXPECT_EQ(made.at(QStringLiteral("Loose/live.mp3")),
              fixtures::readFile(path(QStringLiteral("lib/Loose/live.mp3"))));
    const auto tags = audiotags::read(dest + QStringLiteral("/Album/01 One.mp3"));
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->title, QStringLiteral("One"));
    EXPECT_EQ(tags->artist, QStringLiteral("Band"));
    ASSERT_EQ(tags->pictures.size(), 1u);
    EXPECT_EQ(tags->pictures[0].mimeType, QStringLiteral("image/jpeg"));

    // Nothing changed: nothing is written.
    const auto times = modifiedTimes(dest);
    const ToolRun rerun = mirror(dest, {QStringLiteral("-b"), QStringLiteral("128")});
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    EXPECT_TRUE(rerun.out.isEmpty()) << rerun.out.toStdString();
    EXPECT_TRUE(rerun.err.contains("converted 0, copied 0, up to date 6, failed 0"))
        << rerun.err.toStdString();
    EXPECT_EQ(modifiedTimes(dest), times);

    // A touched source is made again, alone.
    const QByteArray two = nativepath::encode(path(QStringLiteral("lib/Album/02 Two.ogg")));
    const timespec later[2] = {{0, UTIME_OMIT}, {1'700'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, two.constData(), later, 0), 0);
    const ToolRun touched = mirror(dest, {QStringLiteral("-b"), QStringLiteral("128")});
    EXPECT_EQ(touched.exitCode, 0);
    EXPECT_EQ(touched.out, dest.toUtf8() + "/Album/02 Two.mp3\n");

    // Another bitrate makes every conversion again, and copies nothing again.
    const ToolRun other = mirror(dest, {QStringLiteral("-b"), QStringLiteral("192")});
    EXPECT_EQ(other.exitCode, 0) << other.err.toStdString();
    EXPECT_EQ(other.out.count('\n'), 4) << other.out.toStdString();
    EXPECT_FALSE(other.out.contains("live.mp3"));
    EXPECT_FALSE(other.out.contains("cover.jpg"));
    EXPECT_EQ(tree(dest).size(), made.size());
}

TEST_F(MirrorRunTest, DeleteRemovesOnlyOrphansAndADryRunChangesNothing) {
    const QString dest = path(QStringLiteral("dest"));
    // A dry run into a folder that is not there yet does not even make it.
    const ToolRun planned = mirror(dest, {QStringLiteral("--dry-run")});
    EXPECT_EQ(planned.exitCode, 0) << planned.err.toStdString();
    EXPECT_EQ(planned.out.count("convert: "), 4);
    EXPECT_EQ(planned.out.count("copy: "), 2);
    EXPECT_FALSE(QFileInfo::exists(dest));

    ASSERT_EQ(mirror(dest).exitCode, 0);
    fixtures::writeFile(dest + QStringLiteral("/Album/notes.txt"), "mine");
    fixtures::writeFile(dest + QStringLiteral("/Album/Disc 2/03 Three (live).mp3"), "mine");
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("lib/Album/02 Two.ogg"))));
    ASSERT_TRUE(QDir(path(QStringLiteral("lib/Album/Disc 2"))).removeRecursively());
    const auto source = tree(path(QStringLiteral("lib")));
    const auto before = tree(dest);

    const ToolRun dry = mirror(dest, {QStringLiteral("--delete"), QStringLiteral("--dry-run")});
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains("remove: " + dest.toUtf8() + "/Album/02 Two.mp3\n"));
    EXPECT_TRUE(dry.out.contains("remove: " + dest.toUtf8() + "/Album/Disc 2/03 Three.mp3\n"));
    EXPECT_EQ(dry.out.count("remove: "), 2);
    EXPECT_EQ(tree(dest), before);

    // Without --delete the orphans stay; with it, exactly they go, and nobody else's files.
    EXPECT_EQ(mirror(dest).exitCode, 0);
    EXPECT_EQ(tree(dest), before);
    const ToolRun removing = mirror(dest, {QStringLiteral("--delete")});
    EXPECT_EQ(removing.exitCode, 0) << removing.err.toStdString();
    auto expected = before;
    expected.erase(QStringLiteral("Album/02 Two.mp3"));
    expected.erase(QStringLiteral("Album/Disc 2/03 Three.mp3"));
    EXPECT_EQ(tree(dest), expected);
    EXPECT_TRUE(removing.err.contains("removed 2")) << removing.err.toStdString();
    EXPECT_EQ(tree(path(QStringLiteral("lib"))), source);
}

TEST_F(MirrorRunTest, WhatAKilledRunLeftIsFinishedByTheNext) {
    const QString clean = path(QStringLiteral("clean"));
    ASSERT_EQ(mirror(clean).exitCode, 0);
    const QString dest = path(QStringLiteral("dest"));
    ASSERT_EQ(mirror(dest).exitCode, 0);
    // A kill in the middle of an output leaves its line in the record, its temporary file,
    // and no file at its name; a power cut can cut the record's last line short.
    const QString two = dest + QStringLiteral("/Album/02 Two.mp3");
    ASSERT_TRUE(QFile::remove(two));
    auto unfinished = outputfile::createTemporary(two);
    ASSERT_TRUE(unfinished);
    ASSERT_EQ(::write(unfinished->fd, "ID3", 3), 3);
    ::close(unfinished->fd);
    QFile record(dest + QLatin1Char('/') + library::MirrorRecord::fileName());
    ASSERT_TRUE(record.open(QIODevice::Append));
    record.write("+\tconverted\tAlbum/03");
    record.close();

    const ToolRun rerun = mirror(dest);
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    EXPECT_EQ(rerun.out, two.toUtf8() + '\n');
    EXPECT_EQ(tree(dest), tree(clean)); // the same files, byte for byte
}

TEST_F(MirrorRunTest, ADestinationInsideASourceIsRefused) {
    const ToolRun inside = mirror(path(QStringLiteral("lib/Album/out")));
    EXPECT_EQ(inside.exitCode, 2);
    EXPECT_TRUE(inside.err.contains("lies inside the source folder")) << inside.err.toStdString();
    const ToolRun same = mirror(path(QStringLiteral("lib")));
    EXPECT_EQ(same.exitCode, 2);
    EXPECT_TRUE(same.err.contains("is the source folder itself"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("lib/Album/out"))));
    const ToolRun usage =
        runTool(cli, {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("mp3"),
                      QStringLiteral("--delete"), path(QStringLiteral("t.wav"))});
    EXPECT_EQ(usage.exitCode, 2);
}

// The cover embedded in an output is part of what it was made from: a cover that changes,
// goes or appears makes the outputs that take it again, and only those.
TEST_F(MirrorRunTest, ACoverThatChangesMakesTheOutputsThatEmbedItAgain) {
    const QString dest = path(QStringLiteral("dest"));
    ASSERT_EQ(mirror(dest).exitCode, 0);
    const QString one = dest + QStringLiteral("/Album/01 One.mp3");
    const QString two = dest + QStringLiteral("/Album/02 Two.mp3");
    const auto pictures = [](const QString& file) {
        const auto tags = audiotags::read(file);
        EXPECT_TRUE(tags) << file.toStdString();
        return tags ? tags->pictures : std::vector<audiotags::Picture>{};
    };
    const QString coverPath = path(QStringLiteral("lib/Album/cover.jpg"));
    ASSERT_EQ(pictures(one).size(), 1u);
    EXPECT_EQ(pictures(one)[0].data, fixtures::readFile(coverPath));

    QImage blue(80, 80, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(coverPath, "JPEG"));
    const ToolRun changed = mirror(dest);
    EXPECT_EQ(changed.exitCode, 0) << changed.err.toStdString();
    const auto lines = [&dest](const QByteArray& out) {
        QStringList sorted = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        sorted.replaceInStrings(dest + QLatin1Char('/'), QString());
        sorted.sort();
        return sorted;
    };
    EXPECT_EQ(lines(changed.out),
              (QStringList{QStringLiteral("Album/01 One.mp3"), QStringLiteral("Album/02 Two.mp3"),
                           QStringLiteral("Album/cover.jpg")}));
    for (const QString& output : {one, two}) {
        ASSERT_EQ(pictures(output).size(), 1u) << output.toStdString();
        EXPECT_EQ(pictures(output)[0].data, fixtures::readFile(coverPath));
    }

    ASSERT_TRUE(QFile::remove(coverPath));
    const ToolRun gone = mirror(dest);
    EXPECT_EQ(gone.exitCode, 0) << gone.err.toStdString();
    EXPECT_EQ(lines(gone.out), (QStringList{QStringLiteral("Album/01 One.mp3"),
                                            QStringLiteral("Album/02 Two.mp3")}));
    EXPECT_TRUE(pictures(one).empty());
    EXPECT_TRUE(pictures(two).empty());

    ASSERT_TRUE(blue.save(path(QStringLiteral("lib/Album/folder.png")), "PNG"));
    const ToolRun appeared = mirror(dest);
    EXPECT_EQ(appeared.exitCode, 0) << appeared.err.toStdString();
    EXPECT_EQ(appeared.out.count('\n'), 3) << appeared.out.toStdString();
    ASSERT_EQ(pictures(two).size(), 1u);
    EXPECT_EQ(pictures(two)[0].mimeType, QStringLiteral("image/png"));
    EXPECT_TRUE(mirror(dest).out.isEmpty());
}
