// The main window's CD extraction: the start command, the one-step batch and its choices.
#include "app/form1.h"
#include "app/jobstate.h"
#include "app/settings.h"
#include "app/sourcetree.h"
#include "app/windowbatch.h"
#include "cd/capturejob.h"
#include "cd/extractionplan.h"
#include "cd/riplog.h"
#include "cd/trackpaths.h"
#include "encode/modlame.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

namespace {

// What the batch reads of the CD bar or the stored choices, and how it runs.
struct BatchChoices {
    ExtractionChoices extraction;
    bool listInTree = true;     // each file goes to the tree once it is written
    bool followEntries = false; // the lstRecord entry worked on follows the extraction
};

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
void extractTracks(Form1& w, const BatchChoices& choices) {
    QList<int> tracks;
    for (const QString& entry : w.tree().lstRecord.items())
        tracks.append(TrackNumberOf(entry));
    ExtractionChoices extraction = choices.extraction;
    extraction.testFirst = TestAndCopy == 1;
    extraction.disc = w.discInfo();
    extraction.nameFromDisc = NameFromDisc == 1;
    const ExtractionPlan plan(tracks, w.lblCDID->text(), extraction);

    WindowBatch batch = w.fileBatch(
        QStringLiteral("extracted"), plan.jobMaker(), [&w, &plan, choices](const WorkItem& item) {
            const int track = plan.track(item.index);
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
    // What a track's file takes, for the disk-space guard's check before it starts.
    batch.expectedOutputBytes = [&w, &plan, extraction](const WorkItem& item) {
        const TrackSpan span = w.trackSpan(plan.track(item.index));
        const std::int64_t ms = span.endMs - span.startMs;
        return extraction.mp3 ? ms * extraction.config.bitrateKbps / 8 + 4096 : ms * 1764 / 10 + 44;
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
    const BatchReport report = runWindowBatch(batch, plan.items());
    if (!report.endedFromOutside) {
        const std::vector<VortanError> untagged = plan.writeAlbumGain(report.items, report.results);
        QStringList names;
        for (const VortanError& error : untagged)
            names << error.description();
        if (!names.isEmpty())
            dialogs::msgBox(QStringLiteral("The album's ReplayGain could not be written into:\n") +
                                names.join(QLatin1Char('\n')),
                            dialogs::Buttons::Ok, dialogs::Icon::Critical);
    }
    const riplog::Log log = plan.log(report.items, report.results);
    if (!log.tracks.empty() && !report.endedFromOutside)
        riplog::writeOrSay(QFileInfo(report.items.front().output).absolutePath(), log);
    w.recordBatch(report);
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
    extraction.mp3 = optMP3->isChecked();
    extraction.formatText =
        extraction.mp3 ? mp3FormatText(cmbBitrate->currentText(), cmbQuality->currentText())
                       : wavFormatText();
    extractTracks(*this, choices);
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
