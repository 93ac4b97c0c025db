#pragma once

#include "engine/library/folderwalk.h"
#include "engine/library/mirrorjob.h"
#include "engine/library/mirrorplan.h"
#include "engine/library/mirrorrecord.h"
#include "engine/service/conversionservice.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace library {

// What a mirror is asked to do, as values.
struct MirrorRequest {
    QStringList roots;   // the source folders, absolute
    QString destination; // absolute
    pipeline::OutputFormat format = pipeline::OutputFormat::Mp3;
    pipeline::EncoderSettings settings;
    bool portableNames = false;
    bool removeOrphans = false; // remove the outputs no source under the roots gives any more
    bool dryRun = false;        // only say what would be done
    int filesAtOnce = 1;
};

struct MirrorCounts {
    int converted = 0;
    int copied = 0; // files copied as they are, cover images included
    int upToDate = 0;
    int failed = 0;
    int removed = 0;      // a dry run: would be removed
    QStringList failures; // what failed before the batch, each with the reason
};

// What a run says as it goes; each may be empty.
struct MirrorNotes {
    // A folder that cannot be read, a loop, a clash lost, a file in the way ...
    std::function<void(const QString& text)> problem;
    // A dry run's listing: "convert: SOURCE -> OUTPUT", "copy: ...", "up to date: OUTPUT",
    // "remove: OUTPUT"; a real run's "removed: OUTPUT".
    std::function<void(const QString& line)> listed;
};

// One mirror of source folders into a destination, in the order the window and the command
// line both drive it: refusal(), open() (the destination made and held, its record read),
// plan() (the walk, one folder at a time), settleOrphans(), then the batch of what is left to
// make through the conversion service, and account() of its results. Up-to-date outputs are
// only counted, never held: what the run holds grows with the work to do and the record, not
// with the walk.
//
// GUI thread (the command line's main thread); the batch's jobs work on their own threads.
class MirrorRun {
  public:
    // Why `request` cannot run (a source that is not a folder, a destination that is a
    // source or lies inside one): a usage error; empty when it can run.
    static QString refusal(const MirrorRequest& request);

    // Creates `destination` (and the folders above it) when it is not there and checks that it
    // can be written; fails with the reason. open() does this first; a window calls it to say
    // the reason before the run is begun.
    static std::optional<VortanError> makeDestination(const QString& destination);

    MirrorRun(MirrorRequest request, MirrorNotes notes);
    ~MirrorRun();

    // Creates the destination (not for a dry run), takes it for this run and reads its
    // record; fails with the reason (it cannot be created or written, another run holds it).
    std::optional<VortanError> open();
    // Walks and plans every folder; false when `stopped` said so between two folders.
    bool plan(const std::function<bool()>& stopped);

    // The same run over a library too large to hold planned at once, in steps whose memory
    // does not grow with the library: survey() walks every folder once, only claiming the
    // outputs (what settleOrphans() needs) and counting what is to be made; then each
    // planNext() walks on until at least `enough` tasks are planned (whole folders) or the
    // walk ends, those tasks replacing the ones of the call before (tasks(), batch() and
    // account() are about the latest step). Problems and listings are said by planNext(),
    // not by survey(). Each returns false when `stopped` said so between two folders.
    struct Survey {
        int tasks = 0;    // outputs to make
        qint64 bytes = 0; // their sources' sizes
    };
    bool survey(const std::function<bool()>& stopped);
    const Survey& surveyed() const { return survey_; }
    bool planNext(const std::function<bool()>& stopped, std::size_t enough);
    // Whether planNext() has walked every folder.
    bool walked() const { return walked_; }
    // After plan(), or after survey() and before planNext() (the survey's claims are released
    // then). With removeOrphans: removes (a dry run: lists) this program's outputs that no
    // source gives any more: the source is gone, or it lies under a root and now gives
    // another output (or none); never one whose source lies outside the roots or under a
    // folder the walk could not read. Returns the orphans kept
    // (without removeOrphans). Fails when the record cannot be written.
    Result<int> settleOrphans();

    const std::vector<MirrorTask>& tasks() const { return work_->tasks; }
    // The batch of the tasks, each item's index its task's; with each item's source size
    // and its label (the source from its root).
    ConversionBatch batch() const;
    std::vector<qint64> weights() const;
    QString label(const WorkItem& item) const;
    // Whether a failed item failed for want of room on the destination's disk, which every
    // later item would meet too: the batch should stop.
    bool diskFull(const JobResult& result) const;
    // Counts the batch's results in.
    void account(const QList<JobResult>& results);
    const MirrorCounts& counts() const { return counts_; }

  private:
    void problem(const QString& text, bool failure);
    std::unique_ptr<FolderWalk> startWalk(bool quiet);
    void planFolder(const WalkedFolder& folder);
    void freshWork();

    MirrorRequest request_;
    MirrorNotes notes_;
    std::unique_ptr<MirrorRecord> record_;
    MirrorChoices choices_;
    std::unique_ptr<MirrorPlanner> planner_;
    std::unique_ptr<MirrorPlanner> surveyPlanner_; // survey()'s claims, until settleOrphans()
    std::unique_ptr<FolderWalk> walk_;             // planNext()'s, between two steps
    bool walked_ = false;
    Survey survey_;
    std::shared_ptr<MirrorWork> work_;
    QStringList unreadable_; // folders the walk could not read
    MirrorCounts counts_;
};

} // namespace library
