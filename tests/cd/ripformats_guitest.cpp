// The window's rip in several formats from one read: the files of each format, listed and
// logged, a cue sheet per format, and an output that cannot be written told at the end
// while the track's other formats are kept.
#include "cdformtest.h"
#include "discimage.h"
#include "fixtures.h"
#include "riplogtext.h"

#include "engine/platform/id3tag/audiotags.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace {

QByteArray flacAudio(const QString& path) {
    QProcess flac;
    flac.start(QStringLiteral("flac"),
               {QStringLiteral("-d"), QStringLiteral("-s"), QStringLiteral("-c"),
                QStringLiteral("--force-raw-format"), QStringLiteral("--endian=little"),
                QStringLiteral("--sign=signed"), path});
    if (!flac.waitForFinished(60000) || flac.exitCode() != 0)
        return {};
    return flac.readAllStandardOutput();
}

TEST_F(CdFormTest, FlacWithMp3BesideItFromOneReadListedLoggedAndSheeted) {
    if (QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty())
        GTEST_SKIP() << "flac is not installed";
    const DiscImage image = disc(QStringLiteral("disc"), {{150, 440, QStringLiteral("One")},
                                                          {100, 1000, QStringLiteral("Two")}});
    Form1& w = load();
    w.optFLAC->click();
    w.chkAlsoMp3->click();
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());

    // The batch names the main format's files; the MP3s lie beside them.
    const QStringList files = outputs();
    ASSERT_EQ(files.size(), 2);
    const QString log = riplogtext::ripLog(dest.path());
    for (int t = 1; t <= 2; ++t) {
        SCOPED_TRACE(t);
        const QString flac = files[t - 1];
        ASSERT_TRUE(flac.endsWith(QStringLiteral(".flac"))) << flac.toStdString();
        const QString mp3 = flac.chopped(5) + QStringLiteral(".mp3");
        EXPECT_TRUE(flacAudio(flac) == image.trackAudio(t));
        const auto tags = audiotags::read(mp3);
        ASSERT_TRUE(tags.ok());
        EXPECT_EQ(tags->title, t == 1 ? QStringLiteral("One") : QStringLiteral("Two"));
        EXPECT_TRUE(tags->albumGain.has_value());
        EXPECT_NE(tree().findByText(flac), 0u);
        EXPECT_NE(tree().findByText(mp3), 0u);
        EXPECT_TRUE(riplogtext::trackBlock(log, t).contains(QStringLiteral("  File: ") + flac +
                                                            QStringLiteral("\n  File: ") + mp3 +
                                                            QStringLiteral("\n")));
    }
    const QStringList sheets = riplogtext::cueSheets(dest.path(), 2);
    ASSERT_EQ(sheets.size(), 2) << sheets.join(QLatin1Char(' ')).toStdString();
    for (const QString& sheet : sheets) {
        const QString text = QString::fromUtf8(fixtures::readFile(dest.filePath(sheet)));
        const QString extension = sheet.endsWith(QStringLiteral(".mp3.cue"))
                                      ? QStringLiteral(".mp3\" MP3")
                                      : QStringLiteral(".flac\" WAVE");
        EXPECT_EQ(text.count(extension), 2) << text.toStdString();
    }
}

// The MP3 beside the FLAC cannot be made (its bitrate is no number): each track fails with the
// reason, told once at the end, and its FLAC is kept and logged.
TEST_F(CdFormTest, AnOutputThatCannotBeWrittenFailsItsTrackAndTheOtherFormatIsKept) {
    if (QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty())
        GTEST_SKIP() << "flac is not installed";
    const DiscImage image = disc(QStringLiteral("disc"), {{150, 440}});
    Form1& w = load();
    w.optFLAC->click();
    w.chkAlsoMp3->click();
    w.cmbBitrate->setEditable(true);
    w.cmbBitrate->setEditText(QStringLiteral("none"));
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().messages()[0].text.contains(QStringLiteral("Track 1: ")))
        << dialogs().messages()[0].text.toStdString();

    const QStringList flacs = QDir(dest.path()).entryList({QStringLiteral("*.flac")});
    ASSERT_EQ(flacs.size(), 1);
    EXPECT_TRUE(flacAudio(dest.filePath(flacs[0])) == image.trackAudio(1));
    EXPECT_TRUE(QDir(dest.path()).entryList({QStringLiteral("*.mp3")}).isEmpty());
    const QString block = riplogtext::trackBlock(riplogtext::ripLog(dest.path()), 1);
    EXPECT_TRUE(block.contains(QStringLiteral("  File: ") + dest.filePath(flacs[0]) +
                               QStringLiteral("\n  File: none kept\n")))
        << block.toStdString();
    EXPECT_TRUE(block.contains(QStringLiteral("Result: Copy failed")));
}

} // namespace
