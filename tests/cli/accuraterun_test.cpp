// mp3vortan-cli rip and verify checked against the AccurateRip database: a server on the
// loopback interface answers with a record the test builds from its own checksums.
#include "accuraterecord.h"
#include "clirun.h"
#include "discimage.h"
#include "fixtures.h"
#include "musicbrainzservice.h"
#include "riplogtext.h"

#include "engine/core/settings.h"
#include "engine/platform/akrip/cddrives.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

class AccurateRun : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        image_ = writeDiscImage(dir_.path(), QStringLiteral("album"),
                                {{200, 440.0}, {300, 660.0}, {160, 880.0}});
        const auto registered = cddrives::registerImage(image_.cuePath);
        ASSERT_TRUE(registered.ok());
        key_ = accuraterecord::keyOf(registered->driveIndex);
        cddrives::forgetImages();
        service_.body = accuraterecord::recordOf(image_, key_, 4, 7);
        WriteSetting(SettingKey::AccurateRipServer, service_.address());
    }
    CliRun run(const QStringList& arguments) const {
        return runProgram(cli, arguments,
                          headlessEnvironment(dir_.filePath(QStringLiteral("home"))), dir_.path());
    }
    // Rips every track as WAV into `folder`.
    CliRun rip(const QString& folder) const {
        return run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"), folder,
                    image_.cuePath});
    }
    QString log(const QString& folder) const { return riplogtext::ripLog(dir_.filePath(folder)); }
    // Writes the image `name` of `tracks` and has the database hold its true record (the first
    // `dataTracks` tracks being data).
    DiscImage served(const QString& name, const std::vector<ImageTrack>& tracks,
                     int dataTracks = 0) {
        const DiscImage image = writeDiscImage(dir_.path(), name, tracks);
        const auto registered = cddrives::registerImage(image.cuePath);
        EXPECT_TRUE(registered.ok());
        const accuraterip::DiscKey key =
            registered ? accuraterecord::keyOf(registered->driveIndex) : accuraterip::DiscKey{};
        cddrives::forgetImages();
        service_.body = accuraterecord::recordOf(image, key, 4, 7, dataTracks);
        return image;
    }

    QTemporaryDir dir_;
    DiscImage image_;
    accuraterip::DiscKey key_;
    mbservice::LocalService service_;
};

QString accurate(int track) {
    return QStringLiteral("Track %1: Accurately ripped (confidence 7) [v2]").arg(track);
}

} // namespace

// A rip the database agrees with: each track accurate on stderr and in the log, exit 0; its
// files verify against the record too.
TEST_F(AccurateRun, EveryTrackAccuratelyRippedAndVerified) {
    const CliRun ripped = rip(QStringLiteral("good"));
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    EXPECT_TRUE(service_.lastRequest.startsWith("GET " + accuraterip::recordPath(key_).toLatin1() +
                                                " HTTP/1.1\r\n"));
    for (int t = 1; t <= 3; ++t)
        EXPECT_TRUE(ripped.err.contains(accurate(t) + QLatin1Char('\n')))
            << ripped.err.toStdString();
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("Accurately ripped: 3 of 3 tracks\n")));
    const QString good = log(QStringLiteral("good"));
    EXPECT_TRUE(riplogtext::trackBlock(good, 2).contains(
        QStringLiteral("  AccurateRip: Accurately ripped (confidence 7) [v2]")));
    EXPECT_TRUE(good.contains(QStringLiteral("  Track   Result\n      1   Accurately ripped "
                                             "(confidence 7) [v2]\n")))
        << good.toStdString();
    EXPECT_TRUE(good.contains(QStringLiteral("Accurately ripped: 3 of 3 tracks\n\n"
                                             "Summary: 3 of 3 tracks asked for copied OK\n")));

    QStringList files = ripped.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(files.size(), 5);
    files = files.mid(0, 3); // the tracks, without the log and the cue sheet
    const CliRun verified = run(QStringList{QStringLiteral("verify"), image_.cuePath} + files);
    EXPECT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    EXPECT_TRUE(verified.out.contains(QStringLiteral("Track 3: %1: Accurately ripped (confidence "
                                                     "7) [v2]\n")
                                          .arg(files[2])))
        << verified.out.toStdString();
    EXPECT_TRUE(verified.out.endsWith(QStringLiteral("Accurately ripped: 3 of 3 tracks\n")));
}

// One sample changed on the disc: that track does not match the record and the rip exits 1;
// a disc the database does not hold is no failure.
TEST_F(AccurateRun, AChangedSampleDoesNotMatchAndAnAbsentDiscIsNoFailure) {
    QByteArray bin = fixtures::readFile(image_.binPath);
    const qsizetype sample = (200 + 100) * 2352 + 2;
    bin[sample] = static_cast<char>(bin[sample] ^ 1);
    fixtures::writeFile(image_.binPath, bin);
    const CliRun changed = rip(QStringLiteral("changed"));
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_TRUE(changed.err.contains(accurate(1)));
    EXPECT_TRUE(changed.err.contains(QStringLiteral("Track 2: Does not match (11 submissions)\n")))
        << changed.err.toStdString();
    EXPECT_TRUE(changed.err.contains(QStringLiteral("Accurately ripped: 2 of 3 tracks\n")));
    EXPECT_TRUE(riplogtext::trackBlock(log(QStringLiteral("changed")), 2)
                    .contains(QStringLiteral("  AccurateRip: Does not match (11 submissions)")));

    service_.status = 404;
    const CliRun absent = rip(QStringLiteral("absent"));
    EXPECT_EQ(absent.exitCode, 0) << absent.err.toStdString();
    EXPECT_TRUE(absent.err.contains(QStringLiteral("Track 2: Not present in the database\n")));
    EXPECT_TRUE(log(QStringLiteral("absent"))
                    .contains(QStringLiteral("Accurately ripped: 0 of 3 tracks\n")));
}

// No database to ask, or an answer that is no record of the disc: the rip is whole and exits
// 0, and the log says why the database could not be asked.
TEST_F(AccurateRun, WithoutAnAnswerTheRipSucceedsAndTheLogSaysWhy) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString nobody = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    WriteSetting(SettingKey::AccurateRipServer, nobody);
    const CliRun refused = rip(QStringLiteral("refused"));
    EXPECT_EQ(refused.exitCode, 0) << refused.err.toStdString();
    EXPECT_EQ(refused.out.count(QLatin1Char('\n')), 5); // three tracks, the log and the cue sheet
    const QString why = QStringLiteral("The AccurateRip database could not be asked: %1 cannot be "
                                       "reached: Connection refused\n")
                            .arg(nobody);
    EXPECT_TRUE(refused.err.contains(why)) << refused.err.toStdString();
    EXPECT_TRUE(log(QStringLiteral("refused")).contains(why));

    WriteSetting(SettingKey::AccurateRipServer, service_.address());
    service_.body.chop(5);
    const CliRun cut = rip(QStringLiteral("cut"));
    EXPECT_EQ(cut.exitCode, 0) << cut.err.toStdString();
    EXPECT_TRUE(log(QStringLiteral("cut"))
                    .contains(QStringLiteral("The AccurateRip database could not be asked: the "
                                             "AccurateRip answer cannot be read: it "
                                             "ends inside a chunk\n")));
}

// A mixed-mode disc (a data track first, audio 2 to 4) ripped perfectly is accurate by its
// true record, which has an entry per audio track: the rip and a verify of its files agree.
TEST_F(AccurateRun, AMixedModeDiscIsCheckedByItsAudioTracks) {
    const DiscImage mixed =
        served(QStringLiteral("mixed"),
               {{300, 0, {}, {}, true}, {200, 440.0}, {300, 660.0}, {160, 880.0}}, 1);
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                               QStringLiteral("mixed"), mixed.cuePath});
    EXPECT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    for (int t = 2; t <= 4; ++t)
        EXPECT_TRUE(ripped.err.contains(accurate(t) + QLatin1Char('\n')))
            << ripped.err.toStdString();
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("Accurately ripped: 3 of 3 tracks\n")));

    const QStringList files = ripped.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(0, 3);
    const CliRun verified = run(QStringList{QStringLiteral("verify"), mixed.cuePath} + files);
    EXPECT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    EXPECT_TRUE(verified.out.contains(
        QStringLiteral("Track 2: %1: Accurately ripped (confidence 7) [v2]\n").arg(files.value(0))))
        << verified.out.toStdString();
    EXPECT_TRUE(verified.out.endsWith(QStringLiteral("Accurately ripped: 3 of 3 tracks\n")));
}

// The hidden track before track 1 is outside the database: said so, and not counted.
TEST_F(AccurateRun, TheHiddenTrackIsOutsideTheDatabase) {
    const DiscImage hidden =
        served(QStringLiteral("hidden"), {{200, 440.0, {}, {}, false, 150}, {300, 660.0}});
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-t"),
                               QStringLiteral("0,1"), QStringLiteral("-o"),
                               QStringLiteral("hidden"), hidden.cuePath});
    EXPECT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString outside =
        QStringLiteral("Outside the database's scope (it holds no hidden tracks)");
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("Track 0: ") + outside + QLatin1Char('\n') +
                                    accurate(1) +
                                    QStringLiteral("\nAccurately ripped: 1 of 1 track\n")))
        << ripped.err.toStdString();
    const QString logText = log(QStringLiteral("hidden"));
    EXPECT_TRUE(
        riplogtext::trackBlock(logText, 0).contains(QStringLiteral("  AccurateRip: ") + outside))
        << logText.toStdString();
    EXPECT_TRUE(
        logText.contains(QStringLiteral("Accurately ripped: 1 of 1 track\n\nSummary: 2 of 2 "
                                        "tracks asked for copied OK\n")));
}

// rip --mode fast: each track read once and proven by the database, as the log says, which is
// asked once (the end's verdicts come from the record the tracks were checked against); a mode
// the program does not know is refused before anything is read.
TEST_F(AccurateRun, FastModeReadsOnceWhatTheDatabaseConfirms) {
    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("--mode"),
             QStringLiteral("fast"), QStringLiteral("-o"), dir_.filePath(QStringLiteral("fast")),
             image_.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString text = log(QStringLiteral("fast"));
    EXPECT_TRUE(text.contains(QStringLiteral("Read mode: Fast, verified")));
    EXPECT_EQ(text.count(QStringLiteral("  Read path: Read once, accurately ripped (confidence "
                                        "7)\n")),
              3)
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Tracks read again securely: 0 of 3\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Accurately ripped: 3 of 3 tracks")));
    EXPECT_EQ(service_.requests, 1);

    const CliRun refused = run(
        {QStringLiteral("rip"), QStringLiteral("--mode"), QStringLiteral("quick"), image_.cuePath});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("read mode 'quick' is not secure, fast or "
                                                    "paranoid")))
        << refused.err.toStdString();
}
