// The main window's CD extraction: the start command, the one-step batch and its choices.
#include "app/form1.h"
#include "app/jobstate.h"
#include "app/settings.h"
#include "app/sourcetree.h"
#include "app/windowbatch.h"
#include "cd/cdextract.h"
#include "cd/modakrip32.h"
#include "cd/riplog.h"
#include "cd/trackpaths.h"
#include "encode/modlame.h"
#include "platform/akrip/cddrives.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>

#include <memory>

namespace {

// What the batch reads of the CD bar or the stored choices.
struct ExtractionChoices {
    modLAME::EncoderConfig config;
    bool mp3 = false;
    bool listInTree = true;     // each file goes to the tree once it is written
    bool followEntries = false; // the lstRecord entry worked on follows the extraction
    QString formatText;         // the output format as the rip log states it
};

QString wavFormatText() {
    return QStringLiteral("WAV, 44,100 Hz, 16-bit, stereo");
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

// Runs the tracks of lstRecord, as it is now, through the shared batch loop.
void extractTracks(Form1& w, const ExtractionChoices& choices) {
    const QString discIdentity = w.lblCDID->text();
    const QString extension = choices.mp3 ? QStringLiteral(".mp3") : QStringLiteral(".wav");
    QList<WorkItem> items;
    auto requests = std::make_shared<std::vector<ExtractRequest>>();
    QList<int> tracks;
    QSet<QString> taken;
    const std::uint32_t handle = modAKRip32::currentCdHandle();
    riplog::Log log = riplog::begin(cddrives::mediaDrive(), riplog::ReadMode::Secure,
                                    choices.formatText, discIdentity);
    const int firstOnDisc = log.toc.empty() ? 1 : log.toc.front().number;
    const int lastOnDisc = log.toc.empty() ? 1 : log.toc.back().number;
    for (const QString& entry : w.tree().lstRecord.items()) {
        const int track = TrackNumberOf(entry);
        ExtractRequest request;
        request.handle = handle;
        request.mp3 = choices.mp3;
        request.config = choices.config;
        request.place.firstOnDisc = track == firstOnDisc;
        request.place.lastOnDisc = track == lastOnDisc;
        request.testFirst = TestAndCopy == 1;
        try {
            const modAKRip32::TrackRange range = modAKRip32::trackRange(track);
            request.startLba = range.startLba;
            request.endLba = range.endLba;
        } catch (const VortanError& error) {
            request.refusal = QStringLiteral("Track %1: %2").arg(track).arg(error.description());
        }
        const QString path = drawTrackPath(discIdentity, track, extension, taken);
        taken.insert(path);
        items.append(WorkItem{QString(), path, static_cast<int>(items.size())});
        requests->push_back(request);
        tracks.append(track);
    }

    auto outcomes = std::make_shared<std::vector<ExtractOutcome>>(requests->size());
    WindowBatch batch = w.fileBatch(
        QStringLiteral("extracted"),
        [requests, outcomes] { return std::make_unique<CdExtractJob>(requests, outcomes); },
        [&w, tracks, choices](const WorkItem& item) {
            const int track = tracks[item.index];
            w.currentTrackNumber = track;
            CurrentFile = item.output;
            if (choices.followEntries)
                w.lstRecordIndex = item.index;
            const QString caption = QStringLiteral("Extracting Track %1").arg(track);
            w.setWindowTitle(caption);
            w.Label3->setText(caption);
            w.Label2->setText(QStringLiteral("Destination: ") + item.output);
            CancelRequested = false; // a new track is not aborted yet
        });
    // A cancelled track ends the batch: the tracks after it are not started.
    batch.stopRequested = [] { return StopRequested.load() || CancelRequested.load(); };
    batch.progress = [&w](const QString& figure, int percent) {
        w.setWindowTitle(QStringLiteral("Progress ") + figure);
        w.Label33->setText(figure);
        w.ProgressBar1->setValue(percent);
    };
    batch.itemFinished = [&w, choices](const WorkItem& item,
                                       const JobResult& result) -> std::optional<QString> {
        if (!result.alert.isEmpty())
            dialogs::msgBox(result.alert);
        // What was written is listed, a partial file too (the end message says it is one).
        if (choices.listInTree && QFileInfo(item.output).isFile())
            w.tree().Cmaddfile2(item.output);
        return std::nullopt;
    };
    const BatchReport report = runWindowBatch(batch, items);
    // The log holds every track the batch reached; an aborted batch ends with its track.
    for (qsizetype i = 0; i < report.items.size(); ++i) {
        const JobResult& result = report.results[i];
        if (result.status == JobResult::Status::NotStarted)
            continue;
        const ExtractRequest& request = (*requests)[static_cast<std::size_t>(i)];
        const bool ran = request.refusal.isEmpty();
        log.tracks.push_back(
            riplog::trackOf(tracks[i], report.items[i].output, request.startLba, request.endLba,
                            ran ? &(*outcomes)[static_cast<std::size_t>(i)] : nullptr,
                            result.status, result.reason));
    }
    if (!log.tracks.empty() && !report.endedFromOutside)
        riplog::writeOrSay(QFileInfo(report.items.front().output).absolutePath(), log);
    w.recordBatch(report);
}

} // namespace

void Form1::Command6_Click() {
    ExtractionChoices choices;
    // The bitrate as the list shows it; a text that is no number gives 0, which the encoder
    // refuses (WAV output never uses it).
    bool readable = false;
    const uint bitrate = cmbBitrate->currentText().trimmed().toUInt(&readable);
    choices.config =
        withBarFlags(modLAME::makeConfig(readable ? bitrate : 0,
                                         modLAME::qualityPresetCode(cmbQuality->currentIndex())),
                     *this);
    choices.mp3 = optMP3->isChecked();
    choices.formatText = choices.mp3
                             ? QStringLiteral("MP3, %1 kbit/s, quality %2")
                                   .arg(cmbBitrate->currentText(), cmbQuality->currentText())
                             : wavFormatText();
    extractTracks(*this, choices);
}

void Form1::Command3_Click() {
    if (!optMP3->isChecked())
        return;
    ExtractionChoices choices;
    choices.config = withBarFlags(modLAME::makeConfig(modLAME::bitrateForIndex(EncodingBitrate),
                                                      modLAME::qualityPresetCode(EncodingQuality)),
                                  *this);
    choices.mp3 = true;
    choices.formatText = QStringLiteral("MP3, %1 kbit/s, quality %2")
                             .arg(modLAME::bitrateForIndex(EncodingBitrate))
                             .arg(modLAME::qualityNames().value(EncodingQuality));
    choices.listInTree = false;
    choices.followEntries = true;
    extractTracks(*this, choices);
}

void Form1::cmdStart_Click() {
    StopRequested = false;
    Check9->setChecked(false);

    const QString text = tree().text(tree().selectedNode());
    MirrorList& lstRecord = tree().lstRecord;
    if (text.startsWith(QLatin1String("Track"))) {
        currentTrackNumber = TrackNumberOf(text);
    } else if (text == SourceTree::AvailableTracksText) {
        lstRecord.clear();
        for (const QString& entry : tree().lstTracks.items())
            lstRecord.add(entry);
        lstRecordIndex = 0;
        currentTrackNumber = TrackNumberOf(lstRecord.at(0));
        tree().lstTracks.clear();
        recordEndMs = 0;
    } else if (text == SourceTree::SelectedTracksText) {
        if (lstRecord.isEmpty()) {
            dialogs::msgBox(QStringLiteral("You must select tracks to record."),
                            dialogs::Buttons::Ok, dialogs::Icon::Information);
            return;
        }
        lstRecordIndex = 0;
        currentTrackNumber = TrackNumberOf(lstRecord.at(0));
        recordEndMs = 0;
    }

    const QString caption = QStringLiteral(" Extracting Track %1").arg(currentTrackNumber);
    setWindowTitle(caption);
    Label3->setText(caption);
    QCoreApplication::processEvents();

    if (Chk2Stage->checkState() == Qt::Checked) {
        Command2->setVisible(true);
        StartTrackRecording3(currentTrackNumber);
    } else if (Chk2Stage->checkState() == Qt::Unchecked) {
        StartTrackRecording2(currentTrackNumber);
    }
}

void Form1::StartTrackRecording3(int trackNumber) {
    StopRequested = false;
    const QString caption = QStringLiteral("Extracting Track %1").arg(trackNumber);
    setWindowTitle(caption);
    Label3->setText(caption);
    // Shown only: each track's real name is drawn when its turn comes.
    CurrentFile =
        trackOutputBase(drawFileNumber(lblCDID->text()), trackNumber) + QStringLiteral(".wav");
    Label2->setText(QStringLiteral("Destination: ") + CurrentFile);
    QCoreApplication::processEvents();
    Disablem();
    Command6_Click();
}

void Form1::Check3_Click() {
    if (Check3->checkState() == Qt::Checked) {
        Check3->setText(QStringLiteral("All Tracks"));
        MirrorList& lstRecord = tree().lstRecord;
        lstRecord.clear();
        for (const QString& entry : tree().lstTracks.items())
            lstRecord.add(entry);
        tree().lstTracks.clear();
    } else {
        Check3->setText(QStringLiteral("Select Tracks"));
        cmdRefresh_Click();
    }
    // The tree shows the tracks where they now are.
    tree().showfiles();
}

void Form1::Chk2Stage_Click() {
    if (Chk2Stage->checkState() == Qt::Checked)
        Chk2Stage->setText(QStringLiteral("1 Step Extraction"));
    else if (Chk2Stage->checkState() == Qt::Unchecked)
        Chk2Stage->setText(QStringLiteral("2 Step Extraction"));
}
