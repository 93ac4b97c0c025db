// mp3vortan-cli convert --mirror: a music library converted into a destination in one step.
#include "cli/commands.h"
#include "cli/commandsupport.h"

#include "engine/core/settings.h"
#include "engine/formats/outputfile.h"
#include "engine/library/folderwalk.h"
#include "engine/library/mirrorjob.h"
#include "engine/library/mirrorplan.h"
#include "engine/library/mirrorrecord.h"
#include "engine/platform/nativepath.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cli {

namespace {

constexpr int usageStatus = 2;

// `path` with every link of its existing part followed: a destination not made yet is
// compared by where it will be.
QString resolved(const QString& path) {
    QString existing = path;
    QString rest;
    while (!existing.isEmpty() && existing != QLatin1String("/")) {
        const QString canonical = nativepath::canonical(existing);
        if (!canonical.isEmpty())
            return canonical == QLatin1String("/") ? QLatin1Char('/') + rest
                   : rest.isEmpty()                ? canonical
                                                   : canonical + QLatin1Char('/') + rest;
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        const QString name = existing.mid(slash + 1);
        rest = rest.isEmpty() ? name : name + QLatin1Char('/') + rest;
        existing = existing.left(std::max<qsizetype>(slash, 0));
    }
    return QLatin1Char('/') + rest;
}

bool within(const QString& path, const QString& folder) {
    return path == folder || folder == QLatin1String("/") ||
           path.startsWith(folder + QLatin1Char('/'));
}

// True when the file system of `folder` has (almost) no room left: a failure then is the
// disk's, and every later file would fail the same way.
bool diskFull(const QString& folder, const QString& reason) {
    if (reason.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
        return true;
    struct statvfs info {};
    if (::statvfs(nativepath::encode(folder).constData(), &info) != 0)
        return false;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize < 1024 * 1024;
}

// Removes the folders from `folder` up to (not including) `top` that are left empty.
void removeEmptyFolders(QString folder, const QString& top) {
    while (folder.size() > top.size() && folder.startsWith(top + QLatin1Char('/')) &&
           ::rmdir(nativepath::encode(folder).constData()) == 0)
        folder = folder.left(folder.lastIndexOf(QLatin1Char('/')));
}

struct Tally {
    int converted = 0;
    int copied = 0;
    int upToDate = 0;
    int failed = 0;
    int removed = 0;
    int left = 0; // clashes lost: named, not failures
    QStringList failures;
};

} // namespace

int mirror(const Options& options, Interruption& interruption) {
    LoadSettings(); // MP3's bitrate and quality default to the window's
    QStringList roots;
    for (const QString& argument : options.arguments) {
        const QString root = nativepath::absolute(argument);
        if (!nativepath::isDir(root)) {
            fail(QStringLiteral("%1: not a folder").arg(argument));
            return usageStatus;
        }
        roots << root;
    }
    const QString destination = nativepath::absolute(options.outputFolder);
    const QString destinationResolved = resolved(destination);
    for (const QString& root : roots) {
        const QString source = nativepath::canonical(root);
        if (destinationResolved == source) {
            fail(QStringLiteral("%1: the destination is the source folder itself; choose "
                                "another")
                     .arg(destination));
            return usageStatus;
        }
        if (within(destinationResolved, source)) {
            fail(QStringLiteral("%1: the destination lies inside the source folder %2; its "
                                "outputs would be mirrored again")
                     .arg(destination, root));
            return usageStatus;
        }
    }
    if (!options.dryRun && !nativepath::makeFolders(destination))
        return fail(QStringLiteral("%1: the destination folder cannot be created (%2)")
                        .arg(destination, QString::fromLocal8Bit(std::strerror(errno))));
    if (!options.dryRun && ::access(nativepath::encode(destination).constData(), W_OK) != 0)
        return fail(QStringLiteral("%1: the destination folder cannot be written (%2)")
                        .arg(destination, QString::fromLocal8Bit(std::strerror(errno))));
    auto opened = library::MirrorRecord::open(destination, !options.dryRun);
    if (!opened)
        return fail(opened.error().description());
    library::MirrorRecord& record = *opened.value();
    // This run holds the destination now: what a killed run left half-written at its top (the
    // record's rewrite) goes; each folder's own leftovers go as the walk reaches it.
    if (!options.dryRun)
        outputfile::removeLeftovers(destination, 0);

    library::MirrorChoices choices;
    choices.destination = destination == QLatin1String("/") ? QString() : destination;
    choices.format = *options.convertTo;
    choices.settings.mp3 = configFor(options);
    choices.settings.flacLevel = options.convertFlacLevel.value_or(pipeline::defaultFlacLevel);
    choices.settings.opusBitrateKbps =
        choices.format == pipeline::OutputFormat::Opus
            ? options.convertBitrateKbps.value_or(pipeline::defaultOpusBitrateKbps)
            : pipeline::defaultOpusBitrateKbps;
    choices.portableNames = options.portableNames;
    if (nativepath::isDir(destination))
        choices.maxNameBytes = outputfile::maxNameBytes(destination);

    // The walk: one folder at a time, its tasks kept, what is up to date only counted.
    Tally tally;
    QStringList unreadable; // folders whose outputs --delete must not take for orphans
    library::FolderWalk walk(roots, [&tally, &unreadable](const QString& problem) {
        say(QStringLiteral("mp3vortan-cli: ") + problem);
        if (!problem.contains(QLatin1String("(a loop)"))) {
            ++tally.failed;
            tally.failures << problem;
            unreadable << problem.section(QStringLiteral(": "), 0, 0);
        }
    });
    library::MirrorPlanner planner(choices, record);
    auto work = std::make_shared<library::MirrorWork>();
    work->format = choices.format;
    work->settings = choices.settings;
    work->record = &record;
    library::WalkedFolder folder;
    while (walk.next(folder)) {
        if (interruption.happened()) {
            say(QStringLiteral("mp3vortan-cli: interrupted; nothing was converted"));
            return 1;
        }
        library::FolderPlan plan = planner.plan(folder);
        for (const library::MirrorSkip& skip : plan.skipped) {
            say(QStringLiteral("mp3vortan-cli: ") + skip.source + QStringLiteral(": ") +
                skip.reason);
            if (skip.failed) {
                ++tally.failed;
                tally.failures << skip.source + QStringLiteral(": ") + skip.reason;
            } else {
                ++tally.left;
            }
        }
        tally.upToDate += static_cast<int>(plan.upToDate.size());
        if (options.dryRun)
            for (const QString& output : plan.upToDate)
                print(QStringLiteral("up to date: ") + output);
        if (plan.tasks.empty() && plan.upToDate.isEmpty())
            continue;
        const QString outFolder = planner.destinationFolderOf(folder);
        if (!options.dryRun) {
            // What a run killed here left half-written goes (this run holds the destination).
            if (nativepath::isDir(outFolder))
                outputfile::removeLeftovers(outFolder, 0);
            if (!plan.tasks.empty() && !nativepath::makeFolders(outFolder)) {
                const QString problem =
                    QStringLiteral("%1: the folder cannot be created (%2)")
                        .arg(outFolder, QString::fromLocal8Bit(std::strerror(errno)));
                say(QStringLiteral("mp3vortan-cli: ") + problem);
                tally.failed += static_cast<int>(plan.tasks.size());
                tally.failures << problem;
                continue;
            }
        }
        for (library::MirrorTask& task : plan.tasks)
            work->tasks.push_back(std::move(task));
    }

    // Outputs of this program whose source is gone.
    const std::vector<QString> unclaimed = planner.unclaimedOutputs();
    int orphansKept = 0;
    for (const QString& output : unclaimed) {
        const library::RecordEntry* entry = record.find(output);
        const bool sourceGone =
            entry && !nativepath::exists(entry->source) &&
            std::none_of(unreadable.cbegin(), unreadable.cend(),
                         [entry](const QString& f) { return within(entry->source, f); });
        if (!sourceGone)
            continue;
        const QString path = choices.destination + QLatin1Char('/') + output;
        if (!options.mirrorDelete) {
            ++orphansKept;
            continue;
        }
        if (options.dryRun) {
            if (nativepath::exists(path)) {
                print(QStringLiteral("remove: ") + path);
                ++tally.removed;
            }
            continue;
        }
        if (::unlink(nativepath::encode(path).constData()) != 0 && errno != ENOENT) {
            const QString problem = QStringLiteral("%1: cannot be removed (%2)")
                                        .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            say(QStringLiteral("mp3vortan-cli: ") + problem);
            ++tally.failed;
            tally.failures << problem;
            continue;
        }
        if (nativepath::exists(path) == false && entry) {
            print(QStringLiteral("removed: ") + path);
            ++tally.removed;
        }
        if (auto refused = record.forget(output))
            return fail(refused->description());
        removeEmptyFolders(path.left(path.lastIndexOf(QLatin1Char('/'))), choices.destination);
    }
    if (orphansKept > 0)
        say(QStringLiteral("mp3vortan-cli: %1 outputs whose source is gone are kept (--delete "
                           "removes them)")
                .arg(orphansKept));

    if (options.dryRun) {
        for (const library::MirrorTask& task : work->tasks)
            print((task.kind == library::MirrorTask::Kind::Convert ? QStringLiteral("convert: ")
                                                                   : QStringLiteral("copy: ")) +
                  task.source + QStringLiteral(" -> ") + task.output);
        const auto converts = std::count_if(
            work->tasks.begin(), work->tasks.end(), [](const library::MirrorTask& task) {
                return task.kind == library::MirrorTask::Kind::Convert;
            });
        say(QStringLiteral("mp3vortan-cli: dry run, nothing changed: would convert %1, copy %2, "
                           "remove %3; up to date %4, failed %5")
                .arg(converts)
                .arg(static_cast<qsizetype>(work->tasks.size()) - converts)
                .arg(tally.removed)
                .arg(tally.upToDate)
                .arg(tally.failed));
        return tally.failed > 0 ? 1 : 0;
    }

    Batch batch;
    batch.work.kind = ConversionKind::AudioConvert;
    batch.work.settings.destination = choices.destination;
    batch.work.settings.filesAtOnce = options.filesAtOnce.value_or(filesAtOnce());
    batch.work.settings.convertTo = choices.format;
    batch.work.settings.formats = choices.settings;
    // Each job finds its task by the item's index; the output is named by the plan, so the
    // runner claims no name (a file of ours being replaced is still there when it starts).
    for (std::size_t i = 0; i < work->tasks.size(); ++i) {
        batch.work.items.append(WorkItem{work->tasks[i].source, QString(), static_cast<int>(i)});
        batch.weights.push_back(work->tasks[i].sourceSize);
    }
    std::shared_ptr<const library::MirrorWork> shared = work;
    batch.work.makeJob = [shared] { return std::make_unique<library::MirrorJob>(shared); };
    batch.work.expectedOutputBytes = [](const WorkItem&) { return std::int64_t{-1}; };
    batch.label = [shared](const WorkItem& item) {
        return shared->tasks.at(static_cast<std::size_t>(item.index)).label;
    };
    batch.verb = QStringLiteral("converted or copied");
    bool full = false;
    batch.stopAfter = [&full, destination](const WorkItem&, const JobResult& result) {
        if (full || result.status != JobResult::Status::Failed ||
            !diskFull(destination, result.reason))
            return false;
        full = true;
        say(QStringLiteral("mp3vortan-cli: %1: the disk is full; the run stops here, nothing "
                           "is left half-written, and running it again once there is room "
                           "finishes the rest")
                .arg(destination));
        return true;
    };
    BatchOutcome outcome{0, {}, {}};
    if (!work->tasks.empty())
        outcome = runBatch(std::move(batch), interruption);
    for (qsizetype i = 0; i < outcome.results.size(); ++i) {
        const library::MirrorTask& task = work->tasks.at(static_cast<std::size_t>(i));
        if (outcome.results[i].status != JobResult::Status::Completed)
            ++tally.failed;
        else if (task.kind == library::MirrorTask::Kind::Convert)
            ++tally.converted;
        else
            ++tally.copied;
    }
    say(QStringLiteral("mp3vortan-cli: converted %1, copied %2, up to date %3, failed %4, "
                       "removed %5")
            .arg(tally.converted)
            .arg(tally.copied)
            .arg(tally.upToDate)
            .arg(tally.failed)
            .arg(tally.removed));
    if (!tally.failures.isEmpty()) {
        say(QStringLiteral("mp3vortan-cli: not mirrored:"));
        for (const QString& line : tally.failures)
            say(QStringLiteral("  ") + line);
    }
    return tally.failed > 0 || outcome.status != 0 || interruption.happened() ? 1 : 0;
}

} // namespace cli
