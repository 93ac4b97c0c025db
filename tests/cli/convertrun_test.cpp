// mp3vortan-cli convert as a shell runs it: outputs, names, exit statuses and messages.
#include "clirun.h"
#include "fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

class ConvertRunTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    CliRun run(const QStringList& arguments) const {
        return runProgram(cli, arguments, headlessEnvironment(path(QStringLiteral("home"))),
                          dir_.path());
    }

    // A CD-format WAV of a tone; `pcm` gets its samples' bytes.
    QString wav(const QString& name, double hz, QByteArray* pcm = nullptr) const {
        const std::vector<std::int16_t> samples = fixtures::sine(hz, 1.5);
        if (pcm)
            *pcm = QByteArray(reinterpret_cast<const char*>(samples.data()),
                              static_cast<qsizetype>(samples.size() * 2));
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        fixtures::writeFile(path(name), fixtures::wavBytes(samples));
        return path(name);
    }

    // The raw samples `flac` decodes `file` to.
    static QByteArray flacPcm(const QString& file) {
        QProcess p;
        p.start(QStringLiteral("flac"),
                {QStringLiteral("-d"), QStringLiteral("-s"), QStringLiteral("-c"),
                 QStringLiteral("--force-raw-format"), QStringLiteral("--endian=little"),
                 QStringLiteral("--sign=signed"), file});
        p.waitForFinished(60000);
        return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
    }

    QTemporaryDir dir_;
};

TEST_F(ConvertRunTest, AWavToFlacIsWrittenBesideTheDestinationAndNamed) {
    if (QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty())
        GTEST_SKIP() << "flac is not installed";
    QByteArray pcm;
    const QString source = wav(QStringLiteral("a.wav"), 440, &pcm);
    const CliRun r = run({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("flac"),
                          QStringLiteral("-o"), path(QStringLiteral("out")), source});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString flac = path(QStringLiteral("out/a.flac"));
    EXPECT_EQ(r.out, flac + QLatin1Char('\n'));
    EXPECT_TRUE(flacPcm(flac) == pcm);
    EXPECT_TRUE(QFile::exists(source)); // the source is never touched
}

TEST_F(ConvertRunTest, OptionsThatDoNotFitTheFormatAreUsageErrors) {
    const QString a = QStringLiteral("a.wav");
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("convert"), a},
          {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("ogg"), a},
          {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("flac"),
           QStringLiteral("--flac-level"), QStringLiteral("9"), a},
          {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("mp3"),
           QStringLiteral("--flac-level"), QStringLiteral("5"), a},
          {QStringLiteral("convert"), QStringLiteral("-b"), QStringLiteral("600"),
           QStringLiteral("--to"), QStringLiteral("opus"), a},
          {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("mp3"),
           QStringLiteral("-b"), QStringLiteral("100"), a},
          {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("flac"),
           QStringLiteral("-b"), QStringLiteral("128"), a},
          {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("opus"),
           QStringLiteral("-q"), QStringLiteral("High"), a},
          {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("wav")}}) {
        const CliRun r = run(arguments);
        EXPECT_EQ(r.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("--help"))) << r.err.toStdString();
    }
    EXPECT_TRUE(run({QStringLiteral("convert"), QStringLiteral("--to=ogg"), a})
                    .err.contains(QStringLiteral("'ogg'")));
    // Opus takes bitrates MP3's list does not have.
    const CliRun opus =
        run({QStringLiteral("convert"), QStringLiteral("-b"), QStringLiteral("6"),
             QStringLiteral("--to"), QStringLiteral("opus"), QStringLiteral("missing.wav")});
    EXPECT_EQ(opus.exitCode, 1) << opus.err.toStdString();
    const CliRun help = run({QStringLiteral("--help")});
    EXPECT_TRUE(help.out.contains(QStringLiteral("convert --to flac"))) << help.out.toStdString();
}

TEST_F(ConvertRunTest, ABadInputAmongGoodOnesIsNamedAndTheOthersAreConverted) {
    const QString good1 = wav(QStringLiteral("one.wav"), 440);
    const QString good2 = wav(QStringLiteral("two.wav"), 550);
    const QString bad = path(QStringLiteral("noise.ogg"));
    fixtures::writeFile(bad, QByteArray(5000, 'x'));
    const CliRun r = run({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("opus"),
                          QStringLiteral("-b"), QStringLiteral("64"), QStringLiteral("-o"),
                          path(QStringLiteral("out")), good1, bad, good2});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(bad)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("1 of 3 files could not be converted")))
        << r.err.toStdString();
    // Each file is printed as it is done, in whatever order the files end.
    QStringList printed = r.out.split(QLatin1Char('\n'));
    printed.sort();
    EXPECT_EQ(printed, (QStringList{QString(), path(QStringLiteral("out/one.opus")),
                                    path(QStringLiteral("out/two.opus"))}));
    EXPECT_EQ(QDir(path(QStringLiteral("out")))
                  .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("one.opus"), QStringLiteral("two.opus")}));
}

// Two sources of one name, and a file already at the name: nothing is replaced.
TEST_F(ConvertRunTest, NamesThatAreTakenGetTheNextNumber) {
    const QString first = wav(QStringLiteral("x/take.wav"), 440);
    const QString second = wav(QStringLiteral("y/take.flac.wav"), 550);
    const QString third = wav(QStringLiteral("z/take.wav"), 660);
    const QString out = path(QStringLiteral("out"));
    QDir().mkpath(out);
    fixtures::writeFile(out + QStringLiteral("/take.mp3"), QByteArray("not ours"));
    const CliRun r = run({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("mp3"),
                          QStringLiteral("-j"), QStringLiteral("2"), QStringLiteral("-o"), out,
                          first, second, third});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(fixtures::readFile(out + QStringLiteral("/take.mp3")), QByteArray("not ours"));
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("take (2).mp3"), QStringLiteral("take (3).mp3"),
                           QStringLiteral("take.flac.mp3"), QStringLiteral("take.mp3")}));
}

} // namespace
