// mp3vortan-cli and the front cover: rip --lookup embeds the release's cover from a stand-in
// Cover Art Archive in every format and writes it beside the files, --cover overrides it or
// leaves it out, no answer leaves the rip going, and tracks --lookup says whether there is one.
#include "accuraterecord.h"
#include "clirun.h"
#include "coverservice.h"
#include "discimage.h"
#include "musicbrainzservice.h"
#include "riplogtext.h"

#include "engine/core/settings.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

class CoverRun : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        accuraterecord::askNoDatabase();
        musicBrainz_.body = mbservice::discAnswer(
            mbservice::release(coverservice::releaseId.toLatin1().constData(), "Tides", "2005",
                               "GB", mbservice::medium(1, 2, {}, "Song")));
        WriteSetting(SettingKey::MusicBrainzServer, musicBrainz_.address());
        WriteSetting(SettingKey::CoverArtServer, archive_.address());
        disc_ = writeDiscImage(dir_.path(), QStringLiteral("disc"), {{150, 440}, {100, 1000}});
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    CliRun run(const QStringList& arguments) const {
        return runProgram(cli, arguments, headlessEnvironment(path(QStringLiteral("home"))),
                          dir_.path());
    }
    CliRun rip(const QString& out, const QStringList& options) const {
        return run(QStringList{QStringLiteral("rip"), QStringLiteral("--to"),
                               QStringLiteral("mp3,flac,opus"), QStringLiteral("-o"), out} +
                   options + QStringList{disc_.cuePath});
    }
    // The audio files printed by a run, each with the pictures its tags hold.
    static std::vector<std::pair<QString, std::vector<audiotags::Picture>>>
    embedded(const CliRun& run) {
        std::vector<std::pair<QString, std::vector<audiotags::Picture>>> out;
        for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (line.endsWith(QLatin1String(".mp3")) || line.endsWith(QLatin1String(".flac")) ||
                line.endsWith(QLatin1String(".opus"))) {
                const auto tags = audiotags::read(line);
                EXPECT_TRUE(tags.ok()) << line.toStdString();
                out.emplace_back(line,
                                 tags.ok() ? tags->pictures : std::vector<audiotags::Picture>{});
            }
        return out;
    }
    static QByteArray bytesOf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QString sizeText(int side, const QByteArray& bytes) {
        return QStringLiteral("%1 × %1 pixels, %2 bytes")
            .arg(side)
            .arg(QLocale(QLocale::English).toString(bytes.size()));
    }

    QTemporaryDir dir_;
    mbservice::LocalService musicBrainz_;
    coverservice::CoverArchive archive_;
    DiscImage disc_;
};

TEST_F(CoverRun, TheLookedUpCoverIsInEveryFileBesideThemAndInTheLog) {
    const QByteArray picture = coverservice::jpeg(500, 500);
    archive_.serve(coverservice::releaseId, picture);
    const CliRun ripped = rip(QStringLiteral("out"), {QStringLiteral("--lookup")});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const auto files = embedded(ripped);
    ASSERT_EQ(files.size(), 6u) << ripped.out.toStdString();
    for (const auto& [file, pictures] : files) {
        ASSERT_EQ(pictures.size(), 1u) << file.toStdString();
        EXPECT_EQ(pictures[0].type, 3);
        EXPECT_EQ(pictures[0].mimeType, QStringLiteral("image/jpeg"));
        EXPECT_EQ(pictures[0].data, picture) << file.toStdString();
    }
    const QString coverFile = path(QStringLiteral("out/cover.jpg"));
    EXPECT_EQ(bytesOf(coverFile), picture);
    EXPECT_TRUE(ripped.out.split(QLatin1Char('\n')).contains(coverFile));
    const QString log = riplogtext::ripLog(path(QStringLiteral("out")));
    EXPECT_TRUE(log.contains(
        QStringLiteral("Cover: %1 (%2)\n")
            .arg(archive_.url(QStringLiteral("/store/front-500.jpg")), sizeText(500, picture))))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Cover file: %1\n").arg(coverFile)));
}

TEST_F(CoverRun, CoverFileOverridesTheArchiveAndAUsersCoverFileIsKept) {
    archive_.serve(coverservice::releaseId, coverservice::jpeg(500, 500));
    const QByteArray mine = coverservice::jpeg(320, 320);
    QFile chosen(path(QStringLiteral("my front.jpg")));
    ASSERT_TRUE(chosen.open(QIODevice::WriteOnly));
    chosen.write(mine);
    chosen.close();
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out"))));
    QFile existing(path(QStringLiteral("out/cover.jpg")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("the user's own");
    existing.close();

    const CliRun ripped =
        rip(QStringLiteral("out"), {QStringLiteral("--lookup"), QStringLiteral("--cover"),
                                    QStringLiteral("my front.jpg")});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    for (const auto& [file, pictures] : embedded(ripped)) {
        ASSERT_EQ(pictures.size(), 1u) << file.toStdString();
        EXPECT_EQ(pictures[0].data, mine);
    }
    // The archive was not asked; the user's file is as it was, and the log says why.
    EXPECT_TRUE(archive_.paths.empty());
    EXPECT_EQ(bytesOf(path(QStringLiteral("out/cover.jpg"))), QByteArray("the user's own"));
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("is there already")));
    const QString log = riplogtext::ripLog(path(QStringLiteral("out")));
    EXPECT_TRUE(log.contains(QStringLiteral("Cover: %1 (%2)\n")
                                 .arg(path(QStringLiteral("my front.jpg")), sizeText(320, mine))))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Cover file: not written: %1 is there already")
                                 .arg(path(QStringLiteral("out/cover.jpg")))));
}

TEST_F(CoverRun, CoverNoneLeavesThePictureOutAndABadFileRipsNothing) {
    archive_.serve(coverservice::releaseId, coverservice::jpeg(500, 500));
    const CliRun none =
        rip(QStringLiteral("none"),
            {QStringLiteral("--lookup"), QStringLiteral("--cover"), QStringLiteral("none")});
    ASSERT_EQ(none.exitCode, 0) << none.err.toStdString();
    const auto files = embedded(none);
    EXPECT_EQ(files.size(), 6u);
    for (const auto& [file, pictures] : files)
        EXPECT_TRUE(pictures.empty()) << file.toStdString();
    EXPECT_TRUE(archive_.paths.empty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("none/cover.jpg"))));
    EXPECT_TRUE(riplogtext::ripLog(path(QStringLiteral("none")))
                    .contains(QStringLiteral("Cover: none (left out with --cover none)\n")));

    QFile text(path(QStringLiteral("notes.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture at all");
    text.close();
    const CliRun refused =
        rip(QStringLiteral("bad"), {QStringLiteral("--cover"), QStringLiteral("notes.jpg")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("neither a JPEG nor a PNG")))
        << refused.err.toStdString();
    EXPECT_TRUE(QDir(path(QStringLiteral("bad"))).entryList(QDir::Files).isEmpty());
}

TEST_F(CoverRun, WithoutAnAnswerTheRipGoesOnAndTheLogSaysWhy) {
    // The archive has nothing for the release.
    const CliRun ripped = rip(QStringLiteral("out"), {QStringLiteral("--lookup")});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const auto files = embedded(ripped);
    EXPECT_EQ(files.size(), 6u);
    for (const auto& [file, pictures] : files)
        EXPECT_TRUE(pictures.empty()) << file.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out/cover.jpg"))));
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("no front cover")));
    const QString log = riplogtext::ripLog(path(QStringLiteral("out")));
    EXPECT_TRUE(log.contains(
        QStringLiteral("Cover: none (The Cover Art Archive has no cover of release %1)\n")
            .arg(coverservice::releaseId)))
        << log.toStdString();
}

TEST_F(CoverRun, TracksLookupSaysWhetherTheReleaseHasACover) {
    const CliRun missing =
        run({QStringLiteral("tracks"), QStringLiteral("--lookup"), disc_.cuePath});
    ASSERT_EQ(missing.exitCode, 0) << missing.err.toStdString();
    EXPECT_TRUE(missing.out.contains(
        QStringLiteral("\nCover: none (The Cover Art Archive has no cover of release %1)\n")
            .arg(coverservice::releaseId)))
        << missing.out.toStdString();

    const QByteArray picture = coverservice::jpeg(500, 500);
    archive_.serve(coverservice::releaseId, picture);
    const CliRun found = run({QStringLiteral("tracks"), QStringLiteral("--lookup"), disc_.cuePath});
    ASSERT_EQ(found.exitCode, 0) << found.err.toStdString();
    EXPECT_TRUE(found.out.contains(
        QStringLiteral("\nCover: %1 (%2)\n")
            .arg(archive_.url(QStringLiteral("/store/front-500.jpg")), sizeText(500, picture))))
        << found.out.toStdString();

    // Without --lookup nothing is asked.
    archive_.paths.clear();
    const CliRun plain = run({QStringLiteral("tracks"), disc_.cuePath});
    EXPECT_FALSE(plain.out.contains(QStringLiteral("Cover:")));
    EXPECT_TRUE(archive_.paths.empty());
}

} // namespace
