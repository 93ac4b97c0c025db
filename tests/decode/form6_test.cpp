// The hidden decoder window: one file from load to unload, its progress captions, and
// every way a file can end its wait.
#include "fixtures.h"
#include "mp3fixture.h"

#include "engine/decode/decoding.h"
#include "engine/decode/form6.h"
#include "engine/formats/wavreader.h"
#include "engine/platform/activemp3/activemp3.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class DecoderWindow : public testing::Test {
  protected:
    void SetUp() override { DecodingActive = false; }

    QString makeMp3(const char* name, double seconds, double hz = 1000) {
        const QString p = dir.filePath(QString::fromUtf8(name));
        fixtures::writeMp3(p, fixtures::sine(hz, seconds), 44100, 2, 128);
        return p;
    }
    // The WAV beside `mp3`, named after it.
    QString wavFor(const QString& mp3) const {
        return dir.filePath(QFileInfo(mp3).completeBaseName() + QStringLiteral(".wav"));
    }

    QTemporaryDir dir;
};

TEST_F(DecoderWindow, DecodesItsFileShowingProgressThenUnloads) {
    const QString mp3 = makeMp3("Song One.mp3", 20);
    Form6 window;
    window.setFile(mp3, wavFor(mp3));
    QSignalSpy progress(&window, &Form6::progressChanged);
    QSignalSpy unloaded(&window, &Form6::unloaded);
    window.Form_Load();
    EXPECT_TRUE(DecodingActive);
    EXPECT_TRUE(window.decodeStarted());
    EXPECT_TRUE(window.Timer2->isActive());

    ASSERT_TRUE(unloaded.wait(60000));
    EXPECT_TRUE(window.completed());
    EXPECT_FALSE(DecodingActive);
    EXPECT_FALSE(window.isLoaded());
    EXPECT_FALSE(window.Timer2->isActive());

    // The last caption is the full one, with its blank; any before it are whole percents.
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last().at(0).toString(), QStringLiteral("100 %"));
    EXPECT_EQ(progress.last().at(1).toInt(), 100);
    for (int i = 0; i + 1 < progress.size(); ++i) {
        const int value = progress.at(i).at(1).toInt();
        EXPECT_EQ(progress.at(i).at(0).toString(), QString::number(value) + QLatin1Char('%'));
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 100);
    }

    auto wav = readWavFormat(window.outputPath());
    ASSERT_TRUE(wav.ok());
    EXPECT_NEAR(static_cast<double>(wav->frameCount()), 20 * 44100, 2304);
}

TEST_F(DecoderWindow, SecondStartNeverRestartsOrRewritesTheOutput) {
    const QString mp3 = makeMp3("again.mp3", 60, 440);
    Form6 window;
    window.setFile(mp3, wavFor(mp3));
    QSignalSpy unloaded(&window, &Form6::unloaded);
    QSignalSpy finished(window.ActiveMP31, &ActiveMP3::decodingFinished);
    window.Form_Load();
    ASSERT_TRUE(window.decodeStarted());
    window.Timer1_Timer(); // the second start, while the first decode runs
    EXPECT_FALSE(window.Timer1->isActive());
    ASSERT_TRUE(unloaded.wait(60000));
    if (finished.isEmpty())
        finished.wait(5000);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 1); // one decode, ended once
    EXPECT_TRUE(finished.first().at(0).toBool());

    // After the decode is over, a late second start writes nothing.
    const QByteArray written = fixtures::readFile(window.outputPath());
    window.StartMP3();
    window.Timer1_Timer();
    EXPECT_FALSE(window.ActiveMP31->busy());
    EXPECT_EQ(fixtures::readFile(window.outputPath()), written);
    auto wav = readWavFormat(window.outputPath());
    ASSERT_TRUE(wav.ok());
    EXPECT_NEAR(static_cast<double>(wav->frameCount()), 60 * 44100, 2304);
}

TEST_F(DecoderWindow, FilesThatStartNothingUnloadAtOnce) {
    const QByteArray valid = fixtures::mp3Bytes(fixtures::sine(440, 1), 44100, 2, 128);
    fixtures::writeFile(dir.filePath(QStringLiteral("tiny.mp3")), valid.left(99));
    fixtures::writeFile(dir.filePath(QStringLiteral("junk.mp3")), QByteArray(5000, '\x55'));
    fixtures::writeFile(dir.filePath(QStringLiteral("empty.mp3")), QByteArray());
    for (const char* name : {"tiny.mp3", "junk.mp3", "empty.mp3", "missing.mp3"}) {
        SCOPED_TRACE(name);
        const QString mp3 = dir.filePath(QString::fromUtf8(name));
        DecodingActive = true; // as the batch sets it before loading the window
        Form6 window;
        window.setFile(mp3, wavFor(mp3));
        QSignalSpy unloaded(&window, &Form6::unloaded);
        window.Form_Load();
        EXPECT_EQ(unloaded.size(), 1);
        EXPECT_FALSE(DecodingActive);
        EXPECT_FALSE(window.decodeStarted());
        EXPECT_FALSE(QFile::exists(wavFor(mp3)));
        // Said, not hidden: the batch reports why nothing was decoded.
        EXPECT_FALSE(window.completed());
        EXPECT_FALSE(window.failure().isEmpty());
    }
}

TEST_F(DecoderWindow, UnloadMidFileLeavesAValidPartialWav) {
    const QString mp3 = makeMp3("cancelled.mp3", 120, 300);
    Form6 window;
    window.setFile(mp3, wavFor(mp3));
    window.Form_Load();
    ASSERT_TRUE(window.decodeStarted());
    window.Unload(); // what the cancel button does
    EXPECT_FALSE(window.completed());
    EXPECT_TRUE(window.failure().isEmpty()); // stopped on request, not failed
    EXPECT_FALSE(DecodingActive);
    EXPECT_FALSE(window.ActiveMP31->busy());
    const QByteArray bytes = fixtures::readFile(window.outputPath());
    ASSERT_GE(bytes.size(), 44);
    EXPECT_EQ(fixtures::le32(bytes, 40), static_cast<std::uint32_t>(bytes.size() - 44));
    EXPECT_LT(bytes.size() - 44, 120LL * 44100 * 4);
    window.Unload(); // a second unload is harmless
}

} // namespace
