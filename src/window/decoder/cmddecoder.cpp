// The decoding batch: every MP3 of a group, or the one MP3 whose node is selected, decoded
// to WAV in the destination folder (one after the other, or several at once by the "Files
// at once" preference), each WAV then listed in the tree as it is done.
#include "window/decoder/cmddecoder.h"

#include "engine/core/jobstate.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/core/windowbatch.h"
#include "engine/decode/decodejob.h"
#include "engine/decode/decoding.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/nativepath.h"
#include "window/main/form1.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QString destinationCaption(const QString& wavPath) {
    return QStringLiteral("Destination:  ") + wavPath;
}

// What the window does around each file of a decoding batch. `captions` sets the window
// caption and the two labels for the item starting. `severalAtOnce`: the batch runs several
// files at once, and lists each WAV (closed by its job) without the settling wait.
WindowBatch decodingBatch(Form1& form, std::function<void(const WorkItem&)> captions,
                          bool severalAtOnce = false) {
    auto makeJob = [&form] {
        auto job = std::make_unique<DecodeJob>();
        // The stop commands that close the decoder window end the file at once.
        QObject::connect(&form, &Form1::decoderWindowUnloadRequested, job.get(),
                         &DecodeJob::cancel);
        return job;
    };
    WindowBatch batch =
        form.fileBatch(QStringLiteral("decoded"), makeJob, [captions](const WorkItem& item) {
            captions(item);
            DecodingActive = true;
        });
    batch.expectedOutputBytes = [](const WorkItem& item) { return expectedWavBytes(item.source); };
    batch.itemFinished = [&form, severalAtOnce](const WorkItem& item,
                                                const JobResult& result) -> std::optional<QString> {
        DecodingActive = false;
        if (result.status == JobResult::Status::Skipped ||
            result.status == JobResult::Status::NotStarted)
            return std::nullopt;
        // A stopped or failed decode leaves a shorter WAV, properly ended: it is listed too
        // (Cmaddfile2 ignores a file that was never written).
        DecodeOutputFile = item.output;
        if (severalAtOnce)
            form.tree().addClosedFile(DecodeOutputFile);
        else
            form.tree().Cmaddfile2(DecodeOutputFile);
        return std::nullopt;
    };
    return batch;
}

enum class Group { Available, Selected };

void decodeList(Form1& form, const MirrorList& list, Group group) {
    QList<WorkItem> items;
    for (const QString& entry : list) // paths keep their exact case
        items.append(WorkItem{entry, decodedWavPath(entry)});
    const auto count = items.size();
    auto captions = [&form, group, count](const WorkItem& item) {
        const QString caption = QStringLiteral("Decoding ") + FileNameOf(item.source);
        const QString progress =
            QStringLiteral("Decoding #%1 of %2 files").arg(item.index + 1).arg(count);
        if (group == Group::Available) {
            form.setWindowTitle(caption);
            form.Label3->setText(progress);
            form.Label2->setText(destinationCaption(item.output));
            QCoreApplication::processEvents();
        } else {
            form.Label3->setText(progress);
            form.Label2->setText(destinationCaption(item.output));
            form.setWindowTitle(caption);
        }
    };
    WindowBatch batch = decodingBatch(form, captions, filesAtOnce() > 1 && count > 1);
    form.runInParallel(batch, QStringLiteral("Decoding"), count);
    form.recordBatch(runWindowBatch(batch, items));
    if (group == Group::Selected) {
        if (nativepath::isFile(DecodeOutputFile))
            form.lblStatus->setText(QString::number(nativepath::fileSize(DecodeOutputFile)) +
                                    QStringLiteral(" bytes"));
    }
}

// Every MP3 node is mirrored in one of the two lists; a node found in neither names no file
// the program knows, so nothing is decoded.
void decodeNode(Form1& form, const QString& nodeText) {
    const auto path = form.tree().filePathOf(form.tree().selectedNode());
    if (!path)
        return;
    auto captions = [&form, nodeText](const WorkItem& item) {
        form.Label3->setText(QStringLiteral("Decoding  ") + nodeText);
        form.Label2->setText(destinationCaption(item.output));
        form.setWindowTitle(QStringLiteral("Decoding ") + FileNameOf(item.source));
    };
    form.recordBatch(
        runWindowBatch(decodingBatch(form, captions), {WorkItem{*path, decodedWavPath(nodeText)}}));
}

} // namespace

void Form1::CmdDecoder_Click() {
    SourceTree& sources = tree();
    const QString nodeText = sources.text(sources.selectedNode());
    if (nodeText == SourceTree::Mp3Text) {
        if (sources.List2.isEmpty()) {
            dialogs::msgBox(QStringLiteral("No files in list."), dialogs::Buttons::Ok,
                            dialogs::Icon::Information);
            return;
        }
        decodeList(*this, sources.List2, Group::Available);
    } else if (nodeText == SourceTree::SelectedMp3Text) {
        if (sources.List4.isEmpty()) {
            dialogs::msgBox(QStringLiteral("No files selected"), dialogs::Buttons::Ok,
                            dialogs::Icon::Information);
            return;
        }
        decodeList(*this, sources.List4, Group::Selected);
    } else if (sources.NodeKind(sources.selectedNode()) == 3 &&
               sources.startJobFor(sources.selectedNode()) == SourceTree::StartJob::Decode) {
        decodeNode(*this, nodeText);
    } else {
        StopRequested = true;
        return;
    }
    Timer1->start();
    StopRequested = true;
}
