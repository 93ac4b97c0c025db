// The main window's WAV encoding command and its bitrate and quality lists, and the batch over
// files it shares with the audio conversion command.
#include "engine/core/jobstate.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/encode/modlame.h"
#include "engine/formats/mp3info.h"
#include "engine/pipeline/encodejob.h"
#include "engine/platform/dialogs.h"
#include "engine/service/windowbatch.h"
#include "window/main/encodefile.h"
#include "window/main/filebatch.h"
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

QString destinationCaption(const QString& outputPath) {
    return QCoreApplication::translate("Form1", "Destination:  ") + outputPath;
}

// Deletes the source of a finished encode when the batch's delete rule says so. Only a
// complete MP3 replaces its source: a cancelled or failed encode keeps it. Returns what went
// wrong.
std::optional<QString> deleteEncodedSource(Form1& window, const QString& source,
                                           JobResult::Status status, bool deleteRule) {
    if (status != JobResult::Status::Completed || !deleteRule || !isWavPath(source))
        return std::nullopt;
    // The job closed the MP3 and is done with the source: no settling wait.
    if (const auto error = window.tree().DeleteFileAndNode(source, false))
        return source +
               QCoreApplication::translate("Form1",
                                           ": encoded, but the WAV could not be deleted: ") +
               error->description();
    return std::nullopt;
}

// What the window does around each file of a batch. `captions` sets the window caption and
// the two labels for the item starting. Each output has been closed by its job when the item
// ends, so it is listed at once.
WindowBatch fileBatch(Form1& window, const filebatch::Kind& kind,
                      std::function<void(const WorkItem&)> captions, filebatch::Listing listing,
                      bool deleteRule) {
    WindowBatch batch =
        window.fileBatch(kind.verb, [captions](const WorkItem& item) { captions(item); });
    batch.nameCutFiles = [] { return true; };
    batch.itemFinished = [&window, listing,
                          deleteRule](const WorkItem& item,
                                      const JobResult& result) -> std::optional<QString> {
        const auto problem = deleteEncodedSource(window, item.source, result.status, deleteRule);
        if (listing == filebatch::Listing::Any || sizeAfterId3v2(item.output) > smallestListedMp3)
            window.tree().addClosedFile(item.output);
        return problem;
    };
    batch.ended = [&window](const BatchReport&) { window.Timer1->start(); };
    return batch;
}

} // namespace

ConversionBatch filebatch::work(const Form1& window, ConversionKind kind,
                                const QStringList& sources) {
    ConversionBatch work;
    work.kind = kind;
    work.settings = window.conversionSettings();
    for (const QString& source : sources)
        work.items.append(
            WorkItem{source, ConversionService::outputFor(kind, work.settings, source)});
    return work;
}

void filebatch::runList(Form1& window, const Kind& kind, const QStringList& sources,
                        Listing listing) {
    ConversionBatch work = filebatch::work(window, kind.conversion, sources);
    const auto count = work.items.size();
    const QString action = kind.action;
    auto captions = [&window, count, action](const WorkItem& item) {
        // The captions name the real output file, whose name keeps the source's case.
        window.setWindowTitle(action + QLatin1Char(' ') + FileNameOf(item.source));
        window.Label3->setText(action + QCoreApplication::translate("Form1", " #%1 of %2 files")
                                            .arg(item.index + 1)
                                            .arg(count));
        window.Label2->setText(destinationCaption(item.output));
    };
    WindowBatch batch = fileBatch(window, kind, captions, listing,
                                  kind.deletesSources && work.settings.deleteSource);
    window.runInParallel(batch, action, count);
    window.startBatch(std::move(batch), std::move(work));
}

void filebatch::runOne(Form1& window, const Kind& kind, const QString& path) {
    CurrentFile = path;
    window.setWindowTitle(kind.action + QLatin1Char(' ') + FileNameOf(path));
    window.Label3->setText(kind.action + QLatin1Char(' ') + path);
    ConversionBatch work = filebatch::work(window, kind.conversion, {path});
    work.settings.filesAtOnce = 1;
    const QString title = window.windowTitle();
    WindowBatch batch = fileBatch(
        window, kind,
        [&window, title](const WorkItem& item) {
            window.setWindowTitle(title);
            window.Label2->setText(destinationCaption(item.output));
        },
        Listing::Any, kind.deletesSources && work.settings.deleteSource);
    batch.ended = [&window](const BatchReport& report) {
        // The output begun, whole or not, is the file the window last worked on.
        const JobResult::Status status = report.results.value(0).status;
        if (status != JobResult::Status::NotStarted && status != JobResult::Status::Skipped)
            CurrentFile = report.items.front().output;
        window.Timer1->start();
    };
    window.startBatch(std::move(batch), std::move(work));
}

namespace {

filebatch::Kind wavEncoding() {
    return {ConversionKind::WavToMp3, QCoreApplication::translate("Form1", "Encoding"),
            QCoreApplication::translate("Form1", "encoded"), true};
}

} // namespace

void Form1::cmdEncFile_Click() {
    const SourceTree::NodeId node = tree().selectedNode();
    if (tree().groupOf(node) == SourceTree::Group::Wav) {
        filebatch::runList(*this, wavEncoding(), tree().List1.items(),
                           filebatch::Listing::OnlyWorthwhile);
    } else if (tree().groupOf(node) == SourceTree::Group::SelectedWav) {
        filebatch::runList(*this, wavEncoding(), tree().List5.items(), filebatch::Listing::Any);
    } else if (tree().NodeKind(node) == 3 &&
               tree().startJobFor(node) == SourceTree::StartJob::Encode) {
        // Every WAV node is mirrored in one of the two lists; a node found in neither names
        // no file the program knows, so nothing is encoded.
        if (const auto path = tree().filePathOf(tree().selectedNode()))
            filebatch::runOne(*this, wavEncoding(), *path);
        else
            Timer1->start();
    }
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
