// The main window's "Convert Folder...": a music folder mirrored into another, in one format.
#include "engine/library/mirrorplanjob.h"
#include "engine/platform/dialogs.h"
#include "window/main/convertfolderdialog.h"
#include "window/main/form1.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

namespace {

QString title() {
    return QCoreApplication::translate("Form1", "Convert Folder");
}

QString summaryOf(const library::MirrorCounts& c) {
    QString text =
        QCoreApplication::translate(
            "Form1", "Converted: %1\nCopied: %2\nUp to date: %3\nFailed: %4\nRemoved: %5")
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

ConvertFolderDialog* Form1::convertFolderDialog() const {
    return convertFolder_;
}

void Form1::mnuConvertFolder_Click() {
    if (isJobRunning() || folderPlanning_)
        return;
    if (convertFolder_) {
        convertFolder_->raise();
        convertFolder_->activateWindow();
        return;
    }
    auto* dialog = new ConvertFolderDialog(conversionSettings(), this);
    convertFolder_ = dialog;
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        std::optional<library::MirrorRequest> request = dialog->request();
        if (!request || isJobRunning() || folderPlanning_)
            return;
        planFolder(*request,
                   [this](const std::shared_ptr<library::MirrorRun>& run) { runFolder(run); });
    });
    dialog->open();
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
            dialogs::msgBox(result.reason, dialogs::Buttons::Ok, dialogs::Icon::Exclamation,
                            title());
        else if (result.status == JobResult::Status::Completed)
            then(job->run());
    });
    job->begin();
}

void Form1::runFolder(const std::shared_ptr<library::MirrorRun>& run) {
    const Result<int> orphans = run->settleOrphans();
    if (!orphans) {
        dialogs::msgBox(orphans.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Exclamation, title());
        return;
    }
    if (run->tasks().empty()) {
        dialogs::msgBox(summaryOf(run->counts()), dialogs::Buttons::Ok, dialogs::Icon::Information,
                        title());
        return;
    }
    ConversionBatch work = run->batch();
    const auto count = work.items.size();
    const QString action = tr("Converting");
    WindowBatch batch =
        fileBatch(tr("converted"), [this, run, count, action](const WorkItem& item) {
            setWindowTitle(action + QLatin1Char(' ') + run->label(item));
            Label3->setText(action + tr(" #%1 of %2 files").arg(item.index + 1).arg(count));
            Label2->setText(tr("Destination:  ") +
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
                            dialogs::Icon::Information, title());
        Timer1->start();
    };
    runInParallel(batch, action, count);
    startBatch(std::move(batch), std::move(work));
}
