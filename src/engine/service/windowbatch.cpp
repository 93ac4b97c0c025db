#include "engine/service/windowbatch.h"

#include "engine/core/batchshare.h"
#include "engine/core/paths.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// "path: reason", unless the reason names the file already.
QString describe(const WorkItem& item, const QString& reason) {
    if (item.source.isEmpty() || reason.contains(item.source))
        return reason;
    return item.source + QStringLiteral(": ") + reason;
}

// What the end message says of a file an abort cut short (`verb`: "decoded").
QString cutReason(const WorkItem& item, const QString& verb, bool single) {
    if (item.output.isEmpty() || !nativepath::isFile(item.output))
        return single ? QCoreApplication::translate(
                            "WindowBatch", "The file was aborted before anything was written.")
                      : QCoreApplication::translate("WindowBatch",
                                                    "aborted before anything was written");
    return (single ? QCoreApplication::translate(
                         "WindowBatch",
                         "The file was aborted: %1 holds only what was %2 before the abort.")
                   : QCoreApplication::translate(
                         "WindowBatch", "aborted: %1 holds only what was %2 before the abort"))
        .arg(item.output, verb);
}

} // namespace

RunningCaptions runningCaptions(const QString& action, const QList<WorkItem>& running,
                                qsizetype count) {
    QStringList names;
    QStringList numbers;
    for (const WorkItem& item : running) {
        names << FileNameOf(item.source);
        numbers << QStringLiteral("#%1").arg(item.index + 1);
    }
    return {action + QLatin1Char(' ') + names.join(QStringLiteral(", ")),
            QCoreApplication::translate("WindowBatch", "%1 %2 of %3 files")
                .arg(action, numbers.join(QStringLiteral(", ")))
                .arg(count)};
}

namespace {

// What the window keeps while it follows one batch.
struct Following {
    WindowBatch window;
    BatchShare share;
    QList<WorkItem> running; // the files under way, when several run at once
    QStringList problems;
    bool parallel = false;
    bool over = false; // the batch has ended: a late step's end is no longer awaited

    void showShare() const {
        if (!window.progress)
            return;
        const double percent = share.percent();
        window.progress(progressFigure(percent), static_cast<int>(std::floor(percent)));
    }
    void started(const WorkItem& item) {
        if (window.itemStarted)
            window.itemStarted(item);
        if (!parallel)
            return;
        running.append(item);
        if (window.runningChanged)
            window.runningChanged(running);
    }
    void progressed(const WorkItem& item, const QString& caption, int percent) {
        if (!window.progress)
            return;
        if (!parallel) {
            window.progress(caption, percent);
            return;
        }
        share.set(item.index, percent);
        showShare();
    }
    void finished(const WorkItem& item, const JobResult& result) {
        if (parallel) {
            share.set(item.index, 100.0);
            running.removeIf([&item](const WorkItem& r) { return r.index == item.index; });
        }
        if (window.itemFinished)
            if (auto problem = window.itemFinished(item, result))
                problems << *problem;
        if (parallel) {
            showShare();
            if (window.runningChanged && !running.isEmpty())
                window.runningChanged(running);
        }
    }
    void ended(const ConversionReport& conversion) {
        over = true;
        BatchReport report{conversion.items,
                           conversion.results,
                           problems,
                           conversion.endedFromOutside,
                           window.nameCutFiles && window.nameCutFiles(),
                           window.stopReason ? window.stopReason() : QString()};
        if (!report.endedFromOutside)
            if (const auto message = failureMessage(report, window.verb))
                dialogs::handler().message(*message);
        if (window.ended)
            window.ended(report);
    }
};

} // namespace

bool startWindowBatch(ConversionService& service, WindowBatch window, ConversionBatch work) {
    if (service.isRunning())
        return false;
    auto following = std::make_shared<Following>(
        Following{std::move(window), BatchShare(work.items), {}, {}, false});
    following->parallel = std::max(work.settings.filesAtOnce, 1) > 1;
    // The connections live as long as the batch.
    auto* context = new QObject(&service);
    QObject::connect(&service, &ConversionService::itemStarted, context,
                     [following](const WorkItem& item) { following->started(item); });
    QObject::connect(&service, &ConversionService::itemProgress, context,
                     [following](const WorkItem& item, const QString& caption, int percent) {
                         following->progressed(item, caption, percent);
                     });
    QObject::connect(
        &service, &ConversionService::itemFinished, context,
        [following, &service](const WorkItem& item, const JobResult& result) {
            following->finished(item, result);
            if (!following->window.itemFinishedLater)
                return;
            service.holdNext();
            following->window.itemFinishedLater(
                item, result, [following, &service](std::optional<QString> problem) {
                    if (following->over)
                        return;
                    if (problem)
                        following->problems << *problem;
                    service.resumeNext();
                });
        });
    QObject::connect(&service, &ConversionService::batchFinished, context,
                     [following, context](const ConversionReport& report) {
                         const std::shared_ptr<Following> kept = following;
                         // A batch that `ended` starts is not this one's to follow.
                         QObject::disconnect(context->parent(), nullptr, context, nullptr);
                         context->deleteLater();
                         kept->ended(report);
                     });
    service.mayStart = following->window.mayStart;
    if (service.start(std::move(work)))
        return true;
    delete context;
    return false;
}

std::optional<dialogs::Message> failureMessage(const BatchReport& report, const QString& verb) {
    dialogs::Message message;
    const bool single = report.items.size() == 1;
    QStringList lines;
    int notConverted = 0;
    bool failures = false;
    bool unstarted = false;
    for (qsizetype i = 0; i < report.results.size() && i < report.items.size(); ++i) {
        const JobResult& result = report.results[i];
        const WorkItem& item = report.items[i];
        switch (result.status) {
        case JobResult::Status::Completed:
            continue;
        case JobResult::Status::Failed:
            lines << (single ? result.reason : describe(item, result.reason));
            failures = true;
            break;
        case JobResult::Status::Skipped:
            if (single)
                message.title = QCoreApplication::translate("WindowBatch", "Critical Error");
            lines << (single ? QCoreApplication::translate("WindowBatch", "File not found...")
                             : describe(item, result.reason));
            failures = true;
            break;
        case JobResult::Status::Cancelled:
            if (!report.nameCutFiles)
                continue;
            lines << (single ? cutReason(item, verb, true)
                             : describe(item, cutReason(item, verb, false)));
            break;
        case JobResult::Status::NotStarted:
            if (report.stopReason.isEmpty())
                continue;
            lines << (single
                          ? QCoreApplication::translate("WindowBatch", "The file was not started.")
                          : describe(item,
                                     QCoreApplication::translate("WindowBatch", "not started")));
            unstarted = true;
            break;
        }
        ++notConverted;
    }
    if (unstarted)
        lines << QString() << report.stopReason;
    if (notConverted > 0 && !single)
        lines.prepend(
            QCoreApplication::translate("WindowBatch", "%1 of %2 files could not be %3:\n")
                .arg(notConverted)
                .arg(report.items.size())
                .arg(verb));
    if (!report.problems.isEmpty()) {
        if (!lines.isEmpty())
            lines << QString();
        lines << report.problems;
        failures = true;
    }
    if (lines.isEmpty())
        return std::nullopt;
    if (failures) {
        message.icon = dialogs::Icon::Critical;
        if (message.title.isEmpty())
            message.title = QCoreApplication::translate("WindowBatch", "Critical error...");
    } else {
        message.icon = dialogs::Icon::Exclamation;
        message.title = dialogs::applicationTitle();
    }
    message.text = lines.join(QLatin1Char('\n'));
    return message;
}
