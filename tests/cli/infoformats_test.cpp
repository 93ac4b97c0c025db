// mp3vortan-cli info on formats other than MP3 and WAV: the stream values and the tags.
#include "clirun.h"
#include "fixtures.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class InfoFormatsTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    CliRun info(const QStringList& names) const {
        return runProgram(QStringLiteral(VORTAN_CLI), QStringList{QStringLiteral("info")} + names,
                          headlessEnvironment(path(QStringLiteral("home"))), dir_.path());
    }

    // Runs an encoder in the test's folder; false when it is not installed.
    bool encode(const QString& program, const QStringList& arguments) const {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return false;
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0)
            << program.toStdString() << ": " << process.readAllStandardError().toStdString();
        return true;
    }

    QTemporaryDir dir_;
};

QStringList lines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST_F(InfoFormatsTest, OtherFormatsShowTheirStreamAndTags) {
    fixtures::writeFile(path(QStringLiteral("tone.wav")),
                        fixtures::wavBytes(fixtures::sine(440, 2.0, 44100, 2)));
    if (!encode(QStringLiteral("flac"),
                {QStringLiteral("-s"), QStringLiteral("-T"), QStringLiteral("TITLE=Night Train"),
                 QStringLiteral("-T"), QStringLiteral("ARTIST=The Band"), QStringLiteral("-T"),
                 QStringLiteral("TRACKNUMBER=3"), QStringLiteral("tone.wav"), QStringLiteral("-o"),
                 QStringLiteral("tone.flac")}) ||
        !encode(QStringLiteral("opusenc"),
                {QStringLiteral("--quiet"), QStringLiteral("--title"), QStringLiteral("Sea"),
                 QStringLiteral("tone.wav"), QStringLiteral("tone.opus")}))
        GTEST_SKIP() << "flac or opusenc is not installed";

    const CliRun r = info({QStringLiteral("tone.flac"), QStringLiteral("tone.opus")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList shown = lines(r.out);
    const auto block = [&shown](const QString& name) {
        const qsizetype from = shown.indexOf(name + QLatin1Char(':'));
        qsizetype to = from + 1;
        while (to < shown.size() && !shown[to].endsWith(QLatin1Char(':')))
            ++to;
        return from < 0 ? QStringList() : shown.mid(from + 1, to - from - 1);
    };
    const QStringList flac = block(QStringLiteral("tone.flac"));
    for (const char* line :
         {"Format             FLAC", "SampleRate         44100", "Channels           2",
          "BitsPerSample      16", "Lossless           True", "Duration           0:02",
          "Samples            88200", "Title              Night Train",
          "Artist             The Band", "Track              3"})
        EXPECT_TRUE(flac.contains(QLatin1String(line))) << line << "\n" << r.out.toStdString();
    const QStringList opus = block(QStringLiteral("tone.opus"));
    for (const char* line :
         {"Format             Opus", "SampleRate         48000", "Lossless           False",
          "Samples            96000", "Title              Sea"})
        EXPECT_TRUE(opus.contains(QLatin1String(line))) << line << "\n" << r.out.toStdString();
    EXPECT_TRUE(opus.filter(QStringLiteral("Bitrate")).size() == 1) << r.out.toStdString();
    // A WAV keeps the MPEG panel it always had.
    const CliRun wav = info({QStringLiteral("tone.wav")});
    EXPECT_TRUE(lines(wav.out).filter(QStringLiteral("Format ")).isEmpty())
        << wav.out.toStdString();
    EXPECT_TRUE(lines(wav.out).contains(QStringLiteral("HasTag             False")))
        << wav.out.toStdString();
}

} // namespace
