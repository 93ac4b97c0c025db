// The main window's two-step extraction: each track played on the CD while the sound card
// records it, then encoded when MP3 output is chosen.
#include "engine/cd/capturejob.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/riplog.h"
#include "engine/cd/trackpaths.h"
#include "engine/core/jobstate.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/encode/mp3tagging.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/mci/mci.h"
#include "engine/platform/nativepath.h"
#include "engine/service/conversionservice.h"
#include "engine/service/windowbatch.h"
#include "window/main/encodefile.h"
#include "window/main/form1.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <memory>

TrackSpan Form1::trackSpan(int track) const {
    return TrackSpan::of(track, static_cast<int>(LeadingNumber(lblNumTracks->text())),
                         trackLengthsMs);
}

namespace {

// What became of one recorded track: the files it left and its loudness.
struct Recorded {
    QString wav; // empty once deleted
    QString mp3;
    std::shared_ptr<const LoudnessMeter> loudness;
};

} // namespace

void Form1::StartTrackRecording2(int trackNumber) {
    StopRequested = false;

    // This track first, then the entries after the one worked on.
    QList<int> tracks{trackNumber};
    const MirrorList& lstRecord = tree().lstRecord;
    if (lstRecord.count() > 1)
        for (int k = lstRecordIndex + 1; k < lstRecord.count(); ++k)
            tracks.append(TrackNumberOf(lstRecord.at(k)));
    QList<WorkItem> items;
    QSet<QString> taken;
    auto spans = std::make_shared<std::vector<TrackSpan>>();
    for (const int track : tracks) {
        spans->push_back(trackSpan(track));
        const QString path =
            drawTrackPath(DecodePath, lblCDID->text(), track, QStringLiteral(".wav"), taken);
        taken.insert(path);
        items.append(WorkItem{QString(), path, static_cast<int>(items.size())});
    }
    auto outputs = std::make_shared<std::vector<QString>>(items.size());
    std::vector<Recorded> recorded(items.size());
    // The tags of the MP3s: the disc's information, the number against its last audio track.
    const DiscInfo disc = discInfo();
    int lastAudio = 0;
    for (const int number : listedDisc_.tracks)
        if (std::find(listedDisc_.dataTracks.begin(), listedDisc_.dataTracks.end(), number) ==
            listedDisc_.dataTracks.end())
            lastAudio = number;

    const CaptureFormat format = CaptureFormat::fromPreference(AudioFormat);
    ConversionBatch work;
    work.kind = ConversionKind::Capture;
    work.settings = conversionSettings();
    work.settings.filesAtOnce = 1;
    work.items = items;
    work.makeJob = [this, spans, outputs, format] {
        return std::make_unique<CaptureJob>(spans, outputs, format, tmrRecord,
                                            [this] { return Check9->isChecked(); });
    };
    // What a recording takes, for the disk-space guard's check before each track.
    work.expectedOutputBytes = [spans, format](const WorkItem& item) {
        const TrackSpan& span = (*spans)[static_cast<std::size_t>(item.index)];
        return (span.endMs - span.startMs) * format.bytesPerSecond / 1000 + 44;
    };
    WindowBatch batch = fileBatch(QStringLiteral("recorded"), [this, tracks](const WorkItem& item) {
        const int track = tracks[item.index];
        currentTrackNumber = track;
        if (item.index > 0)
            ++lstRecordIndex;
        recordEndMs = trackSpan(track).endMs;
        Command2->setVisible(true);
        CurrentFile = item.output;
        const QString caption = QStringLiteral("Extracting Track %1").arg(track);
        setWindowTitle(caption);
        Label3->setText(caption);
        Label2->setText(QStringLiteral("Destination: ") + item.output);
    });
    batch.progress = [this](const QString& caption, int percent) {
        Label33->setText(caption);
        ProgressBar1->setValue(percent);
    };
    batch.itemFinished = [this, outputs, tracks, &recorded, &disc,
                          lastAudio](const WorkItem& item,
                                     const JobResult& result) -> std::optional<QString> {
        Check9->setChecked(false);
        tmrWarning->stop();
        if (!result.alert.isEmpty()) {
            // A device error: nothing was recorded, and the batch ends here.
            dialogs::msgBox(result.alert, dialogs::Buttons::Ok, dialogs::Icon::Critical);
            conversions().stop();
            return std::nullopt;
        }
        const auto at = static_cast<std::size_t>(item.index);
        Recorded& done = recorded[at];
        done.wav = (*outputs)[at];
        if (result.status == JobResult::Status::Failed || done.wav.isEmpty())
            return std::nullopt; // named in the message at the end
        done.loudness = measureWav(done.wav);
        if (conversions().isStopped() || result.status != JobResult::Status::Completed ||
            !optMP3->isChecked()) {
            // A stopped recording is kept as it is; a complete one, with WAV output, is listed
            // as well.
            tree().Cmaddfile2(done.wav);
            return std::nullopt;
        }
        std::optional<QString> problem = encodeRecording(done.wav, &done.mp3);
        if (!nativepath::exists(done.wav))
            done.wav.clear();
        if (done.mp3.isEmpty())
            return problem;
        id3tag::TagFields tags = trackTags(disc, tracks[item.index], lastAudio);
        setReplayGain(tags, done.loudness ? done.loudness->replayGain() : std::nullopt,
                      std::nullopt);
        if (const auto tagged = id3tag::writeTag(done.mp3, tags); !tagged && !problem)
            problem = tagged.error().description();
        return problem;
    };
    Disablem();
    const QString formatText =
        QStringLiteral("WAV, %1 Hz, 16-bit, %2")
            .arg(QLocale(QLocale::English).toString(format.samplesPerSecond))
            .arg(format.channels == 1 ? QStringLiteral("mono") : QStringLiteral("stereo")) +
        (optMP3->isChecked() ? QStringLiteral(", then encoded to MP3") : QString());
    riplog::Log log = riplog::begin(cddrives::mediaDrive(), riplog::ReadMode::RealTime, formatText,
                                    lblCDID->text());
    log.disc = disc;
    const BatchReport report = runWindowBatch(conversions(), std::move(batch), std::move(work));

    // The album's gain over the tracks recorded whole goes into each MP3 made of them.
    std::vector<const LoudnessMeter*> whole;
    for (qsizetype i = 0; i < report.results.size(); ++i)
        if (report.results[i].status == JobResult::Status::Completed &&
            recorded[static_cast<std::size_t>(i)].loudness)
            whole.push_back(recorded[static_cast<std::size_t>(i)].loudness.get());
    log.albumGain = LoudnessMeter::albumGain(whole);
    QStringList untagged;
    log.tracksAsked = static_cast<int>(report.items.size());
    for (qsizetype i = 0; i < report.items.size(); ++i) {
        const JobResult& result = report.results[i];
        const Recorded& done = recorded[static_cast<std::size_t>(i)];
        if (log.albumGain && !done.mp3.isEmpty() && result.status == JobResult::Status::Completed) {
            id3tag::TagFields tags = trackTags(disc, tracks[i], lastAudio);
            setReplayGain(tags, done.loudness ? done.loudness->replayGain() : std::nullopt,
                          log.albumGain);
            if (const auto tagged = id3tag::writeTag(done.mp3, tags); !tagged)
                untagged << tagged.error().description();
        }
        std::int32_t start = 0;
        std::int32_t end = 0;
        for (const riplog::TocTrack& t : log.toc)
            if (t.number == tracks[i]) {
                start = t.startLba;
                end = t.startLba + t.sectors;
            }
        riplog::Track entry = riplog::trackOf(tracks[i], done.mp3.isEmpty() ? done.wav : done.mp3,
                                              start, end, nullptr, result.status, result.reason);
        if (const TrackInfo* info = disc.track(tracks[i]))
            entry.title = info->title;
        if (done.loudness)
            entry.gain = done.loudness->replayGain();
        log.tracks.push_back(entry);
    }
    if (!untagged.isEmpty() && !report.endedFromOutside)
        dialogs::msgBox(QStringLiteral("The album's ReplayGain could not be written into:\n") +
                            untagged.join(QLatin1Char('\n')),
                        dialogs::Buttons::Ok, dialogs::Icon::Critical);
    if (!log.tracks.empty() && !report.endedFromOutside)
        riplog::writeOrSay(QFileInfo(report.items.front().output).absolutePath(), log);
    recordBatch(report);
    recordEndMs = 0;
    tmrRecord->stop();
    Enablem();
    ResetStatus();
}

std::optional<QString> Form1::encodeRecording(const QString& wavPath, QString* mp3Path) {
    const QString base = BaseName(wavPath);
    setWindowTitle(QStringLiteral("Encoding ") + base + QStringLiteral(".wav"));
    Label3->setText(QStringLiteral("Encoding ") + wavPath);
    Label2->setText(QStringLiteral("Destination:  ") + DecodePath + QLatin1Char('/') + base +
                    QStringLiteral(".mp3"));
    lblStatus->clear();
    QCoreApplication::processEvents();
    EncodeFileControls controls;
    controls.Label33 = Label33;
    controls.ProgressBar1 = ProgressBar1;
    controls.Command2 = Command2;
    controls.window = this; // the caption, and the tray's tip with it, follow the progress
    const EncodeFileOutcome outcome = EncodeFile(wavPath, controls);
    if (!outcome.mp3Path.isEmpty())
        tree().Cmaddfile2(outcome.mp3Path);
    if (mp3Path && outcome.result == EncodeFileResult::Completed)
        *mp3Path = outcome.mp3Path;
    ResetStatus();
    // The recording goes only once its MP3 is complete.
    if (DeleteWav == 1 && wavPath.endsWith(QLatin1String(".wav")) &&
        outcome.result == EncodeFileResult::Completed) {
        if (const auto error = tree().DeleteFileAndNode(wavPath))
            return wavPath + QStringLiteral(": encoded, but the WAV could not be deleted: ") +
                   error->description();
        return std::nullopt;
    }
    tree().Cmaddfile2(wavPath);
    return std::nullopt;
}

void Form1::cmdCancel_Click() {
    recordEndMs = 0;
    tmrWarning->stop();
    conversions().abort();
    BatchRunner::cancelRunning();
}

void Form1::Command11_Click() {
    const TrackSpan span = trackSpan(currentTrackNumber);
    mci::send(QStringLiteral("open cdaudio alias cd"));
    mci::send(QStringLiteral("set cd time format milliseconds"));
    mci::send(QStringLiteral("play cd from %1").arg(span.startMs));
}

void Form1::Command12_Click() {
    for (const char* command : {"stop capture", "stop cd", "close capture", "close cd"})
        mci::send(QString::fromLatin1(command));
}
