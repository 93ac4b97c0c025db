// mp3vortan-cli with a disc several releases hold: the numbered list, --release by number and
// by identifier, a disc of a set in tags, names, the log and the cue sheet, and bad choices.
#include "accuraterecord.h"
#include "clirun.h"
#include "discimage.h"
#include "musicbrainzservice.h"

#include "engine/core/settings.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

class ReleasesTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        accuraterecord::askNoDatabase();
        // Two tracks: the single release's disc, and the second medium of a three-disc set.
        image_ = writeDiscImage(dir_.path(), QStringLiteral("set"), {{200, 440.0}, {300, 660.0}});
        QByteArray set = mbservice::release("r-set", "Tides", "2005", "GB",
                                            mbservice::medium(1, 4, {}, "One") + "," +
                                                mbservice::medium(2, 2, {}, "Two") + "," +
                                                mbservice::medium(3, 5, {}, "Three"));
        set.chop(1);
        set += R"(,"barcode":"5012345678900","label-info":[{"catalog-number":"TID 2",)"
               R"("label":{"name":"Tide Records"}}]})";
        service_.body =
            mbservice::discAnswer(mbservice::release("r-single", "Tides", "1999", "US",
                                                     mbservice::medium(1, 2, {}, "Single")) +
                                  "," + set);
        WriteSetting(SettingKey::MusicBrainzServer, service_.address());
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    CliRun run(QStringList arguments) const {
        arguments << image_.cuePath;
        return runProgram(cli, arguments, headlessEnvironment(path(QStringLiteral("home"))),
                          dir_.path());
    }

    static QString text(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir dir_;
    DiscImage image_;
    mbservice::LocalService service_;
};

TEST_F(ReleasesTest, TracksNumbersEveryReleaseWithItsColumns) {
    const CliRun listed = run({QStringLiteral("tracks"), QStringLiteral("--lookup")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QStringList shown = listed.out.split(QLatin1Char('\n'));
    EXPECT_TRUE(shown.contains(QStringLiteral("Releases:"))) << listed.out.toStdString();
    EXPECT_TRUE(shown.contains(
        QStringLiteral("  #  Title | Artist | Date | Country | Label | Catalogue number | "
                       "Barcode | Format | Discs | MusicBrainz release")));
    EXPECT_TRUE(shown.contains(QStringLiteral("  1  Tides | Ann Vale & The Tides | 1999 | US | "
                                              "- | - | - | CD | 1 | r-single")))
        << listed.out.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("  2  Tides | Ann Vale & The Tides | 2005 | GB | "
                                              "Tide Records | TID 2 | 5012345678900 | CD | 3 | "
                                              "r-set")))
        << listed.out.toStdString();
}

TEST_F(ReleasesTest, TheChosenDiscOfASetIsTaggedAndNamed) {
    const QString names = QStringLiteral("{albumartist}/{album}/[{disc}-]{track} - {title}");
    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--to"), QStringLiteral("flac,mp3"),
             QStringLiteral("--release"), QStringLiteral("2"), QStringLiteral("--names"), names,
             QStringLiteral("-o"), QStringLiteral("out")});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString album = path(QStringLiteral("out/Ann Vale & The Tides/Tides/"));
    const QString flac = album + QStringLiteral("2-02 - Two 2.flac");
    ASSERT_TRUE(QFile::exists(flac)) << ripped.out.toStdString();
    const auto flacTags = audiotags::read(flac);
    ASSERT_TRUE(flacTags.ok());
    EXPECT_EQ(flacTags->discNumber, 2);
    EXPECT_EQ(flacTags->discTotal, 3);
    EXPECT_EQ(flacTags->title, QStringLiteral("Two 2"));
    EXPECT_EQ(flacTags->releaseId, QStringLiteral("r-set"));
    const auto mp3Tags = audiotags::read(album + QStringLiteral("2-01 - Two 1.mp3"));
    ASSERT_TRUE(mp3Tags.ok());
    EXPECT_EQ(mp3Tags->discNumber, 2);
    EXPECT_EQ(mp3Tags->discTotal, 3);

    // The log and the cue sheets go in the album's folder and name the disc.
    const QStringList logs = QDir(album).entryList({QStringLiteral("*.log")}, QDir::Files);
    ASSERT_FALSE(logs.isEmpty()) << QDir(album).entryList().join(QLatin1Char(' ')).toStdString();
    const QString log = text(album + logs.front());
    EXPECT_TRUE(log.contains(QStringLiteral("\nDisc 2 of 3\n"))) << log.toStdString();
    const QStringList cues = QDir(album).entryList({QStringLiteral("*.cue")}, QDir::Files);
    ASSERT_EQ(cues.size(), 2);
    const QString cue = text(album + cues.front());
    EXPECT_TRUE(cue.contains(QStringLiteral("REM DISCNUMBER 2\nREM TOTALDISCS 3\n")))
        << cue.toStdString();
    const QString firstFile = QStringLiteral("FILE \"2-01 - Two 1.");
    EXPECT_TRUE(cue.contains(firstFile)) << cue.toStdString();

    // By identifier, and the same name again: numbered, never replaced.
    const CliRun again =
        run({QStringLiteral("rip"), QStringLiteral("--to"), QStringLiteral("flac"),
             QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("--release=r-set"),
             QStringLiteral("--names"), names, QStringLiteral("-o"), QStringLiteral("out")});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(QFile::exists(album + QStringLiteral("2-02 - Two 2 (2).flac")))
        << again.out.toStdString();

    // Without --release: the first release, a single disc with no disc tag, and stderr says
    // there were others.
    const CliRun first =
        run({QStringLiteral("rip"), QStringLiteral("--to"), QStringLiteral("flac"),
             QStringLiteral("--lookup"), QStringLiteral("-t"), QStringLiteral("1"),
             QStringLiteral("--names"), names, QStringLiteral("-o"), QStringLiteral("single")});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QString single =
        path(QStringLiteral("single/Ann Vale & The Tides/Tides/01 - Single 1.flac"));
    const auto singleTags = audiotags::read(single);
    ASSERT_TRUE(singleTags.ok()) << first.out.toStdString();
    EXPECT_EQ(singleTags->releaseId, QStringLiteral("r-single"));
    EXPECT_EQ(singleTags->discNumber, 0);
    EXPECT_EQ(singleTags->discTotal, 0);
    EXPECT_TRUE(first.err.contains(QStringLiteral("1 other releases"))) << first.err.toStdString();
}

TEST_F(ReleasesTest, ABadReleaseOrTemplateIsAUsageError) {
    const struct {
        QStringList arguments;
        QString says;
    } cases[] = {
        {{QStringLiteral("--release"), QStringLiteral("3")}, QStringLiteral("no release 3")},
        {{QStringLiteral("--release"), QStringLiteral("0")}, QStringLiteral("no release 0")},
        {{QStringLiteral("--release"), QStringLiteral("r-none")}, QStringLiteral("\"r-none\"")},
        {{QStringLiteral("--names"), QStringLiteral("{album}/{disk}")},
         QStringLiteral("{disk} (at position 9)")},
        {{QStringLiteral("--names"), QStringLiteral("[{disc}-{track}")},
         QStringLiteral("position 1 ")},
    };
    for (const auto& c : cases) {
        QStringList arguments{QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                              QStringLiteral("bad")};
        arguments << c.arguments;
        const CliRun refused = run(arguments);
        EXPECT_EQ(refused.exitCode, 2) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(refused.err.contains(c.says)) << refused.err.toStdString();
    }
    EXPECT_FALSE(QDir(path(QStringLiteral("bad"))).exists());
}

} // namespace
