#include "app/windowbatch.h"

#include "app/jobstate.h"

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

BatchReport runWindowBatch(const WindowBatch& batch, QList<WorkItem> items) {
    BatchReport report;
    BatchRunner runner(batch.makeJob);
    runner.stopRequested = batch.stopRequested;
    if (batch.itemStarted)
        QObject::connect(&runner, &BatchRunner::itemStarted, &runner, batch.itemStarted);
    if (batch.progress)
        QObject::connect(&runner, &BatchRunner::itemProgress, &runner,
                         [&batch](const WorkItem&, const QString& caption, int percent) {
                             batch.progress(caption, percent);
                         });
    QObject::connect(&runner, &BatchRunner::itemFinished, &runner,
                     [&batch, &report](const WorkItem& item, const JobResult& result) {
                         if (!batch.itemFinished)
                             return;
                         if (auto problem = batch.itemFinished(item, result))
                             report.problems << *problem;
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
