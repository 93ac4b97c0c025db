// The main window's two-step extraction: each track played on the CD while the sound card
// records it, then encoded to each other format chosen (MP3, FLAC, Opus).
#include "engine/cd/capturejob.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/riplog.h"
#include "engine/cd/trackpaths.h"
#include "engine/core/jobstate.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/encode/mp3tagging.h"
#include "engine/formats/clsfileio.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/id3tag/audiotags.h"
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
#include <cerrno>
#include <map>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

TrackSpan Form1::trackSpan(int track) const {
    return TrackSpan::of(track, listedDisc_.toc ? listedDisc_.toc->trackCount() : 0,
                         trackLengthsMs);
}

namespace {

// The last audio track of the disc listed: the tags number the tracks against it.
int lastAudioTrack(const std::vector<int>& tracks, const std::vector<int>& dataTracks) {
    int lastAudio = 0;
    for (const int number : tracks)
        if (std::find(dataTracks.begin(), dataTracks.end(), number) == dataTracks.end())
            lastAudio = number;
    return lastAudio;
}

// "WAV, 44,100 Hz, 16-bit, stereo", then the formats each recording is encoded to (", then
// encoded to MP3 and FLAC").
QString recordingFormatText(const CaptureFormat& format,
                            const std::vector<pipeline::OutputFormat>& encodedTo) {
    QString text = QCoreApplication::translate("Form1", "WAV, %1 Hz, 16-bit, %2")
                       .arg(QLocale(QLocale::English).toString(format.samplesPerSecond))
                       .arg(format.channels == 1 ? QCoreApplication::translate("Form1", "mono")
                                                 : QCoreApplication::translate("Form1", "stereo"));
    for (std::size_t k = 0; k < encodedTo.size(); ++k)
        text += (k == 0 ? QCoreApplication::translate("Form1", ", then encoded to ")
                 : k + 1 == encodedTo.size() ? QCoreApplication::translate("Form1", " and ")
                                             : QStringLiteral(", ")) +
                pipeline::displayNameOf(encodedTo[k]);
    return text;
}

} // namespace

// One two-step extraction, from the Start click to the batch's end: the choices taken when it
// started and what became of each track. GUI thread.
struct TwoStepRecording {
    // What became of one recorded track: the files it left and its loudness.
    struct Recorded {
        QString wav; // empty once deleted
        QString mp3;
        // The FLAC and Opus files made of it, by format.
        std::map<pipeline::OutputFormat, QString> converted;
        std::shared_ptr<const LoudnessMeter> loudness;
        // The file the log names: that of the "Extract to" format when it was made, else the
        // recording.
        QString mainFile(pipeline::OutputFormat main) const {
            if (main == pipeline::OutputFormat::Mp3 && !mp3.isEmpty())
                return mp3;
            const auto found = converted.find(main);
            if (found != converted.end())
                return found->second;
            return mp3.isEmpty() ? wav : mp3;
        }
    };

    QList<int> tracks; // by item
    std::shared_ptr<std::vector<TrackSpan>> spans = std::make_shared<std::vector<TrackSpan>>();
    // Where each recording was saved, by item (filled by the capture jobs).
    std::shared_ptr<std::vector<QString>> outputs = std::make_shared<std::vector<QString>>();
    std::vector<Recorded> recorded; // by item
    ConversionSettings settings;
    CaptureFormat format;
    // The formats each recording is encoded to, MP3 first (EncodeFile), then FLAC and Opus
    // (the conversion pipeline), in the order chosen.
    std::vector<pipeline::OutputFormat> encodedTo;
    pipeline::OutputFormat mainFormat = pipeline::OutputFormat::Wav; // "Extract to"
    DiscInfo disc;
    int lastAudio = 0;
    riplog::Log log;
};

namespace {

// The tags of recording `at`: the disc's information and the gains.
id3tag::TagFields recordingTags(const TwoStepRecording& run, std::size_t at,
                                const std::optional<ReplayGain>& albumGain) {
    const TwoStepRecording::Recorded& recorded = run.recorded[at];
    id3tag::TagFields tags =
        trackTags(run.disc, run.tracks[static_cast<qsizetype>(at)], run.lastAudio);
    setReplayGain(tags, recorded.loudness ? recorded.loudness->replayGain() : std::nullopt,
                  albumGain);
    return tags;
}

// Writes `tags` into the finished FLAC or Opus file `path`. What went wrong, or nothing.
std::optional<QString> tagConverted(const QString& path, pipeline::OutputFormat format,
                                    const id3tag::TagFields& tags) {
    const int fd = ::open(nativepath::encode(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("%1: %2").arg(path, fileErrorText(errno));
    const std::optional<VortanError> failure =
        audiotags::write(fd, path,
                         format == pipeline::OutputFormat::Flac ? audiotags::Container::Flac
                                                                : audiotags::Container::Opus,
                         audiotags::fromTagFields(tags));
    const int closeError = ::close(fd) != 0 && errno != EINTR ? errno : 0;
    if (failure)
        return failure->description();
    if (closeError)
        return QStringLiteral("%1: %2").arg(path, fileErrorText(closeError));
    return std::nullopt;
}

// Writes the tags of every file made of recording `at`. What went wrong, or nothing.
std::optional<QString> tagRecording(const TwoStepRecording& run, std::size_t at,
                                    const std::optional<ReplayGain>& albumGain) {
    const TwoStepRecording::Recorded& recorded = run.recorded[at];
    const id3tag::TagFields tags = recordingTags(run, at, albumGain);
    QStringList problems;
    if (!recorded.mp3.isEmpty())
        if (const auto tagged = id3tag::writeTag(recorded.mp3, tags); !tagged)
            problems << tagged.error().description();
    for (const auto& [format, path] : recorded.converted)
        if (const auto problem = tagConverted(path, format, tags))
            problems << *problem;
    if (problems.isEmpty())
        return std::nullopt;
    return problems.join(QLatin1Char('\n'));
}

// The log's entry of recording `at`, as it ended.
riplog::Track logEntry(const TwoStepRecording& run, std::size_t at, const JobResult& result) {
    const int track = run.tracks[static_cast<qsizetype>(at)];
    const TwoStepRecording::Recorded& recorded = run.recorded[at];
    std::int32_t start = 0;
    std::int32_t end = 0;
    for (const riplog::TocTrack& t : run.log.toc)
        if (t.number == track) {
            start = t.startLba;
            end = t.startLba + t.sectors;
        }
    riplog::Track entry = riplog::trackOf(track, recorded.mainFile(run.mainFormat), start, end,
                                          nullptr, result.status, result.reason);
    if (const TrackInfo* info = run.disc.track(track))
        entry.title = info->title;
    if (recorded.loudness)
        entry.gain = recorded.loudness->replayGain();
    return entry;
}

} // namespace

void Form1::StartTrackRecording2(int trackNumber) {
    // A recording is a WAV, then encoded to each other format asked.
    const std::vector<pipeline::OutputFormat> formats = extractionFormats();
    const auto writes = [&formats](pipeline::OutputFormat format) {
        return std::find(formats.begin(), formats.end(), format) != formats.end();
    };
    if (!listedDiscNow())
        return;
    auto run = std::make_shared<TwoStepRecording>();
    run->settings = conversionSettings();
    run->settings.filesAtOnce = 1;
    run->format = CaptureFormat::fromPreference(AudioFormat);
    run->mainFormat = formats.front();
    if (writes(pipeline::OutputFormat::Mp3))
        run->encodedTo.push_back(pipeline::OutputFormat::Mp3);
    for (const pipeline::OutputFormat format : formats)
        if (format == pipeline::OutputFormat::Flac || format == pipeline::OutputFormat::Opus)
            run->encodedTo.push_back(format);
    // With WAV asked for as well, the recording stays beside the files made of it.
    if (writes(pipeline::OutputFormat::Wav))
        run->settings.deleteSource = false;
    // The tags of the MP3s: the disc's information, the number against its last audio track.
    run->disc = discInfo();
    run->lastAudio = lastAudioTrack(listedDisc_.known.tracks, listedDisc_.known.dataTracks);

    // This track first, then the entries after the one worked on.
    run->tracks = {trackNumber};
    const MirrorList& lstRecord = tree().lstRecord;
    if (lstRecord.count() > 1)
        for (int k = lstRecordIndex + 1; k < lstRecord.count(); ++k)
            run->tracks.append(lstRecord.trackAt(k));

    ConversionBatch work = recordingWork(*run);
    WindowBatch batch = recordingBatch(run);
    Disablem();
    run->log = riplog::begin(listedDisc_, riplog::ReadMode::RealTime,
                             recordingFormatText(run->format, run->encodedTo));
    run->log.disc = run->disc;
    startBatch(std::move(batch), std::move(work));
}

ConversionBatch Form1::recordingWork(TwoStepRecording& run) const {
    ConversionBatch work;
    work.kind = ConversionKind::Capture;
    work.settings = run.settings;
    QSet<QString> taken;
    for (const int track : run.tracks) {
        run.spans->push_back(trackSpan(track));
        const QString path = drawTrackPath(run.settings.destination, listedDisc_.identity(), track,
                                           QStringLiteral(".wav"), taken);
        taken.insert(path);
        work.items.append(WorkItem{QString(), path, static_cast<int>(work.items.size())});
    }
    run.outputs->resize(static_cast<std::size_t>(work.items.size()));
    run.recorded.resize(static_cast<std::size_t>(work.items.size()));
    work.makeJob = [spans = std::shared_ptr<const std::vector<TrackSpan>>(run.spans),
                    outputs = run.outputs, format = run.format] {
        return std::make_unique<CaptureJob>(spans, outputs, format);
    };
    // What a recording takes, for the disk-space guard's check before each track.
    work.expectedOutputBytes = [spans = run.spans, format = run.format](const WorkItem& item) {
        const TrackSpan& span = (*spans)[static_cast<std::size_t>(item.index)];
        return (span.endMs - span.startMs) * format.bytesPerSecond / 1000 + 44;
    };
    return work;
}

WindowBatch Form1::recordingBatch(const std::shared_ptr<TwoStepRecording>& run) {
    WindowBatch batch = fileBatch(tr("recorded"), [this, run](const WorkItem& item) {
        const int track = run->tracks[item.index];
        currentTrackNumber = track;
        if (item.index > 0)
            ++lstRecordIndex;
        recordEndMs = trackSpan(track).endMs;
        Command2->setVisible(true);
        CurrentFile = item.output;
        const QString caption = tr("Extracting Track %1").arg(track);
        setWindowTitle(caption);
        Label3->setText(caption);
        Label2->setText(tr("Destination: ") + item.output);
    });
    batch.progress = [this](const QString& caption, int percent) {
        Label33->setText(caption);
        ProgressBar1->setValue(percent);
    };
    batch.itemFinishedLater = [this, run](const WorkItem& item, const JobResult& result,
                                          const WindowBatch::StepsDone& done) {
        recordingFinished(run, item, result, done);
    };
    batch.ended = [this, run](const BatchReport& report) { recordingEnded(*run, report); };
    return batch;
}

void Form1::recordingFinished(const std::shared_ptr<TwoStepRecording>& run, const WorkItem& item,
                              const JobResult& result, const WindowBatch::StepsDone& done) {
    Check9->setChecked(false);
    tmrWarning->stop();
    if (!result.alert.isEmpty()) {
        // A device error: nothing was recorded, and the batch ends here.
        dialogs::msgBox(result.alert, dialogs::Buttons::Ok, dialogs::Icon::Critical);
        conversions().stop();
        return done(std::nullopt);
    }
    const auto at = static_cast<std::size_t>(item.index);
    TwoStepRecording::Recorded& recorded = run->recorded[at];
    recorded.wav = (*run->outputs)[at];
    if (result.status == JobResult::Status::Failed || recorded.wav.isEmpty())
        return done(std::nullopt); // named in the message at the end
    recorded.loudness = measureWav(recorded.wav);
    if (conversions().isStopped() || result.status != JobResult::Status::Completed ||
        run->encodedTo.empty()) {
        // A stopped recording is kept as it is; a complete one, with WAV output, is listed
        // as well. The capture job has saved and closed it.
        tree().addClosedFile(recorded.wav);
        return done(std::nullopt);
    }
    encodeRecording(run, at, 0, true, std::nullopt, done);
}

void Form1::recordingEnded(TwoStepRecording& run, const BatchReport& report) {
    riplog::Log& log = run.log;
    // The album's gain over the tracks recorded whole goes into each file made of them.
    std::vector<const LoudnessMeter*> whole;
    for (qsizetype i = 0; i < report.results.size(); ++i)
        if (report.results[i].status == JobResult::Status::Completed &&
            run.recorded[static_cast<std::size_t>(i)].loudness)
            whole.push_back(run.recorded[static_cast<std::size_t>(i)].loudness.get());
    log.albumGain = LoudnessMeter::albumGain(whole);
    QStringList untagged;
    log.tracksAsked = static_cast<int>(report.items.size());
    for (qsizetype i = 0; i < report.items.size(); ++i) {
        const JobResult& result = report.results[i];
        const auto at = static_cast<std::size_t>(i);
        const TwoStepRecording::Recorded& recorded = run.recorded[at];
        if (log.albumGain && (!recorded.mp3.isEmpty() || !recorded.converted.empty()) &&
            result.status == JobResult::Status::Completed)
            if (const auto problem = tagRecording(run, at, log.albumGain))
                untagged << *problem;
        log.tracks.push_back(logEntry(run, at, result));
    }
    if (!untagged.isEmpty() && !report.endedFromOutside)
        dialogs::msgBox(tr("The album's ReplayGain could not be written into:\n") +
                            untagged.join(QLatin1Char('\n')),
                        dialogs::Buttons::Ok, dialogs::Icon::Critical);
    if (!log.tracks.empty() && !report.endedFromOutside)
        riplog::writeOrSay(QFileInfo(report.items.front().output).absolutePath(), log);
    recordEndMs = 0;
    tmrRecord->stop();
    Enablem();
    ResetStatus();
}

void Form1::encodeRecording(const std::shared_ptr<TwoStepRecording>& run, std::size_t at,
                            std::size_t step, bool allComplete, std::optional<QString> problem,
                            const WindowBatch::StepsDone& done) {
    TwoStepRecording::Recorded& recorded = run->recorded[at];
    if (step == run->encodedTo.size()) {
        if (!nativepath::exists(recorded.wav))
            recorded.wav.clear();
        // The recording goes only once every file made of it is complete.
        if (run->settings.deleteSource && allComplete && !recorded.wav.isEmpty() &&
            recorded.wav.endsWith(QLatin1String(".wav"))) {
            if (const auto error = tree().DeleteFileAndNode(recorded.wav, false)) {
                if (!problem)
                    problem = recorded.wav + tr(": encoded, but the WAV could not be deleted: ") +
                              error->description();
            } else {
                recorded.wav.clear();
            }
        } else if (!recorded.wav.isEmpty()) {
            tree().addClosedFile(recorded.wav);
        }
        return done(problem);
    }
    const pipeline::OutputFormat format = run->encodedTo[step];
    auto next = [this, run, at, step, allComplete, problem, done, format](const QString& made,
                                                                          EncodeFileResult how) {
        TwoStepRecording::Recorded& encoded = run->recorded[at];
        const bool complete = how == EncodeFileResult::Completed;
        std::optional<QString> found = problem;
        if (complete) {
            if (format == pipeline::OutputFormat::Mp3)
                encoded.mp3 = made;
            else
                encoded.converted[format] = made;
            // Tagged with the track's gain now; the album's follows at the batch's end.
            const id3tag::TagFields tags = recordingTags(*run, at, std::nullopt);
            std::optional<QString> tagged;
            if (format == pipeline::OutputFormat::Mp3) {
                if (const auto written = id3tag::writeTag(made, tags); !written)
                    tagged = written.error().description();
            } else {
                tagged = tagConverted(made, format, tags);
            }
            if (tagged && !found)
                found = tagged;
        }
        // An abort ends the encodes of the recording here; a file that failed does not keep
        // the next format from being made.
        if (how == EncodeFileResult::Cancelled) {
            encodeRecording(run, at, run->encodedTo.size(), false, found, done);
            return;
        }
        encodeRecording(run, at, step + 1, allComplete && complete, found, done);
    };
    const QString wavPath = recorded.wav;
    const QString base = BaseName(wavPath);
    setWindowTitle(tr("Encoding ") + base + QStringLiteral(".wav"));
    Label3->setText(tr("Encoding ") + wavPath);
    lblStatus->clear();
    if (format == pipeline::OutputFormat::Mp3) {
        Label2->setText(tr("Destination:  ") + DecodePath + QLatin1Char('/') + base +
                        QStringLiteral(".mp3"));
        EncodeFileControls controls;
        controls.Label33 = Label33;
        controls.ProgressBar1 = ProgressBar1;
        controls.Command2 = Command2;
        controls.window = this; // the caption, and the tray's tip with it, follow the progress
        EncodeFile(*recordingEncodes_, wavPath, controls, run->settings.encoder,
                   [this, next](const EncodeFileOutcome& outcome) {
                       // The encode job has closed the MP3 and is done with the recording.
                       tree().addClosedFile(outcome.mp3Path);
                       ResetStatus();
                       next(outcome.mp3Path, outcome.result);
                   });
        return;
    }
    convertRecording(wavPath, format, run->settings,
                     [this, next](const QString& made, EncodeFileResult how) {
                         if (!made.isEmpty())
                             tree().addClosedFile(made);
                         ResetStatus();
                         next(made, how);
                     });
}

void Form1::convertRecording(const QString& wavPath, pipeline::OutputFormat format,
                             const ConversionSettings& settings,
                             std::function<void(const QString&, EncodeFileResult)> done) {
    ConversionBatch work;
    work.kind = ConversionKind::AudioConvert;
    work.settings = settings;
    work.settings.convertTo = format;
    work.settings.filesAtOnce = 1;
    work.settings.deleteSource = false; // the recording goes once every format is made
    const QString output = ConversionService::outputFor(work.kind, work.settings, wavPath);
    work.items = {WorkItem{wavPath, output}};
    Label2->setText(tr("Destination:  ") + output);
    Command2->setVisible(true);
    WindowBatch batch;
    batch.verb = tr("encoded");
    const QString title = windowTitle();
    batch.progress = [this, title](const QString& caption, int percent) {
        setWindowTitle(progressTitle(caption, title));
        Label33->setText(caption);
        ProgressBar1->setValue(percent);
    };
    batch.ended = [done](const BatchReport& report) {
        QString made;
        EncodeFileResult how = EncodeFileResult::NotStarted;
        if (!report.items.isEmpty() && !report.results.isEmpty()) {
            made = report.items.front().output;
            switch (report.results.front().status) {
            case JobResult::Status::Completed:
                how = EncodeFileResult::Completed;
                break;
            case JobResult::Status::Cancelled:
                how = EncodeFileResult::Cancelled;
                break;
            case JobResult::Status::Failed:
                how = EncodeFileResult::Failed;
                break;
            case JobResult::Status::NotStarted:
            case JobResult::Status::Skipped:
                made.clear();
                break;
            }
        }
        if (!nativepath::exists(made)) // a conversion that failed removed its file
            made.clear();
        done(made, how);
    };
    if (!startWindowBatch(*recordingEncodes_, std::move(batch), std::move(work)))
        QMetaObject::invokeMethod(
            recordingEncodes_, [done] { done(QString(), EncodeFileResult::NotStarted); },
            Qt::QueuedConnection);
}

void Form1::cmdCancel_Click() {
    recordEndMs = 0;
    tmrWarning->stop();
    conversions().abort();
    recordingEncodes_->abort();
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
