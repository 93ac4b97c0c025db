#include "cli/progressdisplay.h"

#include "cli/commandsupport.h"
#include "engine/core/displaytext.h"
#include "engine/platform/nativepath.h"
#include "engine/service/windowbatch.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include <QCoreApplication>

namespace cli {

namespace {

// "m:ss", or "h:mm:ss" from an hour.
QString clockText(qint64 seconds) {
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const QString mmss =
        QStringLiteral("%1:%2")
            .arg(h > 0 ? QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')) : QString::number(m))
            .arg(s, 2, 10, QLatin1Char('0'));
    return h > 0 ? QString::number(h) + QLatin1Char(':') + mmss : mmss;
}

// Redraws closer together than this are skipped: a terminal that scrolls a line a
// millisecond would slow the batch down.
constexpr qint64 redrawIntervalMs = 100;

void writeErr(const QString& text) {
    std::fputs(nativepath::encode(text).constData(), stderr);
    std::fflush(stderr);
}

} // namespace

int terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

ProgressDisplay::ProgressDisplay(bool live, std::vector<qint64> weights,
                                 std::function<QString(const WorkItem&)> label)
    : live_(live), share_(weights), label_(std::move(label)),
      itemCount_(static_cast<int>(weights.size())) {
    clock_.start();
}

QString ProgressDisplay::problem(const WorkItem& item, const JobResult& result) const {
    QString reason = result.reason;
    if (result.status == JobResult::Status::Cancelled && reason.isEmpty())
        reason = QCoreApplication::translate(
            "cli::Progress", "stopped before its end; the file holds what was done");
    else if (result.status == JobResult::Status::NotStarted)
        reason = QCoreApplication::translate("cli::Progress", "not started");
    const QString label = label_(item);
    if ((!item.source.isEmpty() && reason.contains(item.source)) ||
        reason.startsWith(label + QLatin1Char(':')) || reason.startsWith(label + QLatin1Char(' ')))
        return reason;
    return label + QStringLiteral(": ") + reason;
}

void ProgressDisplay::itemStarted(const WorkItem& item) {
    running_.append(item);
    draw(true);
}

void ProgressDisplay::itemProgress(const WorkItem& item, int percent) {
    share_.set(item.index, percent);
    draw(false);
}

void ProgressDisplay::itemFinished(const WorkItem& item, const JobResult& result) {
    share_.set(item.index, 100.0);
    ++itemsEnded_;
    running_.removeIf([&item](const WorkItem& r) { return r.index == item.index; });
    clearLine();
    if (result.status == JobResult::Status::Completed) {
        if (printsOutputs) {
            std::fputs(nativepath::encode(escaped(item.output) + QLatin1Char('\n')).constData(),
                       stdout);
            std::fflush(stdout);
        }
        // An output that takes its name later is named then, not here.
        if (!live_)
            writeErr(escaped(printsOutputs ? label_(item) + QStringLiteral(" -> ") + item.output
                                           : label_(item) + QCoreApplication::translate(
                                                                "cli::Progress", ": done")) +
                     QLatin1Char('\n'));
    } else {
        if (!result.alert.isEmpty())
            writeErr(QCoreApplication::translate("cli::Progress", "mp3vortan-cli: ") +
                     escaped(result.alert) + QLatin1Char('\n'));
        writeErr(QCoreApplication::translate("cli::Progress", "mp3vortan-cli: ") +
                 escaped(problem(item, result)) + QLatin1Char('\n'));
    }
    draw(true);
}

void ProgressDisplay::end() {
    clearLine();
}

void ProgressDisplay::clearLine() {
    if (!lineShown_)
        return;
    writeErr(QStringLiteral("\r\033[K"));
    lineShown_ = false;
}

QString ProgressDisplay::barLine(int width) const {
    const qint64 bytesBefore = run_ ? run_->bytesBefore : 0;
    const double done = static_cast<double>(bytesBefore) + share_.doneWeight();
    const double total = static_cast<double>(
        run_ ? std::max(run_->bytesAll, bytesBefore + share_.totalWeight()) : share_.totalWeight());
    const double percent = run_ ? (total > 0 ? done * 100.0 / total : 0.0) : share_.percent();
    const double seconds =
        static_cast<double>(run_ ? run_->clock.elapsed() : clock_.elapsed()) / 1000.0;
    const double mbPerSecond = seconds > 0 ? done / seconds / (1024.0 * 1024.0) : 0.0;
    constexpr int barCells = 24;
    const int filled = std::clamp(static_cast<int>(percent / 100.0 * barCells), 0, barCells);
    QStringList names;
    for (const WorkItem& item : running_)
        names << escaped(label_(item));
    constexpr double mb = 1024.0 * 1024.0;
    QString times = clockText(static_cast<qint64>(seconds));
    const double left = total - done;
    if (done > 0 && seconds >= 1)
        times += QCoreApplication::translate("cli::Progress", ", about %1 left")
                     .arg(clockText(static_cast<qint64>(left / (done / seconds))));
    QString line =
        QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
        QString(barCells - filled, QLatin1Char('.')) + QStringLiteral("] ") +
        progressFigure(percent) +
        QCoreApplication::translate("cli::Progress", "  %1/%2 files  %3/%4 MB  ")
            .arg((run_ ? run_->itemsBefore : 0) + itemsEnded_)
            .arg(run_ ? std::max(run_->itemsAll, run_->itemsBefore + itemCount_) : itemCount_)
            .arg(done / mb, 0, 'f', 1)
            .arg(total / mb, 0, 'f', 1) +
        QString::number(mbPerSecond, 'f', 1) +
        QCoreApplication::translate("cli::Progress", " MB/s  ") + times + QStringLiteral("  ") +
        names.join(QStringLiteral(", "));
    if (line.size() >= width)
        line = line.left(std::max(width - 4, 0)) + QStringLiteral("...");
    return line;
}

void ProgressDisplay::draw(bool now) {
    if (!live_ || running_.isEmpty())
        return;
    const qint64 ms = clock_.elapsed();
    if (!now && lastDrawMs_ >= 0 && ms - lastDrawMs_ < redrawIntervalMs)
        return;
    lastDrawMs_ = ms;
    writeErr(QStringLiteral("\r\033[K") + barLine(terminalColumns() - 1));
    lineShown_ = true;
}

} // namespace cli
