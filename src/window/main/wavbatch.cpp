// The main window's WAV encoding command and its bitrate and quality lists.
#include "engine/core/jobstate.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/core/windowbatch.h"
#include "engine/encode/encodejob.h"
#include "engine/encode/modlame.h"
#include "engine/formats/mp3info.h"
#include "engine/platform/dialogs.h"
#include "window/main/encodefile.h"
#include "window/main/form1.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace {

// Files of 1,000 bytes or less made by a "WAV Files" batch are not worth listing. The ID3v2
// tag in front does not count: it is there whatever the length of the audio.
constexpr qint64 smallestListedMp3 = 1000;

QString destinationCaption(const QString& mp3Path) {
    return QStringLiteral("Destination:  ") + mp3Path;
}

EncodeFileControls controlsOf(Form1& window) {
    EncodeFileControls c;
    c.Label33 = window.Label33;
    c.ProgressBar1 = window.ProgressBar1;
    c.Command2 = window.Command2;
    c.Disablem = [&window] { window.Disablem(); };
    c.Enablem = [&window] { window.Enablem(); };
    return c;
}

// Deletes the source of a finished encode when the user keeps no WAV files. Only a complete
// MP3 replaces its source: a cancelled or failed encode keeps it. Returns what went wrong.
std::optional<QString> deleteEncodedSource(Form1& window, const QString& source,
                                           JobResult::Status status) {
    if (status != JobResult::Status::Completed || DeleteWav != 1 || !isWavPath(source))
        return std::nullopt;
    if (const auto error = window.tree().DeleteFileAndNode(source))
        return source + QStringLiteral(": encoded, but the WAV could not be deleted: ") +
               error->description();
    return std::nullopt;
}

// Which MP3s of the batch enter the tree.
enum class Listing { Any, OnlyWorthwhile };

// What the window does around each file of an encoding batch. `captions` sets the window
// caption and the two labels for the item starting. `severalAtOnce`: the batch runs several
// files at once, and lists each MP3 (closed by its job) without the settling wait.
WindowBatch encodingBatch(Form1& window, std::function<void(const WorkItem&)> captions,
                          Listing listing, bool severalAtOnce) {
    WindowBatch batch = window.fileBatch(
        QStringLiteral("encoded"), [] { return std::make_unique<EncodeJob>(fileEncoderConfig); },
        [captions](const WorkItem& item) {
            captions(item);
            CancelRequested = false; // a new file is not aborted yet
        });
    batch.expectedOutputBytes = [](const WorkItem& item) {
        return expectedMp3Bytes(item.source, fileEncoderConfig().bitrateKbps);
    };
    batch.itemFinished = [&window, listing,
                          severalAtOnce](const WorkItem& item,
                                         const JobResult& result) -> std::optional<QString> {
        const auto problem = deleteEncodedSource(window, item.source, result.status);
        if (listing == Listing::Any || sizeAfterId3v2(item.output) > smallestListedMp3) {
            if (severalAtOnce)
                window.tree().addClosedFile(item.output);
            else
                window.tree().Cmaddfile2(item.output);
        }
        return problem;
    };
    return batch;
}

QList<WorkItem> itemsOf(const MirrorList& list) {
    QList<WorkItem> items;
    for (const QString& entry : list)
        items.append(WorkItem{entry, mp3PathFor(entry)});
    return items;
}

// Every file of `list`, as it is now: one after the other, or several at once (the
// "Files at once" preference).
void encodeList(Form1& window, const MirrorList& list, Listing listing) {
    const QList<WorkItem> items = itemsOf(list);
    const auto count = items.size();
    auto captions = [&window, count](const WorkItem& item) {
        // The captions name the real output file, whose name keeps the source's case.
        window.setWindowTitle(QStringLiteral("Encoding ") + FileNameOf(item.source));
        window.Label3->setText(
            QStringLiteral("Encoding #%1 of %2 files").arg(item.index + 1).arg(count));
        window.Label2->setText(destinationCaption(item.output));
        QCoreApplication::processEvents();
    };
    WindowBatch batch = encodingBatch(window, captions, listing, filesAtOnce() > 1 && count > 1);
    window.runInParallel(batch, QStringLiteral("Encoding"), count);
    window.recordBatch(runWindowBatch(batch, items));
}

} // namespace

void Form1::cmdEncFile_Click() {
    const SourceTree::NodeId node = tree().selectedNode();
    const QString text = tree().text(node);
    if (text == SourceTree::WavText) {
        encodeList(*this, tree().List1, Listing::OnlyWorthwhile);
    } else if (text == SourceTree::SelectedWavText) {
        encodeList(*this, tree().List5, Listing::Any);
    } else if (tree().NodeKind(node) == 3 &&
               tree().startJobFor(node) == SourceTree::StartJob::Encode) {
        // Every WAV node is mirrored in one of the two lists; a node found in neither names
        // no file the program knows, so nothing is encoded.
        if (const auto path = tree().filePathOf(tree().selectedNode())) {
            CurrentFile = *path;
            setWindowTitle(QStringLiteral("Encoding ") + FileNameOf(CurrentFile));
            Label3->setText(QStringLiteral("Encoding ") + CurrentFile);
            Disablem();
            EncodeFileControls controls = controlsOf(*this);
            controls.window = this;
            controls.mayStart = [this](std::int64_t expected) { return diskGuardAllows(expected); };
            controls.outputNamed = [this](const QString& mp3) {
                Label2->setText(destinationCaption(mp3));
            };
            const EncodeFileOutcome outcome = EncodeFile(CurrentFile, controls);
            const JobResult::Status status = outcome.result == EncodeFileResult::Completed
                                                 ? JobResult::Status::Completed
                                                 : JobResult::Status::Failed;
            if (const auto problem = deleteEncodedSource(*this, CurrentFile, status))
                dialogs::msgBox(*problem, dialogs::Buttons::Ok, dialogs::Icon::Critical,
                                QStringLiteral("Critical error..."));
            CurrentFile = outcome.mp3Path;
            tree().Cmaddfile2(CurrentFile);
        }
    } else {
        return;
    }
    Timer1->start();
}

void Form1::fillEncoderLists() {
    cmbBitrate->clear();
    for (int i = 0; i < modLAME::bitrateCount; ++i)
        cmbBitrate->addItem(QString::number(modLAME::bitrateForIndex(i)));
    cmbQuality->clear();
    cmbQuality->addItems(modLAME::qualityNames());
}

// A list without a current entry (an index the store held that the list does not have)
// stores nothing.
void Form1::cmbBitrate_Click() {
    if (cmbBitrate->currentIndex() >= 0)
        WriteSetting(SettingKey::EncodingBitrate, QString::number(cmbBitrate->currentIndex()));
}

void Form1::cmbQuality_Click() {
    if (cmbQuality->currentIndex() >= 0)
        WriteSetting(SettingKey::EncodingQuality, QString::number(cmbQuality->currentIndex()));
}
