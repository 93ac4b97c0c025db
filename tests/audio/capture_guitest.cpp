// Two-step extraction through the sound card: a disc image played on the private server's
// null sink while its monitor is recorded.
#include "cdformtest.h"
#include "discimage.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "riplogtext.h"

#include "engine/cd/capturejob.h"
#include "engine/cd/modakrip32.h"
#include "engine/formats/outputfile.h"
#include "engine/pipeline/source.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/id3tag/audiotags.h"
#include "engine/platform/id3tag/id3tag.h"
#include "engine/platform/mci/mci.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <csignal>

#include <sys/resource.h>

namespace {

// Long enough that the 100 ms watch of the play position and the output's latency stay
// well inside 2% of a track.
constexpr double trackSeconds = 20.0;
constexpr double shortSeconds = 2.0;
constexpr double sourceRms = 16000.0 / std::numbers::sqrt2; // the image's sines

double rms(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (const std::int16_t s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

struct Wav {
    int channels = 0;
    std::vector<std::int16_t> samples;
    double seconds() const { return channels ? double(samples.size()) / channels / 44100.0 : 0.0; }
};

Wav readWav(const QString& path) {
    const QByteArray bytes = fixtures::readFile(path);
    Wav wav;
    if (bytes.size() < 44)
        return wav;
    wav.channels = fixtures::le16(bytes, 22);
    wav.samples.resize(std::size_t(bytes.size() - 44) / 2);
    std::memcpy(wav.samples.data(), bytes.constData() + 44, wav.samples.size() * 2);
    return wav;
}

// A file of any format as the program's reader decodes it, in 16 bits.
Wav decodeAny(const QString& path, int& rate) {
    Wav wav;
    auto source = pipeline::openSource(path);
    if (!source)
        return wav;
    const pipeline::AudioFormat format = source.value()->format();
    rate = format.sampleRate;
    wav.channels = format.channels;
    std::vector<std::int32_t> block(std::size_t(4096) * std::size_t(format.channels));
    while (true) {
        const auto frames = source.value()->read(block.data(), 4096);
        if (!frames || frames.value() == 0)
            break;
        for (std::size_t i = 0; i < std::size_t(frames.value()) * std::size_t(format.channels); ++i)
            wav.samples.push_back(std::int16_t(format.bitsPerSample > 16
                                                   ? block[i] >> (format.bitsPerSample - 16)
                                                   : block[i] << (16 - format.bitsPerSample)));
    }
    return wav;
}

// The tone was recorded whole: its length, and the frequency and level of its middle
// second, away from the edges of the recording.
void expectTrack(const std::vector<std::int16_t>& samples, int channels, double seconds,
                 double frequency) {
    // A busy machine may pause the sound a moment, and the recording runs on through the
    // pause: the pauses are left out of the measures.
    EXPECT_NEAR(fixtures::heardTone(samples, 44100, channels, 3000).seconds, seconds,
                seconds * 0.02);
    const std::size_t second = std::size_t(44100) * channels;
    const std::size_t from = samples.size() / 2 - second / 2;
    ASSERT_GT(samples.size(), from + second);
    const std::vector<std::int16_t> middle(samples.begin() + std::ptrdiff_t(from),
                                           samples.begin() + std::ptrdiff_t(from + second));
    const auto tone = fixtures::heardTone(middle, 44100, channels, 3000);
    EXPECT_NEAR(tone.frequency, frequency, frequency * 0.01);
    EXPECT_NEAR(20 * std::log10(tone.rms / sourceRms), 0.0, 1.0);
}

class CaptureTest : public CdFormTest {
  protected:
    void SetUp() override {
        CdFormTest::SetUp();
        setting(SettingKey::AudioFormat, 1);
        setting(SettingKey::DeleteWav, 0);
    }
    static void setting(SettingKey key, int value) { WriteSetting(key, QString::number(value)); }
    // Two tracks of `seconds` each, 440 Hz then 1000 Hz, in the only drive, with CD-Text.
    Form1& loadTwoStep(double seconds) {
        const int sectors = int(seconds * 75);
        DiscImageOptions options;
        options.title = QStringLiteral("Night Drive");
        options.performer = QStringLiteral("Ann Vale");
        image = disc(
            QStringLiteral("disc"),
            {{sectors, 440.0, QStringLiteral("Low")}, {sectors, 1000.0, QStringLiteral("High")}},
            options);
        Form1& w = load();
        w.Chk2Stage->setChecked(false);
        w.Chk2Stage_Click();
        return w;
    }
    DiscImage image;
};

TEST(CaptureSpan, TracksStartWhereTheTracksBeforeThemEnd) {
    const std::vector<std::int32_t> lengths{0, 200000, 180000, 90000};
    EXPECT_EQ(TrackSpan::of(1, 3, lengths).startMs, 0);
    const TrackSpan third = TrackSpan::of(3, 3, lengths);
    EXPECT_EQ(third.startMs, 380000);
    EXPECT_EQ(third.endMs, 470000);
    EXPECT_EQ(CaptureFormat::fromPreference(0).setCommand(),
              QStringLiteral("set capture samplespersec 44100 channels 1 bitspersample 16 "
                             "alignment 2 bytespersec 88200"));
    EXPECT_EQ(CaptureFormat::fromPreference(7).channels, 0u);
}

// How far the saved recording of a track may stand from the track's first and last samples,
// in sample frames: 3 ms. The job places each edge by the play and recording positions, read
// in whole milliseconds and averaged; the server's clocks of the two streams agree to well
// under a millisecond.
constexpr int edgeToleranceFrames = 3 * 44100 / 1000;

// A recording of track 2 alone holds the track from its first sample to its last: a tone
// burst stands at each of the track's edges, between silent neighbours, and where the bursts
// land in the saved WAV tells where it starts and ends against the track.
TEST_F(CaptureTest, RecordingHoldsTheTrackFromItsFirstSampleToItsLast) {
    constexpr int trackFrames = 3 * 44100;
    constexpr int burstFrames = 30 * 44100 / 1000; // 2,205 Hz: 20 frames a cycle
    DiscImage edges = disc(QStringLiteral("edges"), {{75, 0.0}, {3 * 75, 0.0}, {75, 0.0}});
    QByteArray audio(edges.audio.size(), '\0');
    auto put = [&audio](int frame, std::int16_t value) {
        for (int channel = 0; channel < 2; ++channel) {
            const auto at = std::size_t(frame) * 4 + std::size_t(channel) * 2;
            audio[qsizetype(at)] = char(value & 0xFF);
            audio[qsizetype(at + 1)] = char((value >> 8) & 0xFF);
        }
    };
    const int trackStart = edges.trackStartLba[1] * 588;
    for (int n = 0; n < burstFrames; ++n) {
        const auto value = std::int16_t(std::lround(16000 * std::sin(std::numbers::pi * n / 10)));
        put(trackStart + n, value);
        put(trackStart + trackFrames - burstFrames + n, value);
    }
    replaceData(edges, audio);

    const std::vector<std::int32_t> lengthsMs{0, 1000, 3000, 1000};
    auto spans = std::make_shared<const std::vector<TrackSpan>>(
        std::vector<TrackSpan>{TrackSpan::of(2, 3, lengthsMs)});
    auto outputs = std::make_shared<std::vector<QString>>(1);
    CaptureJob job(spans, outputs, CaptureFormat::fromPreference(1));
    bool finished = false;
    QObject::connect(&job, &FileJob::finished, [&finished] { finished = true; });
    job.start(WorkItem{QString(), dest.filePath(QStringLiteral("edges.wav")), 0});
    ASSERT_TRUE(QTest::qWaitFor([&finished] { return finished; }, 30000));
    ASSERT_EQ(job.result().status, JobResult::Status::Completed)
        << job.result().reason.toStdString();

    const Wav wav = readWav((*outputs)[0]);
    ASSERT_EQ(wav.channels, 2);
    const auto length = std::ptrdiff_t(wav.samples.size() / 2);
    // The bursts: runs of loud samples (a sine is quiet for a sample or two at each zero).
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> bursts;
    for (std::ptrdiff_t i = 0; i < length; ++i)
        if (std::abs(wav.samples[std::size_t(i) * 2]) > 4000) {
            if (bursts.empty() || i - bursts.back().second > 20)
                bursts.emplace_back(i, i + 1);
            bursts.back().second = i + 1;
        }
    ASSERT_EQ(bursts.size(), 2u) << "the recording of " << length << " frames does not hold "
                                 << "the track's two bursts whole";
    // Frames recorded before the track's first sample (negative: the track's start is
    // missing), and after its last (negative: its end is missing). A pause of the sound
    // between them (a busy machine) lengthens the recording, not its edges.
    const std::ptrdiff_t early = bursts[0].second - burstFrames;
    const std::ptrdiff_t past = length - (bursts[1].first + burstFrames);
    EXPECT_LE(std::abs(early), edgeToleranceFrames) << early << " frames";
    EXPECT_LE(std::abs(past), edgeToleranceFrames) << past << " frames";
    EXPECT_GE(length, trackFrames - 2 * edgeToleranceFrames);
}

TEST_F(CaptureTest, TracksToMp3KeepOnlyTheMp3WhenWavsAreDeleted) {
    setting(SettingKey::DeleteWav, 1);
    Form1& w = loadTwoStep(trackSeconds);
    EXPECT_EQ(w.Chk2Stage->text(), QStringLiteral("2 Step Extraction"));
    select(SourceTree::AvailableTracksText);
    QStringList titles;
    QObject::connect(&w, &QWidget::windowTitleChanged,
                     [&titles](const QString& title) { titles << title; });
    w.CmdSelectAction_Click();
    waitForJob();

    // While each recording is encoded, the caption shows the encoder's progress.
    EXPECT_FALSE(
        titles.filter(QRegularExpression(QStringLiteral("^\\d+\\.\\d% - Encoding "))).isEmpty())
        << titles.join(QLatin1Char('|')).toStdString();
    const QStringList wavs = outputs();
    ASSERT_EQ(wavs.size(), 2);
    const double frequencies[2] = {440.0, 1000.0};
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(QFileInfo::exists(wavs[i])) << "kept " << wavs[i].toStdString();
        const QString mp3 = wavs[i].left(wavs[i].size() - 4) + QStringLiteral(".mp3");
        const auto decoded = mp3decode::decodeFile(mp3);
        ASSERT_TRUE(decoded.ok) << mp3.toStdString();
        expectTrack(decoded.samples, decoded.channels, trackSeconds, frequencies[i]);
        EXPECT_NE(tree().findByText(mp3), 0u);
        // Its tag is the disc's information, with the track's and the album's gain.
        QStringList frames;
        const auto tag = id3tag::readFrames(mp3);
        ASSERT_TRUE(tag.ok());
        for (const id3tag::Frame& f : tag.value())
            frames << f.id + QLatin1Char(' ') + f.text;
        EXPECT_TRUE(
            frames.contains(i == 0 ? QStringLiteral("TIT2 Low") : QStringLiteral("TIT2 High")))
            << frames.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(frames.contains(QStringLiteral("TPE1 Ann Vale")));
        EXPECT_TRUE(frames.contains(QStringLiteral("TALB Night Drive")));
        EXPECT_TRUE(frames.contains(QStringLiteral("TRCK %1/2").arg(i + 1)));
        EXPECT_EQ(frames.filter(QStringLiteral("[REPLAYGAIN_ALBUM_GAIN]")).size(), 1);
        EXPECT_EQ(frames.filter(QStringLiteral("[REPLAYGAIN_TRACK_GAIN]")).size(), 1);
    }
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_FALSE(w.tmrRecord->isActive());
    // The log names the MP3s, which are what was kept.
    const QString log = riplogtext::ripLog(dest.path());
    EXPECT_TRUE(log.contains(QStringLiteral("File: ") + wavs[0].left(wavs[0].size() - 4) +
                             QStringLiteral(".mp3\n")))
        << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("File: ") + wavs[0] + QLatin1Char('\n')));
    EXPECT_TRUE(log.contains(QStringLiteral("ReplayGain album gain: ")));
}

// "Extract to" FLAC with Opus beside it: each recording is converted to both, and each file
// tagged with the disc's information and both gains. With the delete rule, the recording goes
// once both are made; the log names the FLACs.
TEST_F(CaptureTest, TracksToFlacAndOpusAreConvertedFromEachRecording) {
    setting(SettingKey::DeleteWav, 1);
    Form1& w = loadTwoStep(shortSeconds);
    w.optFLAC->click();
    w.chkAlsoOpus->click();
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();

    for (const dialogs::Message& message : dialogs().messages())
        ADD_FAILURE() << message.text.toStdString();
    const QStringList wavs = outputs();
    ASSERT_EQ(wavs.size(), 2);
    const double frequencies[2] = {440.0, 1000.0};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(w.lastBatch().results[i].status, JobResult::Status::Completed);
        EXPECT_FALSE(QFileInfo::exists(wavs[i])) << "kept " << wavs[i].toStdString();
        const QString base = wavs[i].left(wavs[i].size() - 3);
        for (const QString& extension : {QStringLiteral("flac"), QStringLiteral("opus")}) {
            const QString path = base + extension;
            int rate = 0;
            const Wav decoded = decodeAny(path, rate);
            ASSERT_FALSE(decoded.samples.empty()) << path.toStdString();
            const auto heard = fixtures::heardTone(decoded.samples, rate, decoded.channels, 3000);
            EXPECT_NEAR(heard.seconds, shortSeconds, 0.25) << path.toStdString();
            EXPECT_NEAR(heard.frequency, frequencies[i], frequencies[i] * 0.01);
            const auto tags = audiotags::read(path);
            ASSERT_TRUE(tags.ok()) << path.toStdString();
            EXPECT_EQ(tags->title, i == 0 ? QStringLiteral("Low") : QStringLiteral("High"));
            EXPECT_EQ(tags->album, QStringLiteral("Night Drive"));
            EXPECT_EQ(tags->trackNumber, i + 1);
            EXPECT_TRUE(tags->trackGain.has_value()) << path.toStdString();
            EXPECT_TRUE(tags->albumGain.has_value()) << path.toStdString();
            EXPECT_NE(tree().findByText(path), 0u) << path.toStdString();
        }
    }
    const QString log = riplogtext::ripLog(dest.path());
    EXPECT_TRUE(log.contains(QStringLiteral("File: ") + wavs[0].left(wavs[0].size() - 3) +
                             QStringLiteral("flac\n")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("then encoded to FLAC and Opus")));
}

// Into a folder whose paths are longer than a short reply takes: each recording is made there
// and takes its name, leaving nothing unfinished behind.
TEST_F(CaptureTest, TracksToMonoWavs) {
    setting(SettingKey::AudioFormat, 0);
    const QString folder = dest.filePath(QString(80, QLatin1Char('d')));
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteSetting(SettingKey::DecodePath, folder);
    Form1& w = loadTwoStep(shortSeconds);
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();

    const QStringList wavs = outputs();
    ASSERT_EQ(wavs.size(), 2);
    for (const JobResult& result : w.lastBatch().results)
        EXPECT_EQ(result.status, JobResult::Status::Completed) << result.reason.toStdString();
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(outputfile::isTemporaryName(name)) << name.toStdString();
    const Wav second = readWav(wavs[1]);
    EXPECT_EQ(second.channels, 1);
    // Short tracks: the 100 ms watch of the position allows a tenth of a second more.
    const auto heard = fixtures::heardTone(second.samples, 44100, 1, 3000);
    EXPECT_NEAR(heard.seconds, shortSeconds, 0.25);
    EXPECT_NEAR(heard.frequency, 1000.0, 10.0);
    EXPECT_TRUE(dialogs().messages().empty());
    // The first track's recording ends before the second track's sound: the disc stops at
    // the track's end.
    const Wav first = readWav(wavs[0]);
    ASSERT_GT(first.samples.size(), 44100u / 12);
    const std::vector<std::int16_t> tail(first.samples.end() - 44100 / 12, first.samples.end());
    EXPECT_FALSE(rms(tail) > 500 &&
                 std::abs(fixtures::dominantFrequency(tail, 44100, 1) - 1000.0) < 50.0);
    // Recordings made whole are listed.
    for (const QString& wav : wavs)
        EXPECT_NE(tree().findByText(wav), 0u) << wav.toStdString();
}

TEST_F(CaptureTest, StopDuringTheFirstTrackKeepsWhatWasRecorded) {
    Form1& w = loadTwoStep(shortSeconds);
    bool stopped = false;
    QObject::connect(w.ProgressBar1, &QProgressBar::valueChanged, &w, [&](int percent) {
        if (!stopped && percent >= 30) {
            stopped = true;
            w.Command8_Click();
        }
    });
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();

    ASSERT_TRUE(stopped);
    const QList<JobResult>& results = w.lastBatch().results;
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0].status, JobResult::Status::Cancelled) << results[0].reason.toStdString();
    EXPECT_EQ(results[1].status, JobResult::Status::NotStarted);
    const Wav partial = readWav(outputs()[0]);
    EXPECT_GT(partial.seconds(), 0.3);
    EXPECT_LT(partial.seconds(), shortSeconds * 0.9);
    EXPECT_NE(tree().findByText(outputs()[0]), 0u);
    EXPECT_FALSE(
        QFileInfo::exists(outputs()[0].left(outputs()[0].size() - 4) + QStringLiteral(".mp3")));
}

// Start returns while the first track is recorded; the abort reaches the recording through the
// window's conversions, keeps what was recorded and records nothing more.
TEST_F(CaptureTest, StartReturnsAtOnceAndAbortKeepsWhatWasRecorded) {
    Form1& w = loadTwoStep(shortSeconds);
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    EXPECT_TRUE(w.isJobRunning());
    EXPECT_TRUE(w.lastBatch().items.isEmpty());
    EXPECT_FALSE(w.CmdSelectAction->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.ProgressBar1->value() >= 30; }, 20000));
    w.Command2_Click();
    waitForJob();

    const QList<JobResult>& results = w.lastBatch().results;
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0].status, JobResult::Status::Cancelled);
    EXPECT_EQ(results[1].status, JobResult::Status::NotStarted);
    EXPECT_GT(readWav(outputs()[0]).seconds(), 0.3);
    EXPECT_NE(tree().findByText(outputs()[0]), 0u);
    EXPECT_FALSE(QFileInfo::exists(outputs()[1]));
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
}

// The abort while a recording is encoded ends the encode early: the recording is kept (the
// delete rule takes only a recording whose MP3 is complete) and listed, and no further track is
// recorded.
TEST_F(CaptureTest, AbortDuringARecordingsEncodeKeepsTheRecording) {
    setting(SettingKey::DeleteWav, 1);
    Form1& w = loadTwoStep(trackSeconds);
    bool aborted = false;
    QObject::connect(&w, &QWidget::windowTitleChanged, &w, [&w, &aborted](const QString& title) {
        if (!aborted && title.contains(QStringLiteral("% - Encoding "))) {
            aborted = true;
            w.Command2_Click();
        }
    });
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();

    ASSERT_TRUE(aborted);
    const QList<JobResult>& results = w.lastBatch().results;
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0].status, JobResult::Status::Completed);
    EXPECT_EQ(results[1].status, JobResult::Status::NotStarted);
    const QString wav = outputs()[0];
    EXPECT_TRUE(QFileInfo::exists(wav));
    EXPECT_NE(tree().findByText(wav), 0u);
    const auto decoded = mp3decode::decodeFile(wav.left(wav.size() - 4) + QStringLiteral(".mp3"));
    if (decoded.ok) {
        EXPECT_LT(decoded.seconds(), trackSeconds * 0.9);
    }
    EXPECT_FALSE(QFileInfo::exists(outputs()[1]));
}

// A recording whose file can take no more (a file-size limit stands for a full disk) keeps
// what it holds, and its track is not counted as done.
TEST_F(CaptureTest, RecordingThatRunsOutOfRoomIsNotCountedAsDone) {
    setting(SettingKey::AudioFormat, 0);
    Form1& w = loadTwoStep(shortSeconds);
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    w.CmdSelectAction_Click();
    waitForJob();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    const QList<JobResult>& results = w.lastBatch().results;
    ASSERT_FALSE(results.isEmpty());
    EXPECT_EQ(results[0].status, JobResult::Status::Failed);
    EXPECT_TRUE(results[0].reason.contains(QStringLiteral("stopped before the track's end")))
        << results[0].reason.toStdString();
    const Wav kept = readWav(outputs()[0]);
    EXPECT_GT(kept.seconds(), 0.1);
    EXPECT_LT(kept.seconds(), 1.0);
}

TEST_F(CaptureTest, NoAudioServerIsSaidAndNothingIsWritten) {
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/vortan/native");
    Form1& w = loadTwoStep(shortSeconds);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    qputenv("PULSE_SERVER", server);

    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().messages()[0].text, QStringLiteral("Error opening waveaudio"));
    EXPECT_EQ(dialogs().messages()[0].icon, dialogs::Icon::Critical);
    for (const QString& path : outputs())
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_FALSE(w.tmrRecord->isActive());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
}

} // namespace
