// The CD bar's formats: "Extract to" and the "Also write" boxes, what a rip is given from them,
// and how they are stored.
#include "cdformtest.h"
#include "riplogtext.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

#include <vector>

namespace {

using Format = pipeline::OutputFormat;

class ExtractFormatsTest : public CdFormTest {};

} // namespace

TEST_F(ExtractFormatsTest, ExtractToComesFirstThenEachOtherFormatChecked) {
    Form1& w = load();
    // As before: MP3, nothing written beside it.
    EXPECT_TRUE(w.optMP3->isChecked());
    EXPECT_EQ(w.extractionFormats(), std::vector<Format>{Format::Mp3});
    EXPECT_FALSE(w.chkAlsoMp3->isEnabled());
    for (QCheckBox* box : {w.chkAlsoWav, w.chkAlsoFlac, w.chkAlsoOpus})
        EXPECT_TRUE(box->isEnabled()) << box->objectName().toStdString();

    // FLAC, with MP3 and WAV beside it: the boxes' order after the format extracted to.
    w.optFLAC->click();
    w.chkAlsoMp3->click();
    w.chkAlsoWav->click();
    EXPECT_FALSE(w.chkAlsoFlac->isEnabled());
    EXPECT_TRUE(w.chkAlsoMp3->isEnabled());
    EXPECT_EQ(w.extractionFormats(), (std::vector<Format>{Format::Flac, Format::Wav, Format::Mp3}));
    EXPECT_EQ(settings::readText(SettingKey::ExtractTo, {}), QStringLiteral("flac"));
    EXPECT_EQ(settings::readText(SettingKey::AlsoWrite, {}), QStringLiteral("wav mp3"));

    // The box of the format extracted to is never counted twice, checked or not.
    w.optMP3->click();
    EXPECT_EQ(w.extractionFormats(), (std::vector<Format>{Format::Mp3, Format::Wav}));
    w.chkAlsoWav->click();
    EXPECT_EQ(w.extractionFormats(), std::vector<Format>{Format::Mp3});
    w.optFLAC->click();
    EXPECT_EQ(w.extractionFormats(), (std::vector<Format>{Format::Flac, Format::Mp3}));

    // The next start shows the stored choices again.
    form.reset();
    Form1& again = load();
    EXPECT_TRUE(again.optFLAC->isChecked());
    EXPECT_TRUE(again.chkAlsoMp3->isChecked());
    EXPECT_FALSE(again.chkAlsoWav->isChecked());
    EXPECT_FALSE(again.chkAlsoFlac->isEnabled());
    EXPECT_EQ(again.extractionFormats(), (std::vector<Format>{Format::Flac, Format::Mp3}));
}

// Stored texts the program did not write: an unknown format is MP3, unknown names are
// skipped, a name given twice counts once.
TEST_F(ExtractFormatsTest, StoredChoicesAreReadForgivingly) {
    WriteSetting(SettingKey::ExtractTo, QStringLiteral("aiff"));
    WriteSetting(SettingKey::AlsoWrite, QStringLiteral(" Opus,flac  opus bogus"));
    Form1& w = load();
    EXPECT_TRUE(w.optMP3->isChecked());
    EXPECT_EQ(w.extractionFormats(),
              (std::vector<Format>{Format::Mp3, Format::Flac, Format::Opus}));
}

// "Extract to" FLAC with "Also write MP3": each track is written in both from one reading,
// the FLAC holding the track's audio exactly, both listed in their groups, and the rip log
// names both formats, FLAC first.
TEST_F(ExtractFormatsTest, ARipWritesTheFormatExtractedToAndEachOneAlsoWritten) {
    if (QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty())
        GTEST_SKIP() << "the flac tool is needed to decode the output";
    const DiscImage image = disc(QStringLiteral("disc"), {{150, 440}});
    Form1& w = load();
    w.optFLAC->click();
    w.chkAlsoMp3->click();
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.CmdSelectAction->isEnabled(); }, 30000));

    const QStringList flacs = QDir(dest.path()).entryList({QStringLiteral("*.flac")});
    const QStringList mp3s = QDir(dest.path()).entryList({QStringLiteral("*.mp3")});
    ASSERT_EQ(flacs.size(), 1);
    ASSERT_EQ(mp3s.size(), 1);
    const QString flac = dest.filePath(flacs.front());
    QProcess decode;
    decode.start(QStringLiteral("flac"),
                 {QStringLiteral("-d"), QStringLiteral("-s"), QStringLiteral("-c"),
                  QStringLiteral("--force-raw-format"), QStringLiteral("--endian=little"),
                  QStringLiteral("--sign=signed"), flac});
    ASSERT_TRUE(decode.waitForFinished(60000));
    EXPECT_EQ(decode.exitCode(), 0);
    EXPECT_TRUE(decode.readAllStandardOutput() == image.trackAudio(1));
    EXPECT_EQ(tree().parentOf(node(flac)), node(SourceTree::AudioText));
    EXPECT_EQ(tree().parentOf(node(dest.filePath(mp3s.front()))), node(SourceTree::Mp3Text));

    const QString log = riplogtext::ripLog(dest.path());
    const qsizetype flacText = log.indexOf(QStringLiteral("FLAC, level 5"));
    EXPECT_GE(flacText, 0);
    EXPECT_GT(log.indexOf(QStringLiteral("; MP3, ")), flacText);
}
