// The decoding batch: every MP3 of a group, or the one MP3 whose node is selected, decoded
// to WAV in the destination folder (one after the other, or several at once by the "Files
// at once" preference), each WAV then listed in the tree as it is done.
#include "window/decoder/cmddecoder.h"

#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/decode/decodejob.h"
#include "engine/decode/decoding.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/nativepath.h"
#include "engine/service/windowbatch.h"
#include "window/main/form1.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QString destinationCaption(const QString& wavPath) {
    return QCoreApplication::translate("ConversionService", "Destination:  ") + wavPath;
}

// What the window does around each file of a decoding batch. `captions` sets the window
// caption and the two labels for the item starting. Each WAV has been closed by its job when
// the item ends, so it is listed at once.
WindowBatch decodingBatch(Form1& form, std::function<void(const WorkItem&)> captions) {
    WindowBatch batch = form.fileBatch(QCoreApplication::translate("ConversionService", "decoded"),
                                       [captions](const WorkItem& item) {
                                           captions(item);
                                           DecodingActive = true;
                                       });
    batch.nameCutFiles = [] { return true; };
    batch.itemFinished = [&form](const WorkItem& item,
                                 const JobResult& result) -> std::optional<QString> {
        DecodingActive = false;
        if (result.status == JobResult::Status::Skipped ||
            result.status == JobResult::Status::NotStarted)
            return std::nullopt;
        // An aborted or failed decode leaves a shorter WAV, properly ended: it is listed too
        // (a file that was never written is not), and the end message names it.
        DecodeOutputFile = item.output;
        form.tree().addClosedFile(DecodeOutputFile);
        return std::nullopt;
    };
    return batch;
}

ConversionBatch decodingWork(const Form1& form, const QStringList& sources) {
    ConversionBatch work;
    work.kind = ConversionKind::Mp3ToWav;
    work.settings = form.conversionSettings();
    for (const QString& source : sources) // paths keep their exact case
        work.items.append(WorkItem{
            source, ConversionService::outputFor(work.kind, work.settings.destination, source)});
    return work;
}

// The end of every decoding batch of the window; `showSize`: the WAV's size in lblStatus.
void endDecoding(Form1& form, WindowBatch& batch, bool showSize) {
    batch.ended = [&form, showSize](const BatchReport&) {
        if (showSize && nativepath::isFile(DecodeOutputFile))
            form.lblStatus->setText(QString::number(nativepath::fileSize(DecodeOutputFile)) +
                                    QCoreApplication::translate("ConversionService", " bytes"));
        form.Timer1->start();
    };
}

enum class Group { Available, Selected };

void decodeList(Form1& form, const MirrorList& list, Group group) {
    ConversionBatch work = decodingWork(form, list.items());
    const auto count = work.items.size();
    auto captions = [&form, group, count](const WorkItem& item) {
        const QString caption =
            QCoreApplication::translate("ConversionService", "Decoding ") + FileNameOf(item.source);
        const QString progress =
            QCoreApplication::translate("ConversionService", "Decoding #%1 of %2 files")
                .arg(item.index + 1)
                .arg(count);
        if (group == Group::Available)
            form.setWindowTitle(caption);
        form.Label3->setText(progress);
        form.Label2->setText(destinationCaption(item.output));
        if (group == Group::Selected)
            form.setWindowTitle(caption);
    };
    WindowBatch batch = decodingBatch(form, captions);
    form.runInParallel(batch, QCoreApplication::translate("ConversionService", "Decoding"), count);
    endDecoding(form, batch, group == Group::Selected);
    form.startBatch(std::move(batch), std::move(work));
}

// Every MP3 node is mirrored in one of the two lists; a node found in neither names no file
// the program knows, so nothing is decoded.
void decodeNode(Form1& form, const QString& nodeText) {
    const auto path = form.tree().filePathOf(form.tree().selectedNode());
    if (!path) {
        form.Timer1->start();
        return;
    }
    auto captions = [&form, nodeText](const WorkItem& item) {
        form.Label3->setText(QCoreApplication::translate("ConversionService", "Decoding  ") +
                             nodeText);
        form.Label2->setText(destinationCaption(item.output));
        form.setWindowTitle(QCoreApplication::translate("ConversionService", "Decoding ") +
                            FileNameOf(item.source));
    };
    ConversionBatch work = decodingWork(form, {*path});
    work.settings.filesAtOnce = 1;
    // The WAV is named after the node's text, as the node shows the file.
    work.items.front().output =
        ConversionService::outputFor(work.kind, work.settings.destination, nodeText);
    WindowBatch batch = decodingBatch(form, captions);
    endDecoding(form, batch, false);
    form.startBatch(std::move(batch), std::move(work));
}

} // namespace

void Form1::CmdDecoder_Click() {
    SourceTree& sources = tree();
    const QString nodeText = sources.text(sources.selectedNode());
    const SourceTree::Group group = sources.groupOf(sources.selectedNode());
    if (group == SourceTree::Group::Mp3) {
        if (sources.List2.isEmpty()) {
            dialogs::msgBox(tr("No files in list."), dialogs::Buttons::Ok,
                            dialogs::Icon::Information);
            return;
        }
        decodeList(*this, sources.List2, Group::Available);
    } else if (group == SourceTree::Group::SelectedMp3) {
        if (sources.List4.isEmpty()) {
            dialogs::msgBox(tr("No files selected"), dialogs::Buttons::Ok,
                            dialogs::Icon::Information);
            return;
        }
        decodeList(*this, sources.List4, Group::Selected);
    } else if (sources.NodeKind(sources.selectedNode()) == 3 &&
               sources.startJobFor(sources.selectedNode()) == SourceTree::StartJob::Decode) {
        decodeNode(*this, nodeText);
    }
}
