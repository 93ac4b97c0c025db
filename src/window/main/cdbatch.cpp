// The main window's CD extraction: the start command, the one-step batch and its choices.
#include "engine/cd/capturejob.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/ripcompletion.h"
#include "engine/cd/trackpaths.h"
#include "engine/core/jobstate.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/encode/modlame.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/nativepath.h"
#include "engine/service/conversionservice.h"
#include "engine/service/windowbatch.h"
#include "window/main/form1.h"
#include "window/main/formatchoices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace {

// What the batch reads of the CD bar or the stored choices, and how it runs.
struct BatchChoices {
    ExtractionChoices extraction;
    bool listInTree = true;     // each file goes to the tree once it is written
    bool followEntries = false; // the lstRecord entry worked on follows the extraction
};

// The rip log's words for `format` as the choices write it.
QString formatTextOf(pipeline::OutputFormat format, const ExtractionChoices& choices,
                     const Form1& w) {
    switch (format) {
    case pipeline::OutputFormat::Wav:
        return wavFormatText();
    case pipeline::OutputFormat::Mp3:
        return mp3FormatText(w.cmbBitrate->currentText(), w.cmbQuality->currentText());
    case pipeline::OutputFormat::Flac:
        return flacFormatText(choices.formatSettings.flacLevel);
    case pipeline::OutputFormat::Opus:
        return opusFormatText(choices.formatSettings.opusBitrateKbps);
    }
    return {};
}

// What a track of `ms` milliseconds takes in every format the choices write, at most (a FLAC
// is taken as large as its WAV).
std::int64_t expectedTrackBytes(const ExtractionChoices& choices, std::int64_t ms) {
    const std::int64_t wavBytes = ms * 1764 / 10 + 44;
    const std::int64_t mp3Bytes = ms * choices.config.bitrateKbps / 8 + 4096;
    if (choices.formats.empty())
        return choices.mp3 ? mp3Bytes : wavBytes;
    std::int64_t total = 0;
    for (const pipeline::OutputFormat format : choices.formats) {
        switch (format) {
        case pipeline::OutputFormat::Wav:
        case pipeline::OutputFormat::Flac:
            total += wavBytes;
            break;
        case pipeline::OutputFormat::Mp3:
            total += mp3Bytes;
            break;
        case pipeline::OutputFormat::Opus:
            total += ms * choices.formatSettings.opusBitrateKbps / 8 + 4096;
            break;
        }
    }
    return total;
}

// `c` with the four flags of the CD bar.
modLAME::EncoderConfig withBarFlags(modLAME::EncoderConfig c, const Form1& w) {
    auto flag = [](const QCheckBox* box) {
        return box->isChecked() ? modLAME::flagTrue : modLAME::flagFalse;
    };
    c.privateFlag = flag(w.chkPrivate);
    c.crcFlag = flag(w.chkCRC);
    c.copyrightFlag = flag(w.chkCopyright);
    c.originalFlag = flag(w.chkOriginal);
    return c;
}

// The window's part of the steps after a rip (RipCompletion), once its batch has ended however
// it ended: the outputs that took their names at the end are listed, and the batch is recorded
// with each output under the name it took; the log and the cue sheets are written beside the
// files once the AccurateRip database has answered for the tracks read (or could not be asked),
// and its verdicts shown. The controls stay locked until the files are in place; the window is
// live while the database is asked. When the application is quitting, the steps end at once
// and nobody is told.
void endExtraction(Form1& w, const std::shared_ptr<ExtractionPlan>& plan,
                   const BatchChoices& choices, const BatchReport& report) {
    const std::vector<pipeline::OutputFormat>& formats = plan->outputFormats();
    // A lone WAV took its name as its track ended, and was listed then.
    const bool namedAtEnd = formats.size() > 1 || formats.front() != pipeline::OutputFormat::Wav;
    RipCompletion::Steps steps;
    steps.outputsPlaced = [&w, plan, choices, report,
                           namedAtEnd](const std::vector<VortanError>& unfinished) {
        if (namedAtEnd && choices.listInTree)
            for (qsizetype i = 0; i < report.items.size(); ++i)
                for (const QString& written : plan->outputsOf(static_cast<int>(i)))
                    w.tree().addClosedFile(written);
        QStringList names;
        for (const VortanError& error : unfinished)
            names << error.description();
        if (!names.isEmpty())
            dialogs::msgBox(names.join(QLatin1Char('\n')), dialogs::Buttons::Ok,
                            dialogs::Icon::Critical);
        // The batch as it ended: each output under the name it took.
        BatchReport ended = report;
        for (qsizetype i = 0; i < ended.items.size(); ++i)
            if (const QString written = plan->outputOf(static_cast<int>(i)); !written.isEmpty())
                ended.items[i].output = written;
        w.recordBatch(ended);
    };
    steps.written = [&w](const RipEnding& ending) {
        emit w.ripEnded(ending);
        if (ending.logPath && !*ending.logPath)
            dialogs::msgBox(ending.logPath->error().description(), dialogs::Buttons::Ok,
                            dialogs::Icon::Critical);
        for (const Result<QString>& cue : ending.cueSheets)
            if (!cue)
                dialogs::msgBox(cue.error().description(), dialogs::Buttons::Ok,
                                dialogs::Icon::Critical);
        if (ending.coverFile && !*ending.coverFile)
            dialogs::msgBox(ending.coverFile->error().description(), dialogs::Buttons::Ok,
                            dialogs::Icon::Critical);
        // Why the database could not be asked is in the log; the verdicts are the news.
        if (!ending.databaseAnswered || !ending.log.accurateRip->ok())
            return;
        dialogs::msgBox(ending.log.accurateRipLines().join(QLatin1Char('\n')), dialogs::Buttons::Ok,
                        ending.mismatch() ? dialogs::Icon::Exclamation : dialogs::Icon::Information,
                        QStringLiteral("AccurateRip"));
    };
    // A child of the window: when the window goes first, the log is written at once, saying
    // why the database's answer is missing.
    auto* completion = new RipCompletion(plan, std::move(steps), &w);
    if (report.endedFromOutside) {
        completion->start(report.items, report.results, false);
        delete completion; // ends its steps now, telling nobody
        return;
    }
    w.holdJob();
    QObject::connect(completion, &RipCompletion::filesSettled, &w, [&w] { w.releaseJob(); });
    QObject::connect(completion, &RipCompletion::finished, completion, &QObject::deleteLater);
    completion->start(report.items, report.results);
}

// Starts the tracks of lstRecord, as it is now, as one batch of the window's conversions, over
// `disc`.
void extractTracks(Form1& w, const Disc& disc, const BatchChoices& choices) {
    QList<int> tracks;
    const MirrorList& lstRecord = w.tree().lstRecord;
    for (int i = 0; i < lstRecord.count(); ++i)
        tracks.append(lstRecord.trackAt(i));
    ConversionBatch work;
    work.kind = ConversionKind::CdExtraction;
    work.settings = w.conversionSettings();
    work.settings.filesAtOnce = 1;
    ExtractionChoices extraction = choices.extraction;
    extraction.testFirst = work.settings.testAndCopy;
    extraction.disc = w.discInfo();
    const Form1::DiscCover cover = w.discCover();
    extraction.cover = cover.picture;
    extraction.coverNote = cover.note;
    extraction.saveCover = SaveCoverFile == 1;
    extraction.nameFromDisc = work.settings.namesFromDisc;
    extraction.nameTemplate = FileNameTemplate;
    extraction.destination = work.settings.destination;
    const readmode::Choices reading = readmode::fromSettings();
    extraction.readMode = reading.mode;
    extraction.minimumConfidence = reading.minimumConfidence;
    extraction.retryLimit = reading.retryLimit;
    extraction.databaseServer = AccurateRipServer;
    auto plan = std::make_shared<ExtractionPlan>(tracks, disc, extraction);
    work.items = plan->items();
    work.makeJob = plan->jobMaker();
    // What a track's file takes, for the disk-space guard's check before it starts.
    work.expectedOutputBytes = [&w, plan, extraction](const WorkItem& item) {
        const int track = plan->track(item.index);
        const TrackSpan span = w.trackSpan(track);
        // The hidden track's length is kept apart, before the first track's.
        const std::int64_t ms = track == 0 && !w.trackLengthsMs.empty() ? w.trackLengthsMs[0]
                                                                        : span.endMs - span.startMs;
        return expectedTrackBytes(extraction, ms);
    };

    WindowBatch batch = w.fileBatch(
        QCoreApplication::translate("Form1", "extracted"),
        [&w, plan, choices](const WorkItem& item) {
            const int track = plan->track(item.index);
            w.currentTrackNumber = track;
            CurrentFile = item.output;
            if (choices.followEntries)
                w.lstRecordIndex = item.index;
            const QString caption =
                QCoreApplication::translate("Form1", "Extracting Track %1").arg(track);
            w.setWindowTitle(caption);
            w.Label3->setText(caption);
            w.Label2->setText(QCoreApplication::translate("Form1", "Destination: ") + item.output);
        });
    batch.progress = [&w](const QString& figure, int percent) {
        w.setWindowTitle(QCoreApplication::translate("Form1", "Progress ") + figure);
        w.Label33->setText(figure);
        w.ProgressBar1->setValue(percent);
    };
    batch.itemFinished = [&w, plan, choices](const WorkItem& item,
                                             const JobResult& result) -> std::optional<QString> {
        if (!result.alert.isEmpty())
            dialogs::msgBox(result.alert, dialogs::Buttons::Ok, dialogs::Icon::Critical);
        // What was written is listed once it has its name, a partial file too (the end
        // message says it is one); an MP3 takes its name when the batch has ended.
        const QString written = plan->outputOf(item.index);
        if (choices.listInTree && !written.isEmpty() && nativepath::isFile(written))
            w.tree().addClosedFile(written);
        return std::nullopt;
    };
    batch.ended = [&w, plan, choices](const BatchReport& report) {
        endExtraction(w, plan, choices, report);
    };
    w.startBatch(std::move(batch), std::move(work));
}

bool isDataTrack(const discinfo::DriveDisc& disc, int track) {
    return std::find(disc.dataTracks.begin(), disc.dataTracks.end(), track) !=
           disc.dataTracks.end();
}

// What a track group gives to extract besides what lstRecord takes.
struct LeftOut {
    QList<int> dataTracks;    // hold no audio
    bool hiddenTrack = false; // a recording cannot start before the first track
};

// Puts into lstRecord the tracks of the tree's track group `group` that hold audio, as it
// shows them, except that the hidden track, which lies before the first track on the disc,
// comes first; without `withHidden` (a real-time recording) it is left out.
LeftOut selectExtractable(Form1& w, SourceTree::NodeId group, const discinfo::DriveDisc& disc,
                          bool withHidden) {
    SourceTree& tree = w.tree();
    MirrorList& lstRecord = tree.lstRecord;
    lstRecord.clear();
    LeftOut left;
    for (const SourceTree::NodeId node : tree.childrenOf(group)) {
        const int track = tree.trackOf(node);
        if (track == MirrorList::noTrack)
            continue;
        if (isDataTrack(disc, track))
            left.dataTracks.append(track);
        else if (track == 0 && !withHidden)
            left.hiddenTrack = true;
        else if (track == 0)
            lstRecord.insert(0, tree.text(node), track);
        else
            lstRecord.add(tree.text(node), track);
    }
    return left;
}

// Why a track group whose tracks were all left out (`left`) gives nothing to extract.
QString nothingToExtractMessage(const LeftOut& left) {
    if (left.hiddenTrack)
        return Form1::tr("Track 00, the hidden track, lies before the first track, where a "
                         "recording cannot start: it is extracted in one step only (tick \"2 "
                         "Step Extraction\" to change to \"1 Step Extraction\").");
    if (left.dataTracks.size() == 1)
        return Form1::tr("Track %1 is a data track: it holds no audio to record. Select an audio "
                         "track.")
            .arg(left.dataTracks.front());
    QStringList numbers;
    for (const int track : left.dataTracks)
        numbers << QString::number(track);
    return Form1::tr("Tracks %1 are data tracks: they hold no audio to record. Select an audio "
                     "track.")
        .arg(numbers.join(QStringLiteral(", ")));
}

} // namespace

void Form1::Command6_Click() {
    BatchChoices choices;
    ExtractionChoices& extraction = choices.extraction;
    // The bitrate as the list shows it; a text that is no number gives 0, which the encoder
    // refuses (WAV output never uses it).
    bool readable = false;
    const uint bitrate = cmbBitrate->currentText().trimmed().toUInt(&readable);
    extraction.config =
        withBarFlags(modLAME::makeConfig(readable ? bitrate : 0,
                                         modLAME::qualityPresetCode(cmbQuality->currentIndex())),
                     *this);
    // MP3 as "Extract to" keeps `mp3` set: its path is the one MP3 rips always took.
    extraction.mp3 = optMP3->isChecked();
    extraction.formats = extractionFormats();
    extraction.formatSettings = formatchoices::preferredEncoderSettings();
    extraction.formatSettings.mp3 = extraction.config;
    QStringList formatTexts;
    for (const pipeline::OutputFormat format : extraction.formats)
        formatTexts << formatTextOf(format, extraction, *this);
    extraction.formatText = formatTexts.join(QStringLiteral("; "));
    if (const std::optional<Disc> disc = listedDiscNow())
        extractTracks(*this, *disc, choices);
}

void Form1::Command3_Click() {
    if (!optMP3->isChecked())
        return;
    BatchChoices choices;
    ExtractionChoices& extraction = choices.extraction;
    extraction.config =
        withBarFlags(modLAME::makeConfig(modLAME::bitrateForIndex(EncodingBitrate),
                                         modLAME::qualityPresetCode(EncodingQuality)),
                     *this);
    extraction.mp3 = true;
    extraction.formatText =
        mp3FormatText(QString::number(modLAME::bitrateForIndex(EncodingBitrate)),
                      modLAME::qualityNames().value(EncodingQuality));
    choices.listInTree = false;
    choices.followEntries = true;
    if (const std::optional<Disc> disc = listedDiscNow())
        extractTracks(*this, *disc, choices);
}

std::optional<Disc> Form1::listedDiscNow() {
    Disc disc = stillInDrive(listedDisc_);
    if (!disc.changed)
        return disc;
    dialogs::msgBox(tr("The disc in the drive is not the disc listed. Its tracks "
                       "are not extracted: refresh the list of tracks and choose "
                       "them again."),
                    dialogs::Buttons::Ok, dialogs::Icon::Exclamation);
    return std::nullopt;
}

void Form1::cmdStart_Click() {
    Check9->setChecked(false);

    const SourceTree::NodeId selected = tree().selectedNode();
    const SourceTree::Group group = tree().groupOf(selected);
    MirrorList& lstRecord = tree().lstRecord;
    if (const int track = tree().trackOf(selected); track != MirrorList::noTrack) {
        currentTrackNumber = track;
    } else if (group == SourceTree::Group::AvailableTracks ||
               group == SourceTree::Group::SelectedTracks) {
        // A group rips what it shows, every time: its tracks, the hidden track included (read
        // in one step only), less the data tracks, which hold no audio. The tracks stay where
        // they are.
        const MirrorList before = lstRecord;
        const LeftOut left = selectExtractable(*this, selected, listedDisc_.known,
                                               Chk2Stage->checkState() == Qt::Checked);
        if (lstRecord.isEmpty()) {
            // Nothing starts, so nothing changes: the selection still mirrors its group.
            lstRecord = before;
            dialogs::msgBox(left.dataTracks.isEmpty() && !left.hiddenTrack
                                ? tr("You must select tracks to record.")
                                : nothingToExtractMessage(left),
                            dialogs::Buttons::Ok, dialogs::Icon::Information);
            return;
        }
        lstRecordIndex = 0;
        currentTrackNumber = lstRecord.trackAt(0);
        recordEndMs = 0;
    }

    const QString caption = tr(" Extracting Track %1").arg(currentTrackNumber);
    setWindowTitle(caption);
    Label3->setText(caption);

    if (Chk2Stage->checkState() == Qt::Checked) {
        Command2->setVisible(true);
        StartTrackRecording3(currentTrackNumber);
    } else if (Chk2Stage->checkState() == Qt::Unchecked) {
        StartTrackRecording2(currentTrackNumber);
    }
}

void Form1::StartTrackRecording3(int trackNumber) {
    const QString caption = tr("Extracting Track %1").arg(trackNumber);
    setWindowTitle(caption);
    Label3->setText(caption);
    // Shown only: each track's real name is drawn when its turn comes.
    CurrentFile = trackOutputBase(DecodePath, drawFileNumber(listedDisc_.identity()), trackNumber) +
                  QStringLiteral(".wav");
    Label2->setText(tr("Destination: ") + CurrentFile);
    Disablem();
    Command6_Click();
}

void Form1::Check3_Click() {
    if (Check3->checkState() == Qt::Checked) {
        // Every audio track is selected, whatever was selected before: all but the data tracks
        // go to "Selected Tracks", in disc order. The hidden track stays where it was.
        Check3->setText(tr("All Tracks"));
        MirrorList& lstRecord = tree().lstRecord;
        MirrorList& lstTracks = tree().lstTracks;
        std::map<int, QString> chosen; // by track number
        MirrorList kept(MirrorList::Order::Sorted);
        std::set<int> seen;
        auto take = [this, &chosen, &kept, &seen](int track, const QString& text,
                                                  bool wasSelected) {
            if (track == MirrorList::noTrack || !seen.insert(track).second)
                return;
            if (listedDisc_.known.inAllTracks(track) || (wasSelected && track == 0))
                chosen.emplace(track, text);
            else
                kept.add(text, track);
        };
        // What the selection group shows, then what is available, then what lstRecord alone
        // still holds (a track moved before the group was shown again).
        for (const SourceTree::NodeId node :
             tree().childrenOf(tree().groupNode(SourceTree::Group::SelectedTracks)))
            take(tree().trackOf(node), tree().text(node), true);
        for (int i = 0; i < lstTracks.count(); ++i)
            take(lstTracks.trackAt(i), lstTracks.at(i), false);
        for (int i = 0; i < lstRecord.count(); ++i)
            take(lstRecord.trackAt(i), lstRecord.at(i), true);
        lstRecord.clear();
        for (const auto& entry : chosen)
            lstRecord.add(entry.second, entry.first);
        lstTracks = kept;
        tree().showfiles();
        tree().showSelectedTracks();
        return;
    }
    // Cleared: the disc is listed again, every track available.
    Check3->setText(tr("Select Tracks"));
    cmdRefresh_Click();
    tree().showfiles();
}

std::vector<Form1::FormatControls> Form1::formatControls() const {
    return {{pipeline::OutputFormat::Wav, optWAV, chkAlsoWav},
            {pipeline::OutputFormat::Mp3, optMP3, chkAlsoMp3},
            {pipeline::OutputFormat::Flac, optFLAC, chkAlsoFlac},
            {pipeline::OutputFormat::Opus, optOpus, chkAlsoOpus}};
}

pipeline::OutputFormat Form1::extractToFormat() const {
    for (const FormatControls& controls : formatControls())
        if (controls.extractTo->isChecked())
            return controls.format;
    return pipeline::OutputFormat::Mp3;
}

std::vector<pipeline::OutputFormat> Form1::extractionFormats() const {
    const pipeline::OutputFormat first = extractToFormat();
    std::vector<pipeline::OutputFormat> formats{first};
    for (const FormatControls& controls : formatControls())
        if (controls.format != first && controls.alsoWrite->isChecked())
            formats.push_back(controls.format);
    return formats;
}

void Form1::showStoredExtractionFormats() {
    const pipeline::OutputFormat chosen =
        formatchoices::formatNamed(ExtractTo, pipeline::OutputFormat::Mp3);
    const std::vector<pipeline::OutputFormat> also = formatchoices::formatsNamed(AlsoWrite);
    for (const FormatControls& controls : formatControls()) {
        if (controls.format == chosen)
            controls.extractTo->setChecked(true);
        controls.alsoWrite->setChecked(std::find(also.begin(), also.end(), controls.format) !=
                                       also.end());
    }
    enableAlsoWriteBoxes();
}

void Form1::enableAlsoWriteBoxes() {
    const pipeline::OutputFormat chosen = extractToFormat();
    for (const FormatControls& controls : formatControls())
        controls.alsoWrite->setEnabled(controls.format != chosen);
}

void Form1::optExtractTo_Click() {
    WriteSetting(SettingKey::ExtractTo, pipeline::extensionOf(extractToFormat()));
    enableAlsoWriteBoxes();
}

void Form1::chkAlsoWrite_Click() {
    // Every box checked is stored, the disabled one's too: it comes back as it was once
    // another format is extracted to.
    std::vector<pipeline::OutputFormat> checked;
    for (const FormatControls& controls : formatControls())
        if (controls.alsoWrite->isChecked())
            checked.push_back(controls.format);
    WriteSetting(SettingKey::AlsoWrite, formatchoices::namesOf(checked));
}

void Form1::Chk2Stage_Click() {
    if (Chk2Stage->checkState() == Qt::Checked)
        Chk2Stage->setText(tr("1 Step Extraction"));
    else if (Chk2Stage->checkState() == Qt::Unchecked)
        Chk2Stage->setText(tr("2 Step Extraction"));
}
