// mp3vortan-cli convert --mirror: a music library converted into a destination in one step.
#include "cli/commands.h"
#include "cli/commandsupport.h"

#include "engine/core/settings.h"
#include "engine/library/mirrorrun.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>

namespace cli {

namespace {

constexpr int usageStatus = 2;

library::MirrorRequest requestOf(const Options& options) {
    library::MirrorRequest request;
    for (const QString& argument : options.arguments)
        request.roots << nativepath::absolute(argument);
    request.destination = nativepath::absolute(options.outputFolder);
    request.format = *options.convertTo;
    request.settings.mp3 = configFor(options);
    request.settings.flacLevel = options.convertFlacLevel.value_or(pipeline::defaultFlacLevel);
    if (request.format == pipeline::OutputFormat::Opus)
        request.settings.opusBitrateKbps =
            options.convertBitrateKbps.value_or(pipeline::defaultOpusBitrateKbps);
    request.portableNames = options.portableNames;
    request.removeOrphans = options.mirrorDelete;
    request.dryRun = options.dryRun;
    request.filesAtOnce = options.filesAtOnce.value_or(filesAtOnce());
    return request;
}

} // namespace

int mirror(const Options& options, Interruption& interruption) {
    LoadSettings(); // MP3's bitrate and quality default to the window's
    const library::MirrorRequest request = requestOf(options);
    if (const QString refused = library::MirrorRun::refusal(request); !refused.isEmpty()) {
        fail(refused);
        return usageStatus;
    }
    library::MirrorNotes notes;
    notes.problem = [](const QString& text) {
        say(QCoreApplication::translate("cli::Mirror", "mp3vortan-cli: ") + text);
    };
    notes.listed = [](const QString& line) { print(line); };
    library::MirrorRun run(request, notes);
    if (auto refused = run.open())
        return fail(refused->description());
    // The walk reads folders only: an interruption ends it between two. The library is
    // walked once to claim every output (what the orphans are depends on all of them), then
    // planned and made a few hundred files at a time, so that what the run holds does not grow
    // with the library.
    const auto stopped = [&interruption] { return interruption.happened(); };
    if (!run.survey(stopped)) {
        say(QCoreApplication::translate("cli::Mirror",
                                        "mp3vortan-cli: interrupted; nothing was converted"));
        return 1;
    }
    const Result<int> orphans = run.settleOrphans();
    if (!orphans)
        return fail(orphans.error().description());
    if (orphans.value() > 0)
        say(QCoreApplication::translate("cli::Mirror",
                                        "mp3vortan-cli: %1 outputs that no source gives any more "
                                        "are kept (--delete removes them)")
                .arg(orphans.value()));

    constexpr std::size_t tasksAtOnce = 500;
    if (options.dryRun) {
        qsizetype converts = 0;
        qsizetype copies = 0;
        while (!run.walked()) {
            if (!run.planNext(stopped, tasksAtOnce)) {
                say(QCoreApplication::translate("cli::Mirror", "mp3vortan-cli: interrupted"));
                return 1;
            }
            const auto made = std::count_if(run.tasks().begin(), run.tasks().end(),
                                            [](const library::MirrorTask& t) {
                                                return t.kind == library::MirrorTask::Kind::Convert;
                                            });
            converts += made;
            copies += static_cast<qsizetype>(run.tasks().size()) - made;
        }
        const library::MirrorCounts& c = run.counts();
        say(QCoreApplication::translate(
                "cli::Mirror",
                "mp3vortan-cli: dry run, nothing changed: would convert %1, copy %2, "
                "remove %3; up to date %4, failed %5")
                .arg(converts)
                .arg(copies)
                .arg(c.removed)
                .arg(c.upToDate)
                .arg(c.failed));
        return c.failed > 0 ? 1 : 0;
    }

    int status = 0;
    bool full = false;
    RunShare share; // the bar shows the whole run, as the survey counted it
    share.itemsAll = run.surveyed().tasks;
    share.bytesAll = run.surveyed().bytes;
    share.clock.start();
    while (!run.walked() && !full && status == 0) {
        if (!run.planNext(stopped, tasksAtOnce)) {
            say(QCoreApplication::translate("cli::Mirror", "mp3vortan-cli: interrupted"));
            status = 1;
            break;
        }
        if (run.tasks().empty())
            continue;
        Batch batch;
        batch.work = run.batch();
        batch.weights = run.weights();
        batch.label = [&run](const WorkItem& item) { return run.label(item); };
        batch.verb = QCoreApplication::translate("cli::Mirror", "converted or copied");
        batch.partOf = share;
        share.itemsBefore += static_cast<int>(batch.weights.size());
        for (const qint64 bytes : batch.weights)
            share.bytesBefore += bytes;
        batch.stopAfter = [&full, &run, &request](const WorkItem&, const JobResult& result) {
            if (full || !run.diskFull(result))
                return false;
            full = true;
            say(QCoreApplication::translate(
                    "cli::Mirror", "mp3vortan-cli: %1: the disk is full; the run stops here, "
                                   "nothing is left half-written, and running it again once there "
                                   "is room finishes the rest")
                    .arg(request.destination));
            return true;
        };
        const BatchOutcome outcome = runBatch(std::move(batch), interruption);
        run.account(outcome.results);
        if (interruption.happened())
            status = 1;
    }
    const library::MirrorCounts& c = run.counts();
    // What a stopped run (a full disk, an interruption) left to make, the folders it never
    // reached included: the survey counted them.
    if (const int notDone = run.surveyed().tasks - c.converted - c.copied;
        (full || status != 0) && notDone > 0)
        say(QCoreApplication::translate("cli::Mirror",
                                        "mp3vortan-cli: %1 files are not done yet; running the "
                                        "same command again makes them")
                .arg(notDone));
    say(QCoreApplication::translate(
            "cli::Mirror", "mp3vortan-cli: converted %1, copied %2, up to date %3, failed %4, "
                           "removed %5")
            .arg(c.converted)
            .arg(c.copied)
            .arg(c.upToDate)
            .arg(c.failed)
            .arg(c.removed));
    if (!c.failures.isEmpty()) {
        say(QCoreApplication::translate("cli::Mirror", "mp3vortan-cli: not mirrored:"));
        for (const QString& line : c.failures)
            say(QStringLiteral("  ") + line);
    }
    return c.failed > 0 || status != 0 || interruption.happened() ? 1 : 0;
}

} // namespace cli
