// The decoding batch of the main window: groups, single nodes, messages, captions, cancel,
// and files that cannot be decoded.
#include "fixtures.h"
#include "formtest.h"
#include "mp3fixture.h"
#include "scripteddialogs.h"

#include "engine/core/jobstate.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/decode/decoding.h"
#include "engine/formats/wavreader.h"
#include "engine/prefs/drivespace.h"
#include "window/main/form1.h"
#include "window/main/frmpopup.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <sys/resource.h>
#include <utility>

namespace {

class DecodeBatch : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_TRUE(sources.isValid());
        DecodingActive = false;
        DecodeOutputFile.clear();
        load();
    }

    QString source(const char* name) const { return sources.filePath(QString::fromUtf8(name)); }
    QString output(const char* name) const { return dest.filePath(QString::fromUtf8(name)); }
    QString sineMp3(const char* name, double seconds, double hz = 1000) {
        fixtures::writeMp3(source(name), fixtures::sine(hz, seconds), 44100, 2, 128);
        return source(name);
    }
    // Frames in a WAV the decoder wrote, after checking its header against the file.
    qint64 wavFrames(const QString& path) {
        const QByteArray bytes = fixtures::readFile(path);
        EXPECT_GE(bytes.size(), 44) << path.toStdString();
        if (bytes.size() < 44)
            return -1;
        EXPECT_EQ(fixtures::le32(bytes, 40), static_cast<std::uint32_t>(bytes.size() - 44));
        auto format = readWavFormat(path);
        EXPECT_TRUE(format.ok());
        return format.ok() ? format->frameCount() : -1;
    }
    QTemporaryDir sources;
};

TEST_F(DecodeBatch, EmptyGroupsSayWhyAndChangeNothing) {
    tree().List2.clear();
    tree().List4.clear();

    select(SourceTree::Mp3Text);
    form->CmdDecoder_Click();
    waitForJob();
    select(SourceTree::SelectedMp3Text);
    form->CmdDecoder_Click();
    waitForJob();

    const auto messages = dialogs().messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, QStringLiteral("No files in list."));
    EXPECT_EQ(messages[1].text, QStringLiteral("No files selected"));
    for (const auto& m : messages) {
        EXPECT_EQ(m.icon, dialogs::Icon::Information);
        EXPECT_EQ(m.title, QStringLiteral("MP3 Vortan v2.0"));
        EXPECT_EQ(m.buttons, dialogs::Buttons::Ok);
    }
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Label3->text(), tree().statusLine()); // no job caption went up
    EXPECT_TRUE(QDir(dest.path()).entryList({QStringLiteral("*.wav")}).isEmpty());
}

// Two files at once decode to the same WAVs, byte for byte, as one at a time, and every
// WAV is listed.
TEST_F(DecodeBatch, TwoAtOnceDecodeTheSameWavsAsOneAtATime) {
    const QStringList files = {sineMp3("a.mp3", 3, 440), sineMp3("b.mp3", 1, 660),
                               sineMp3("c.mp3", 2, 880)};
    QList<QByteArray> sequential;
    for (const int atOnce : {1, 2}) {
        WriteSetting(SettingKey::FilesAtOnce, std::int16_t(atOnce));
        tree().List4.setItems(files);
        select(SourceTree::SelectedMp3Text);
        form->CmdDecoder_Click();
        waitForJob();
        EXPECT_TRUE(dialogs().messages().empty());
        for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
            const QByteArray bytes = fixtures::readFile(output(name));
            if (atOnce == 1) {
                EXPECT_GE(wavFrames(output(name)), 44100) << name;
                sequential << bytes;
                QFile::remove(output(name));
            } else {
                const QByteArray expected = sequential.takeFirst();
                EXPECT_TRUE(bytes == expected) << name;
                EXPECT_TRUE(tree().List1.contains(output(name))) << name;
            }
        }
    }
}

TEST_F(DecodeBatch, SelectedGroupDecodesEveryEntryKeepingNamesAndShowsTheLastSize) {
    const QString first = sineMp3("Song.MP3", 2, 440);
    const QString second = sineMp3("second.mp3", 3, 1000);
    tree().List4.add(first);
    tree().List4.add(second);
    select(SourceTree::SelectedMp3Text);
    form->CmdDecoder_Click();
    waitForJob();

    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_NEAR(wavFrames(output("Song.wav")), 2 * 44100, 2304);
    EXPECT_NEAR(wavFrames(output("second.wav")), 3 * 44100, 2304);
    EXPECT_EQ(DecodeOutputFile, output("second.wav"));
    EXPECT_EQ(form->lblStatus->text(),
              QString::number(QFileInfo(output("second.wav")).size()) + QStringLiteral(" bytes"));

    // The captions of the last file, and the full progress display (in the caption too).
    EXPECT_EQ(form->windowTitle(), QStringLiteral("100 % - Decoding second.mp3"));
    EXPECT_EQ(form->Label3->text(), QStringLiteral("Decoding #2 of 2 files"));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("Destination:  ") + output("second.wav"));
    EXPECT_EQ(form->Label33->text(), QStringLiteral("100 %"));
    EXPECT_EQ(form->ProgressBar1->value(), 100);
    EXPECT_TRUE(form->Command2->isVisibleTo(form.get()));

    // Both WAVs are listed, most recent first.
    const QStringList wavs = childTexts(SourceTree::WavText);
    EXPECT_TRUE(wavs.contains(QStringLiteral("Song.wav")) || wavs.contains(output("Song.wav")));
    EXPECT_EQ(tree().List1.at(0), output("second.wav"));
    EXPECT_EQ(tree().List1.at(1), output("Song.wav"));

    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_FALSE(DecodingActive);
}

TEST_F(DecodeBatch, AvailableGroupGoesOnPastFilesThatCannotBeDecoded) {
    auto* random = QRandomGenerator::global();
    QByteArray noise(50000, Qt::Uninitialized);
    for (char& c : noise)
        c = static_cast<char>(random->bounded(256));
    const QByteArray valid = fixtures::mp3Bytes(fixtures::sine(1000, 4), 44100, 2, 128);
    fixtures::writeFile(source("noise.mp3"), noise);
    fixtures::writeFile(source("zero.mp3"), QByteArray());
    fixtures::writeFile(source("short.mp3"), valid.left(99));
    fixtures::writeFile(source("truncated.mp3"), valid.left(valid.size() / 2));
    const QString good1 = sineMp3("good1.mp3", 1.5);
    const QString good2 = sineMp3("good2.mp3", 2.5);

    tree().List2.setItems({good1, source("noise.mp3"), source("zero.mp3"), source("short.mp3"),
                           source("missing.mp3"), source("truncated.mp3"), good2});
    select(SourceTree::Mp3Text);
    const QString status = form->lblStatus->text();
    form->CmdDecoder_Click();
    waitForJob();

    EXPECT_NEAR(wavFrames(output("good1.wav")), 1.5 * 44100, 2304);
    EXPECT_NEAR(wavFrames(output("truncated.wav")), 2 * 44100, 0.3 * 44100);
    EXPECT_NEAR(wavFrames(output("good2.wav")), 2.5 * 44100, 2304);
    for (const char* none : {"noise.wav", "zero.wav", "short.wav", "missing.wav"})
        EXPECT_FALSE(QFile::exists(output(none))) << none;

    EXPECT_EQ(form->Label3->text(), QStringLiteral("Decoding #7 of 7 files"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("100 % - Decoding good2.mp3"));
    EXPECT_EQ(form->lblStatus->text(), status); // only the selected group reports a size
    EXPECT_EQ(DecodeOutputFile, output("good2.wav"));
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_FALSE(DecodingActive);

    // Each file that gave no WAV is named, with its reason, in one message at the end.
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const QString text = dialogs().lastMessage()->text;
    for (const char* failed : {"noise.mp3", "zero.mp3", "short.mp3", "missing.mp3"})
        EXPECT_TRUE(text.contains(source(failed) + QStringLiteral(": "))) << failed;
    for (const char* fine : {"good1.mp3", "good2.mp3"})
        EXPECT_FALSE(text.contains(source(fine))) << fine;
}

TEST_F(DecodeBatch, SingleNodeDecodesTheEntryItNames) {
    const QString inSelected = sineMp3("picked.mp3", 2, 700);
    const QString other = sineMp3("other.mp3", 1);
    tree().List2.setItems({other});
    tree().List4.setItems({inSelected});
    const auto group = tree().findByText(SourceTree::SelectedMp3Text);
    const auto node =
        tree().addNode(group, QStringLiteral("p picked.mp3"), QStringLiteral("picked.mp3"), 3, 6);
    tree().setSelectedNode(node);
    form->CmdDecoder_Click();
    waitForJob();

    EXPECT_NEAR(wavFrames(output("picked.wav")), 2 * 44100, 2304);
    EXPECT_FALSE(QFile::exists(output("other.wav")));
    EXPECT_EQ(CurrentFile, inSelected);
    EXPECT_EQ(DecodeOutputFile, output("picked.wav"));
    EXPECT_EQ(form->Label3->text(), QStringLiteral("Decoding  picked.mp3"));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("Destination:  ") + output("picked.wav"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("100 % - Decoding picked.mp3"));
    EXPECT_TRUE(tree().List1.contains(output("picked.wav")));
    EXPECT_TRUE(form->Timer1->isActive());
}

TEST_F(DecodeBatch, ShortNameNodeFindsAFileWhoseExtensionIsUpperCase) {
    const QString upper = sineMp3("Loud.MP3", 1.5);
    tree().List2.setItems({upper});
    const auto group = tree().findByText(SourceTree::Mp3Text);
    tree().setSelectedNode(
        tree().addNode(group, QStringLiteral("p Loud.mp3"), QStringLiteral("Loud.mp3"), 3, 6));
    form->CmdDecoder_Click();
    waitForJob();
    EXPECT_EQ(CurrentFile, upper);
    EXPECT_NEAR(wavFrames(output("Loud.wav")), 1.5 * 44100, 2304);
}

TEST_F(DecodeBatch, OtherNodesDecodeNothing) {
    tree().List2.setItems({sineMp3("song.mp3", 1)});
    select(SourceTree::WavText);
    form->CmdDecoder_Click();
    waitForJob();
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_TRUE(QDir(dest.path()).entryList({QStringLiteral("*.wav")}).isEmpty());
}

// Abort cuts the file under way: what it holds is kept and listed, and the end message names
// it as cut, not as converted.
TEST_F(DecodeBatch, AbortCutsTheFileUnderWayNamesItAndStartsNoOther) {
    const QString a = sineMp3("a.mp3", 90, 300);
    const QString b = sineMp3("b.mp3", 5);
    const QString c = sineMp3("c.mp3", 5);
    tree().List4.setItems({a, b, c});
    select(SourceTree::SelectedMp3Text);
    // Pressed as soon as the batch lets events run, i.e. while the first file decodes.
    QTimer::singleShot(0, form.get(), [this] { form->Command2->click(); });
    form->CmdDecoder_Click();
    waitForJob();

    const qint64 frames = wavFrames(output("a.wav"));
    EXPECT_GE(frames, 0);
    EXPECT_LT(frames, 90 * 44100);
    EXPECT_FALSE(QFile::exists(output("b.wav")));
    EXPECT_FALSE(QFile::exists(output("c.wav")));
    EXPECT_TRUE(QFile::exists(a));
    // The partial WAV is listed when it holds audio.
    if (QFileInfo(output("a.wav")).size() > 99) {
        EXPECT_TRUE(tree().List1.contains(output("a.wav")));
    }
    ASSERT_EQ(form->lastBatch().results.size(), 3);
    EXPECT_EQ(form->lastBatch().results[0].status, JobResult::Status::Cancelled);
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const dialogs::Message& said = *dialogs().lastMessage();
    EXPECT_EQ(said.text, QStringLiteral("1 of 3 files could not be decoded:\n\n") + a +
                             QStringLiteral(": aborted: ") + output("a.wav") +
                             QStringLiteral(" holds only what was decoded before the abort"));
    EXPECT_EQ(said.icon, dialogs::Icon::Exclamation);
    EXPECT_FALSE(DecodingActive);
}

// Cancel, "Stop after this file", the tray's "Stop Conversion" and the disk guard's stop
// finish the file under way whole and start no other; only the guard, which the user did not
// ask, names the file it left.
TEST_F(DecodeBatch, EveryStopButAbortFinishesTheFileUnderWay) {
    const QString a = sineMp3("a.mp3", 20, 300);
    const QString b = sineMp3("b.mp3", 1);
    const std::pair<const char*, std::function<void()>> stops[] = {
        {"Cancel", [this] { form->Command8->click(); }},
        {"Stop after this file", [this] { form->Command1->click(); }},
        {"Stop Conversion",
         [this] {
             form->loadPopup();
             form->popup()->mnuStopencoding->trigger();
         }},
        {"the guard",
         [this] {
             ModSysInfo::setSpaceQuery([](const QString&, std::int64_t& total, std::int64_t& free) {
                 total = 500'000'000'000;
                 free = 10'000'000; // below the stop level of 50 MB
             });
             form->tmrWarning_Timer();
             ModSysInfo::setSpaceQuery({});
         }},
    };
    // The step is named outside a structured binding, which clang 14's lambdas cannot capture.
    for (const auto& entry : stops) {
        const char* const name = entry.first;
        const auto& stop = entry.second;
        SCOPED_TRACE(name);
        dialogs().clear();
        QFile::remove(output("a.wav"));
        tree().List4.setItems({a, b});
        select(SourceTree::SelectedMp3Text);
        QString said;
        // At the first turn of the event loop, with the first file under way.
        QTimer::singleShot(0, form.get(), [&] {
            stop();
            said = form->Label3->text();
        });
        form->CmdSelectAction_Click();
        waitForJob();
        EXPECT_EQ(said, QStringLiteral("Stopping after the current file..."));
        EXPECT_EQ(wavFrames(output("a.wav")), 20 * 44100);
        ASSERT_EQ(form->lastBatch().results.size(), 2);
        EXPECT_EQ(form->lastBatch().results[0].status, JobResult::Status::Completed);
        EXPECT_EQ(form->lastBatch().results[1].status, JobResult::Status::NotStarted);
        EXPECT_FALSE(QFile::exists(output("b.wav")));
        EXPECT_TRUE(tree().List1.contains(output("a.wav")));
        if (std::string_view(name) != "the guard") {
            EXPECT_TRUE(dialogs().messages().empty());
        } else {
            ASSERT_EQ(dialogs().messages().size(), 1u);
            EXPECT_EQ(dialogs().lastMessage()->text,
                      QStringLiteral("1 of 2 files could not be decoded:\n\n") + b +
                          QStringLiteral(": not started\n\nThe destination's disk has 10 MB "
                                         "free, below the stop level of 50 MB."));
        }
    }
}

TEST_F(DecodeBatch, QuittingTheApplicationEndsTheWaitAndTheBatch) {
    const QString a = sineMp3("a.mp3", 90, 300);
    const QString b = sineMp3("b.mp3", 5);
    tree().List4.setItems({a, b});
    select(SourceTree::SelectedMp3Text);
    form->CmdDecoder_Click();
    // The application's loop is told to end while the first file decodes; the program then
    // ends the window, as its entry does.
    QTimer::singleShot(0, form.get(), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    form.reset();

    EXPECT_FALSE(DecodingActive);
    EXPECT_LT(wavFrames(output("a.wav")), 90 * 44100);
    EXPECT_FALSE(QFile::exists(output("b.wav")));
}

TEST_F(DecodeBatch, DecodingNeverReplacesAFile) {
    // A lossless original of the same name already in the destination, and two MP3s of one
    // name from different folders.
    const QByteArray original = fixtures::wavBytes(fixtures::sine(250, 0.5));
    fixtures::writeFile(output("Song.wav"), original);
    const QString song = sineMp3("Song.mp3", 1, 440);
    ASSERT_TRUE(QDir(sources.path()).mkpath(QStringLiteral("other")));
    const QString twin = source("other/Song.mp3");
    fixtures::writeMp3(twin, fixtures::sine(1500, 1), 44100, 2, 128);
    tree().List4.setItems({song, twin});
    select(SourceTree::SelectedMp3Text);
    form->CmdDecoder_Click();
    waitForJob();

    EXPECT_EQ(fixtures::readFile(output("Song.wav")), original);
    EXPECT_NEAR(wavFrames(output("Song (2).wav")), 44100, 2304);
    EXPECT_NEAR(wavFrames(output("Song (3).wav")), 44100, 2304);
    EXPECT_EQ(form->Label2->text(), QStringLiteral("Destination:  ") + output("Song (3).wav"));
    EXPECT_EQ(DecodeOutputFile, output("Song (3).wav"));
    EXPECT_TRUE(tree().List1.contains(output("Song (2).wav")));
    EXPECT_TRUE(dialogs().messages().empty());
}

TEST_F(DecodeBatch, AWriteThatFailsPartwayIsReportedNotShownAsDone) {
    const QString big = sineMp3("big.mp3", 10);
    const QString small = sineMp3("small.mp3", 0.5);
    tree().List4.setItems({big, small});
    select(SourceTree::SelectedMp3Text);
    QStringList captions;
    QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged, [&](int) {
        captions << CurrentFile + QLatin1Char('=') + form->Label33->text();
    });

    // A full disk, as far as this process can tell: files may not grow past 200 kB.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 200 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    form->CmdDecoder_Click();
    waitForJob();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(captions.contains(big + QStringLiteral("=100 %")));
    EXPECT_TRUE(captions.contains(small + QStringLiteral("=100 %")));
    EXPECT_NEAR(wavFrames(output("small.wav")), 0.5 * 44100, 2304);
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const QString text = dialogs().lastMessage()->text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("1 of 2 files could not be decoded:")));
    EXPECT_TRUE(text.contains(big));
    EXPECT_TRUE(text.contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << text.toStdString();
    EXPECT_FALSE(text.contains(small));
}

TEST_F(DecodeBatch, ASingleFileThatCannotBeDecodedSaysWhyAtOnce) {
    fixtures::writeFile(source("words.mp3"),
                        QByteArray("no sound in here, only words").repeated(40));
    tree().List2.setItems({source("words.mp3")});
    const auto group = tree().findByText(SourceTree::Mp3Text);
    tree().setSelectedNode(
        tree().addNode(group, QStringLiteral("p words.mp3"), QStringLiteral("words.mp3"), 3, 6));
    form->CmdDecoder_Click();
    waitForJob();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().lastMessage()->title, QStringLiteral("Critical error..."));
    EXPECT_FALSE(dialogs().lastMessage()->text.isEmpty());
    EXPECT_FALSE(QFile::exists(output("words.wav")));
}

// WAV to MP3 to WAV through the program's own two batches keeps the length to the sample.
TEST_F(DecodeBatch, EncodedThenDecodedKeepsTheLengthToTheSample) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
    constexpr int frames = 441037; // neither whole MPEG frames nor whole seconds
    auto samples = fixtures::sine(660, static_cast<double>(frames) / 44100);
    samples.resize(static_cast<std::size_t>(frames) * 2);
    const QString wav = source("take.wav");
    fixtures::writeFile(wav, fixtures::wavBytes(samples));
    tree().List5.setItems({wav});
    select(SourceTree::SelectedWavText);
    form->cmdEncFile_Click();
    waitForJob();
    const QString mp3 = dest.filePath(QStringLiteral("take.mp3"));
    ASSERT_TRUE(QFile::exists(mp3));

    tree().List4.setItems({mp3});
    select(SourceTree::SelectedMp3Text);
    form->CmdDecoder_Click();
    waitForJob();
    EXPECT_EQ(wavFrames(output("take.wav")), frames);
    EXPECT_TRUE(dialogs().messages().empty());
}

} // namespace
