#include "engine/library/mirrorrun.h"

#include "engine/formats/outputfile.h"
#include "engine/library/folderwalk.h"
#include "engine/platform/nativepath.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <QCoreApplication>

namespace library {

namespace {

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// `path` with every link of its existing part followed: a destination not made yet is
// compared by where it will be.
QString resolved(const QString& path) {
    QString existing = path;
    QString rest;
    while (!existing.isEmpty() && existing != QLatin1String("/")) {
        const QString canonical = nativepath::canonical(existing);
        if (!canonical.isEmpty()) {
            if (rest.isEmpty())
                return canonical;
            return canonical == QLatin1String("/") ? QLatin1Char('/') + rest
                                                   : canonical + QLatin1Char('/') + rest;
        }
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

// Removes the folders from `folder` up to (not including) `top` that are left empty.
void removeEmptyFolders(QString folder, const QString& top) {
    while (folder.size() > top.size() && folder.startsWith(top + QLatin1Char('/')) &&
           ::rmdir(nativepath::encode(folder).constData()) == 0)
        folder = folder.left(folder.lastIndexOf(QLatin1Char('/')));
}

} // namespace

QString MirrorRun::refusal(const MirrorRequest& request) {
    const QString destination = resolved(request.destination);
    for (const QString& root : request.roots) {
        if (!nativepath::isDir(root))
            return QCoreApplication::translate("MirrorRun", "%1: not a folder").arg(root);
        const QString source = nativepath::canonical(root);
        if (destination == source)
            return QCoreApplication::translate(
                       "MirrorRun", "%1: the destination is the source folder itself; choose "
                                    "another")
                .arg(request.destination);
        if (within(destination, source))
            return QCoreApplication::translate(
                       "MirrorRun", "%1: the destination lies inside the source folder %2; its "
                                    "outputs would be mirrored again")
                .arg(request.destination, root);
    }
    return {};
}

MirrorRun::MirrorRun(MirrorRequest request, MirrorNotes notes)
    : request_(std::move(request)), notes_(std::move(notes)),
      work_(std::make_shared<MirrorWork>()) {
    work_->format = request_.format;
    work_->settings = request_.settings;
}

MirrorRun::~MirrorRun() = default;

void MirrorRun::problem(const QString& text, bool failure) {
    if (notes_.problem)
        notes_.problem(text);
    if (failure) {
        ++counts_.failed;
        counts_.failures << text;
    }
}

std::optional<VortanError> MirrorRun::makeDestination(const QString& destination) {
    const auto refused = [&destination](const QString& what, int error) {
        return VortanError(
            VortanError::PathAccess, destination,
            QCoreApplication::translate("MirrorRun", "%1: the destination folder %2 (%3)")
                .arg(destination, what, systemText(error)));
    };
    // errno is read before the message is made.
    if (!nativepath::makeFolders(destination)) {
        const int error = errno;
        return refused(QCoreApplication::translate("MirrorRun", "cannot be created"), error);
    }
    if (::access(nativepath::encode(destination).constData(), W_OK) != 0) {
        const int error = errno;
        return refused(QCoreApplication::translate("MirrorRun", "cannot be written"), error);
    }
    return std::nullopt;
}

std::optional<VortanError> MirrorRun::open() {
    const QString& destination = request_.destination;
    if (!request_.dryRun)
        if (auto refused = makeDestination(destination))
            return refused;
    auto opened = MirrorRecord::open(destination, !request_.dryRun);
    if (!opened)
        return opened.error();
    record_ = std::move(opened.value());
    work_->record = record_.get();
    // This run holds the destination now: what a killed run left half-written at its top (the
    // record's rewrite) goes; each folder's own leftovers go as the walk reaches it.
    if (!request_.dryRun)
        outputfile::removeLeftovers(destination, 0);
    choices_.destination = destination == QLatin1String("/") ? QString() : destination;
    choices_.format = request_.format;
    choices_.settings = request_.settings;
    choices_.portableNames = request_.portableNames;
    if (nativepath::isDir(destination))
        choices_.maxNameBytes = outputfile::maxNameBytes(destination);
    planner_ = std::make_unique<MirrorPlanner>(choices_, *record_);
    return std::nullopt;
}

std::unique_ptr<FolderWalk> MirrorRun::startWalk(bool quiet) {
    unreadable_.clear();
    return std::make_unique<FolderWalk>(
        request_.roots,
        [this, quiet](const QString& text) {
            const bool loop = text.contains(QLatin1String("(a loop)"));
            if (!quiet)
                problem(text, !loop);
            if (!loop)
                unreadable_ << text.section(QStringLiteral(": "), 0, 0);
        },
        request_.destination);
}

void MirrorRun::freshWork() {
    // The jobs of the previous step's batch may still hold theirs.
    auto work = std::make_shared<MirrorWork>();
    work->format = request_.format;
    work->settings = request_.settings;
    work->record = record_.get();
    work_ = std::move(work);
}

bool MirrorRun::plan(const std::function<bool()>& stopped) {
    return planNext(stopped, static_cast<std::size_t>(-1));
}

bool MirrorRun::survey(const std::function<bool()>& stopped) {
    survey_ = {};
    std::unique_ptr<FolderWalk> walk = startWalk(true);
    WalkedFolder folder;
    while (walk->next(folder)) {
        if (stopped && stopped())
            return false;
        const FolderPlan plan = planner_->plan(folder);
        survey_.tasks += static_cast<int>(plan.tasks.size());
        for (const MirrorTask& task : plan.tasks)
            survey_.bytes += task.sourceSize;
    }
    // The steps plan afresh; the survey's claims stay for settleOrphans().
    surveyPlanner_ = std::exchange(planner_, std::make_unique<MirrorPlanner>(choices_, *record_));
    return true;
}

bool MirrorRun::planNext(const std::function<bool()>& stopped, std::size_t enough) {
    freshWork();
    if (walked_)
        return true;
    if (!walk_)
        walk_ = startWalk(false);
    WalkedFolder folder;
    while (work_->tasks.size() < enough) {
        if (!walk_->next(folder)) {
            walked_ = true;
            walk_.reset();
            return true;
        }
        if (stopped && stopped())
            return false;
        planFolder(folder);
    }
    return true;
}

void MirrorRun::planFolder(const WalkedFolder& folder) {
    FolderPlan plan = planner_->plan(folder);
    for (const MirrorSkip& skip : plan.skipped)
        problem(skip.source + QStringLiteral(": ") + skip.reason, skip.failed);
    counts_.upToDate += static_cast<int>(plan.upToDate.size());
    if (request_.dryRun && notes_.listed)
        for (const QString& output : plan.upToDate)
            notes_.listed(QStringLiteral("up to date: ") + output);
    if (plan.tasks.empty() && plan.upToDate.isEmpty())
        return;
    const QString outFolder = planner_->destinationFolderOf(folder);
    if (!request_.dryRun) {
        // What a run killed here left half-written goes (this run holds the destination).
        if (nativepath::isDir(outFolder))
            outputfile::removeLeftovers(outFolder, 0);
        if (!plan.tasks.empty() && !nativepath::makeFolders(outFolder)) {
            const int error = errno; // before the message is made
            const QString text =
                QCoreApplication::translate("MirrorRun", "%1: the folder cannot be created (%2)")
                    .arg(outFolder, systemText(error));
            problem(text, true);
            counts_.failed += static_cast<int>(plan.tasks.size()) - 1;
            return;
        }
    }
    for (MirrorTask& task : plan.tasks) {
        if (request_.dryRun && notes_.listed)
            notes_.listed((task.kind == MirrorTask::Kind::Convert ? QStringLiteral("convert: ")
                                                                  : QStringLiteral("copy: ")) +
                          task.source + QStringLiteral(" -> ") + task.output);
        work_->tasks.push_back(std::move(task));
    }
}

Result<int> MirrorRun::settleOrphans() {
    int kept = 0;
    const QString top =
        request_.destination == QLatin1String("/") ? QString() : request_.destination;
    const std::unique_ptr<MirrorPlanner> surveyed = std::move(surveyPlanner_);
    const MirrorPlanner& claims = surveyed ? *surveyed : *planner_;
    for (const QString& output : claims.unclaimedOutputs()) {
        const std::optional<RecordEntry> entry = record_->find(output);
        // The run maps every source under its roots: an output no source claimed is no longer
        // made from its source (gone, or now given another name). One whose source lies
        // outside the roots (another mirror into the same destination), or under a folder the
        // walk could not read, may still be; it stays.
        if (!entry ||
            (nativepath::exists(entry->source) &&
             std::none_of(request_.roots.cbegin(), request_.roots.cend(),
                          [entry](const QString& root) { return within(entry->source, root); })) ||
            std::any_of(unreadable_.cbegin(), unreadable_.cend(),
                        [entry](const QString& f) { return within(entry->source, f); }))
            continue;
        const QString path = top + QLatin1Char('/') + output;
        if (!request_.removeOrphans) {
            ++kept;
            continue;
        }
        if (request_.dryRun) {
            if (nativepath::exists(path)) {
                if (notes_.listed)
                    notes_.listed(QStringLiteral("remove: ") + path);
                ++counts_.removed;
            }
            continue;
        }
        const bool there = nativepath::exists(path);
        if (::unlink(nativepath::encode(path).constData()) != 0 && errno != ENOENT) {
            const int error = errno; // before the message is made
            problem(QCoreApplication::translate("MirrorRun", "%1: cannot be removed (%2)")
                        .arg(path, systemText(error)),
                    true);
            continue;
        }
        if (there) {
            if (notes_.listed)
                notes_.listed(QStringLiteral("removed: ") + path);
            ++counts_.removed;
        }
        if (auto refused = record_->forget(output))
            return *refused;
        removeEmptyFolders(path.left(path.lastIndexOf(QLatin1Char('/'))), top);
    }
    return kept;
}

ConversionBatch MirrorRun::batch() const {
    ConversionBatch batch;
    batch.kind = ConversionKind::AudioConvert;
    batch.settings.destination = request_.destination;
    batch.settings.filesAtOnce = request_.filesAtOnce;
    batch.settings.convertTo = request_.format;
    batch.settings.formats = request_.settings;
    // Each job finds its task by the item's index; the output is named by the plan, so the
    // runner claims no name (a file of ours being replaced is still there when it starts).
    for (std::size_t i = 0; i < work_->tasks.size(); ++i)
        batch.items.append(WorkItem{work_->tasks[i].source, QString(), static_cast<int>(i)});
    std::shared_ptr<const MirrorWork> shared = work_;
    batch.makeJob = [shared] { return std::make_unique<MirrorJob>(shared); };
    // The disk guard's estimate without opening each source a second time.
    batch.expectedOutputBytes = [shared](const WorkItem& item) -> std::int64_t {
        const MirrorTask& task = shared->tasks.at(static_cast<std::size_t>(item.index));
        return task.kind == MirrorTask::Kind::Copy ? task.sourceSize : -1;
    };
    return batch;
}

std::vector<qint64> MirrorRun::weights() const {
    std::vector<qint64> out;
    out.reserve(work_->tasks.size());
    for (const MirrorTask& task : work_->tasks)
        out.push_back(task.sourceSize);
    return out;
}

QString MirrorRun::label(const WorkItem& item) const {
    return work_->tasks.at(static_cast<std::size_t>(item.index)).label;
}

bool MirrorRun::diskFull(const JobResult& result) const {
    if (result.status != JobResult::Status::Failed)
        return false;
    if (result.reason.contains(systemText(ENOSPC)))
        return true;
    struct statvfs info {};
    if (::statvfs(nativepath::encode(request_.destination).constData(), &info) != 0)
        return false;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize < 1024 * 1024;
}

void MirrorRun::account(const QList<JobResult>& results) {
    const QString top =
        request_.destination == QLatin1String("/") ? QString() : request_.destination;
    QString tried; // the folder of the previous failure: a folder's tasks are together
    for (qsizetype i = 0; i < results.size(); ++i) {
        const MirrorTask& task = work_->tasks.at(static_cast<std::size_t>(i));
        if (results[i].status != JobResult::Status::Completed) {
            ++counts_.failed;
            // A folder made for outputs that were never made (a full disk stopped the run)
            // is not left empty.
            const QString folder = task.output.left(task.output.lastIndexOf(QLatin1Char('/')));
            if (!request_.dryRun && folder != tried)
                removeEmptyFolders(folder, top);
            tried = folder;
        } else if (task.kind == MirrorTask::Kind::Convert)
            ++counts_.converted;
        else
            ++counts_.copied;
    }
}

} // namespace library
