#include "engine/core/windowbatch.h"

#include "engine/core/batchshare.h"
#include "engine/core/jobstate.h"
#include "engine/core/paths.h"

#include <algorithm>
#include <cmath>

namespace {

// "path: reason", unless the reason names the file already.
QString describe(const WorkItem& item, const QString& reason) {
    if (item.source.isEmpty() || reason.contains(item.source))
        return reason;
    return item.source + QStringLiteral(": ") + reason;
}

bool reportable(const JobResult& result) {
    return result.status == JobResult::Status::Failed ||
           result.status == JobResult::Status::Skipped;
}

} // namespace

QString progressFigure(double percent) {
    return QString::asprintf("%05.2f", percent) + QStringLiteral(" %");
}

QString progressTitle(const QString& progress, const QString& caption) {
    return caption.isEmpty() ? progress : progress + QStringLiteral(" - ") + caption;
}

RunningCaptions runningCaptions(const QString& action, const QList<WorkItem>& running,
                                qsizetype count) {
    QStringList names;
    QStringList numbers;
    for (const WorkItem& item : running) {
        names << FileNameOf(item.source);
        numbers << QStringLiteral("#%1").arg(item.index + 1);
    }
    return {action + QLatin1Char(' ') + names.join(QStringLiteral(", ")),
            QStringLiteral("%1 %2 of %3 files")
                .arg(action, numbers.join(QStringLiteral(", ")))
                .arg(count)};
}

BatchReport runWindowBatch(const WindowBatch& batch, QList<WorkItem> items) {
    BatchReport report;
    BatchRunner runner(batch.makeJob);
    runner.stopRequested = batch.stopRequested;
    if (batch.mayStart)
        runner.mayStart = [&batch](const WorkItem& item) {
            const std::int64_t expected =
                batch.expectedOutputBytes ? batch.expectedOutputBytes(item) : -1;
            return batch.mayStart(item, expected);
        };
    runner.maxParallel = std::max(batch.maxParallel, 1);
    const bool parallel = runner.maxParallel > 1;
    BatchShare share(items);
    QList<WorkItem> running;
    auto showShare = [&batch, &share] {
        if (!batch.progress)
            return;
        const double percent = share.percent();
        batch.progress(progressFigure(percent), static_cast<int>(std::floor(percent)));
    };

    if (batch.itemStarted)
        QObject::connect(&runner, &BatchRunner::itemStarted, &runner, batch.itemStarted);
    if (parallel)
        QObject::connect(&runner, &BatchRunner::itemStarted, &runner,
                         [&batch, &running](const WorkItem& item) {
                             running.append(item);
                             if (batch.runningChanged)
                                 batch.runningChanged(running);
                         });
    if (batch.progress)
        QObject::connect(&runner, &BatchRunner::itemProgress, &runner,
                         [&batch, &share, parallel,
                          showShare](const WorkItem& item, const QString& caption, int percent) {
                             if (!parallel) {
                                 batch.progress(caption, percent);
                                 return;
                             }
                             share.set(item.index, percent);
                             showShare();
                         });
    QObject::connect(&runner, &BatchRunner::itemFinished, &runner,
                     [&](const WorkItem& item, const JobResult& result) {
                         if (parallel) {
                             share.set(item.index, 100.0);
                             running.removeIf(
                                 [&item](const WorkItem& r) { return r.index == item.index; });
                         }
                         if (batch.itemFinished)
                             if (auto problem = batch.itemFinished(item, result))
                                 report.problems << *problem;
                         if (parallel) {
                             showShare();
                             if (batch.runningChanged && !running.isEmpty())
                                 batch.runningChanged(running);
                         }
                     });

    if (!runner.run(std::move(items))) {
        report.endedFromOutside = true;
        StopRequested = true;
    }
    report.items = runner.items();
    report.results = runner.results();
    if (!report.endedFromOutside)
        if (const auto message = failureMessage(report, batch.verb))
            dialogs::handler().message(*message);
    return report;
}

std::optional<dialogs::Message> failureMessage(const BatchReport& report, const QString& verb) {
    dialogs::Message message;
    message.icon = dialogs::Icon::Critical;
    message.title = QStringLiteral("Critical error...");
    QStringList lines;
    int failed = 0;
    for (qsizetype i = 0; i < report.results.size(); ++i) {
        const JobResult& result = report.results[i];
        if (!reportable(result))
            continue;
        ++failed;
        if (report.items.size() == 1) {
            if (result.status == JobResult::Status::Skipped) {
                message.title = QStringLiteral("Critical Error");
                lines << QStringLiteral("File not found...");
            } else {
                lines << result.reason;
            }
        } else {
            lines << describe(report.items[i], result.reason);
        }
    }
    if (failed > 0 && report.items.size() > 1)
        lines.prepend(QStringLiteral("%1 of %2 files could not be %3:\n")
                          .arg(failed)
                          .arg(report.items.size())
                          .arg(verb));
    if (!report.problems.isEmpty()) {
        if (!lines.isEmpty())
            lines << QString();
        lines << report.problems;
    }
    if (lines.isEmpty())
        return std::nullopt;
    message.text = lines.join(QLatin1Char('\n'));
    return message;
}
