// WAV batches converting several files at once ("Files at once" = 2), on the real window.
#include "fixtures.h"
#include "formtest.h"
#include "mp3decode.h"
#include "progressgate.h"

#include "engine/service/conversionservice.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

class ParallelBatch : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_TRUE(sources.isValid());
        WriteSetting(SettingKey::EncodingBitrate, QStringLiteral("8")); // 128 kbit/s
        WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
        load();
        form->Timer1->stop();
    }
    // A tone of `seconds` at `hz` in the sources folder (its subfolder `folder`, if given).
    QString wav(const QString& name, double seconds, double hz) {
        const QString path = sources.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        fixtures::writeFile(path, fixtures::wavBytes(fixtures::sine(hz, seconds)));
        return path;
    }
    void runSelected(const QStringList& files, int atOnce) {
        WriteSetting(SettingKey::FilesAtOnce, std::int16_t(atOnce));
        tree().List5.setItems(files);
        select(SourceTree::SelectedWavText);
        form->CmdSelectAction_Click();
        waitForJob();
    }
    QStringList outputs() const {
        return QDir(dest.path()).entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir sources;
};

// Two at once: the same files, byte for byte, as one at a time, also for two sources of one
// name (no output written twice, none lost); the captions name both files in progress and
// the bar ends full.
TEST_F(ParallelBatch, OutputsEqualASequentialRunAndCaptionsNameTheFilesInProgress) {
    const QStringList files = {
        wav(QStringLiteral("one.wav"), 3.0, 440), wav(QStringLiteral("sub/one.wav"), 1.0, 880),
        wav(QStringLiteral("two.wav"), 2.0, 660), wav(QStringLiteral("three.wav"), 0.5, 330)};
    runSelected(files, 1);
    const QStringList names = outputs();
    ASSERT_EQ(names, texts({"one (2).mp3", "one.mp3", "three.mp3", "two.mp3"}));
    QList<QByteArray> sequential;
    for (const QString& name : names) {
        sequential << fixtures::readFile(dest.filePath(name));
        QFile::remove(dest.filePath(name));
    }

    QStringList titles;
    QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged,
                     [&](int) { titles << form->windowTitle(); });
    runSelected(files, 2);
    ASSERT_EQ(outputs(), names);
    for (qsizetype i = 0; i < names.size(); ++i)
        EXPECT_TRUE(fixtures::readFile(dest.filePath(names[i])) == sequential[i])
            << names[i].toStdString();
    // The caption: the batch's figure, then the files in progress.
    EXPECT_TRUE(std::any_of(titles.begin(), titles.end(), [](const QString& title) {
        return title.endsWith(QStringLiteral(" % - Encoding one.wav, one.wav")) ||
               title.endsWith(QStringLiteral(" % - Encoding one.wav, two.wav"));
    })) << titles.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(form->Label33->text(), QStringLiteral("100.00 %"));
    EXPECT_TRUE(dialogs().messages().empty());
}

// "Cancel" with two files running lets both finish and starts no other; "Abort this file"
// ends both early, each a shorter but playable MP3.
TEST_F(ParallelBatch, CancelLetsRunningFilesFinishAndAbortEndsThemAll) {
    const QStringList files = {wav(QStringLiteral("a.wav"), 30.0, 440),
                               wav(QStringLiteral("b.wav"), 30.0, 660),
                               wav(QStringLiteral("c.wav"), 1.0, 880)};
    for (QPushButton* button : {form->Command8, form->Command2}) {
        SCOPED_TRACE(button->objectName().toStdString());
        for (const QString& name : outputs())
            QFile::remove(dest.filePath(name));
        // Pressed while both files are under way, each held at its first progress step.
        ProgressGate bothUnderWay([](const WorkItem&, int) { return true; });
        WriteSetting(SettingKey::FilesAtOnce, std::int16_t(2));
        tree().List5.setItems(files);
        select(SourceTree::SelectedWavText);
        form->CmdSelectAction_Click();
        ASSERT_TRUE(bothUnderWay.waitHeld(2));
        EXPECT_TRUE(form->windowTitle().contains(QLatin1Char(',')));
        button->click();
        bothUnderWay.release();
        waitForJob();
        EXPECT_EQ(outputs(), texts({"a.mp3", "b.mp3"}));
        for (const char* name : {"a.mp3", "b.mp3"}) {
            const auto decoded = mp3decode::decodeFile(dest.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(decoded.ok) << name;
            if (button == form->Command8)
                EXPECT_NEAR(decoded.seconds(), 30.0, 0.05) << name;
            else
                EXPECT_LT(decoded.seconds(), 25.0) << name;
        }
        EXPECT_TRUE(form->CmdSelectAction->isEnabled());
    }
}

// While a stopped batch winds down, the files ending one by one leave its word as it is: the
// line says "Stopping after the current file..." until the last file is done.
TEST_F(ParallelBatch, TheStoppingLineStaysWhileTheRunningFilesEnd) {
    const QStringList files = {wav(QStringLiteral("a.wav"), 2.0, 440),
                               wav(QStringLiteral("b.wav"), 3.0, 660),
                               wav(QStringLiteral("c.wav"), 1.0, 880)};
    QStringList said; // Label3 as each file ends, before the window's own steps for it
    QObject::connect(&form->conversions(), &ConversionService::itemFinished, form.get(),
                     [this, &said] { said << form->Label3->text(); });
    // At the first turn of the event loop: both files are under way.
    QTimer::singleShot(0, form.get(), [this] { form->Command8->click(); });
    runSelected(files, 2);
    EXPECT_EQ(outputs(), texts({"a.mp3", "b.mp3"}));
    const QString stopping = QStringLiteral("Stopping after the current file...");
    EXPECT_EQ(said.join(u'|'), stopping + u'|' + stopping);
}

} // namespace
