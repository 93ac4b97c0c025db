// The main window's "Convert Folder...": a music folder mirrored into another, in one format.
#include "engine/core/settings.h"
#include "engine/encode/modlame.h"
#include "engine/library/mirrorplanjob.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/nativepath.h"
#include "window/main/form1.h"

#include <QAction>
#include <QLabel>
#include <QTimer>

namespace {

const QString title = QStringLiteral("Convert Folder");

bool yes(const QString& answer) {
    const QString a = answer.trimmed().toLower();
    return a == QLatin1String("yes") || a == QLatin1String("y");
}

// The request the form's texts make from the window's choices, or why they make none.
std::optional<library::MirrorRequest>
requestFrom(const QStringList& values, const ConversionSettings& settings, QString& refused) {
    library::MirrorRequest request;
    const QString source = values.value(0).trimmed();
    const QString destination = values.value(1).trimmed();
    if (source.isEmpty() || destination.isEmpty()) {
        refused = QStringLiteral("Give the folder to convert and the folder to convert it into.");
        return std::nullopt;
    }
    request.roots << nativepath::absolute(source);
    request.destination = nativepath::absolute(destination);
    if (!pipeline::outputFormatFromName(values.value(2).trimmed(), request.format)) {
        refused = QStringLiteral("\"%1\" is not one of mp3, flac, opus, wav.").arg(values.value(2));
        return std::nullopt;
    }
    request.settings = settings.formats;
    const QString figure = values.value(3).trimmed();
    if (!figure.isEmpty() && request.format != pipeline::OutputFormat::Wav) {
        bool ok = false;
        const int n = figure.toInt(&ok);
        if (request.format == pipeline::OutputFormat::Mp3 && ok && n > 0) {
            request.settings.mp3.bitrateKbps = static_cast<std::uint32_t>(n);
            ok = false; // one of the encoder's list
            for (int i = 0; i < modLAME::bitrateCount; ++i)
                ok = ok || modLAME::bitrateForIndex(i) == static_cast<std::uint32_t>(n);
        } else if (request.format == pipeline::OutputFormat::Flac) {
            ok = ok && n >= pipeline::minFlacLevel && n <= pipeline::maxFlacLevel;
            request.settings.flacLevel = n;
        } else if (request.format == pipeline::OutputFormat::Opus) {
            ok = ok && n >= pipeline::minOpusBitrateKbps && n <= pipeline::maxOpusBitrateKbps;
            request.settings.opusBitrateKbps = n;
        }
        if (!ok) {
            refused = QStringLiteral("\"%1\" is no bitrate or level of %2.")
                          .arg(figure, pipeline::displayNameOf(request.format));
            return std::nullopt;
        }
    }
    request.removeOrphans = yes(values.value(4));
    request.portableNames = yes(values.value(5));
    request.filesAtOnce = settings.filesAtOnce;
    return request;
}

QString figureOf(const library::MirrorRequest& r) {
    switch (r.format) {
    case pipeline::OutputFormat::Mp3:
        return QString::number(r.settings.mp3.bitrateKbps);
    case pipeline::OutputFormat::Flac:
        return QString::number(r.settings.flacLevel);
    case pipeline::OutputFormat::Opus:
        return QString::number(r.settings.opusBitrateKbps);
    case pipeline::OutputFormat::Wav:
        break;
    }
    return {};
}

QString summaryOf(const library::MirrorCounts& c) {
    QString text =
        QStringLiteral("Converted: %1\nCopied: %2\nUp to date: %3\nFailed: %4\nRemoved: %5")
            .arg(c.converted)
            .arg(c.copied)
            .arg(c.upToDate)
            .arg(c.failed)
            .arg(c.removed);
    if (!c.failures.isEmpty())
        text += QStringLiteral("\n\n") + c.failures.mid(0, 20).join(QLatin1Char('\n'));
    return text;
}

} // namespace

void Form1::mnuConvertFolder_Click() {
    if (isJobRunning() || folderPlanning_)
        return;
    const ConversionSettings settings = conversionSettings();
    const QString source = dialogs::handler().chooseFolder(
        QStringLiteral("Convert Folder: the music folder to convert"), DecodePath);
    if (source.isEmpty())
        return;
    library::MirrorRequest shown;
    shown.format = settings.convertTo;
    shown.settings = settings.formats;
    const std::optional<QStringList> values = dialogs::handler().form(
        title,
        {{QStringLiteral("Folder to convert"), source},
         {QStringLiteral("Into the folder"), DecodePath + QStringLiteral("/Converted")},
         {QStringLiteral("Format (mp3, flac, opus, wav)"), pipeline::extensionOf(shown.format)},
         {QStringLiteral("MP3 or Opus bitrate (kbit/s), FLAC level"), figureOf(shown)},
         {QStringLiteral("Remove outputs whose source is gone (yes/no)"), QStringLiteral("no")},
         {QStringLiteral("Names valid on memory cards and phones (yes/no)"),
          QStringLiteral("no")}});
    if (!values)
        return;
    QString refused;
    std::optional<library::MirrorRequest> request = requestFrom(*values, settings, refused);
    if (request && refused.isEmpty())
        refused = library::MirrorRun::refusal(*request);
    if (!request || !refused.isEmpty()) {
        dialogs::msgBox(refused, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title);
        return;
    }
    // First what would be done, for the user to confirm; then the run itself.
    request->dryRun = true;
    planFolder(*request, [this, request = *request](
                             const std::shared_ptr<library::MirrorRun>& planned) mutable {
        library::MirrorRun& preview = *planned;
        qsizetype converts = 0;
        for (const library::MirrorTask& task : preview.tasks())
            converts += task.kind == library::MirrorTask::Kind::Convert ? 1 : 0;
        const auto orphans = preview.settleOrphans();
        const library::MirrorCounts& c = preview.counts();
        QString text =
            QStringLiteral("%1 files to convert, %2 to copy, %3 up to date, %4 to remove, %5 "
                           "failing.")
                .arg(converts)
                .arg(static_cast<qsizetype>(preview.tasks().size()) - converts)
                .arg(c.upToDate)
                .arg(c.removed)
                .arg(c.failed);
        if (!c.failures.isEmpty())
            text += QStringLiteral("\n\n") + c.failures.mid(0, 10).join(QLatin1Char('\n'));
        text += QStringLiteral("\n\nConvert now?");
        if (!orphans || dialogs::msgBox(text, dialogs::Buttons::YesNo, dialogs::Icon::Question,
                                        title) != dialogs::Answer::Yes)
            return;
        request.dryRun = false;
        planFolder(request,
                   [this](const std::shared_ptr<library::MirrorRun>& run) { runFolder(run); });
    });
}

void Form1::planFolder(const library::MirrorRequest& request,
                       std::function<void(const std::shared_ptr<library::MirrorRun>&)> then) {
    auto* job = new library::MirrorPlanJob(request, this);
    folderPlanning_ = job;
    mnuConvertFolder->setEnabled(false);
    connect(job, &FileJob::finished, this, [this, job, then = std::move(then)] {
        folderPlanning_ = nullptr;
        mnuConvertFolder->setEnabled(!isJobRunning());
        job->deleteLater();
        const JobResult result = job->result();
        if (result.status == JobResult::Status::Failed)
            dialogs::msgBox(result.reason, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title);
        else if (result.status == JobResult::Status::Completed)
            then(job->run());
    });
    job->begin();
}

void Form1::runFolder(const std::shared_ptr<library::MirrorRun>& run) {
    const Result<int> orphans = run->settleOrphans();
    if (!orphans) {
        dialogs::msgBox(orphans.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Exclamation, title);
        return;
    }
    if (run->tasks().empty()) {
        dialogs::msgBox(summaryOf(run->counts()), dialogs::Buttons::Ok, dialogs::Icon::Information,
                        title);
        return;
    }
    ConversionBatch work = run->batch();
    const auto count = work.items.size();
    const QString action = QStringLiteral("Converting");
    WindowBatch batch = fileBatch(QStringLiteral("converted"), [this, run, count,
                                                                action](const WorkItem& item) {
        setWindowTitle(action + QLatin1Char(' ') + run->label(item));
        Label3->setText(action + QStringLiteral(" #%1 of %2 files").arg(item.index + 1).arg(count));
        Label2->setText(QStringLiteral("Destination:  ") +
                        run->tasks().at(static_cast<std::size_t>(item.index)).output);
    });
    // A full disk fails every file after it the same way: the batch stops there.
    batch.itemFinished = [this, run](const WorkItem&,
                                     const JobResult& result) -> std::optional<QString> {
        if (run->diskFull(result))
            conversions().stop();
        return std::nullopt;
    };
    batch.ended = [this, run](const BatchReport& report) {
        run->account(report.results);
        if (!report.endedFromOutside)
            dialogs::msgBox(summaryOf(run->counts()), dialogs::Buttons::Ok,
                            dialogs::Icon::Information, title);
        Timer1->start();
    };
    runInParallel(batch, action, count);
    startBatch(std::move(batch), std::move(work));
}
