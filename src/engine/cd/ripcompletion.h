#pragma once

#include "engine/cd/extractionplan.h"
#include "engine/cd/riplog.h"
#include "engine/core/batchrunner.h"
#include "engine/cover/frontcover.h"
#include "engine/platform/error.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class CallPoster;
namespace accuraterip {
class RecordLookup;
}

// What the steps after a rip left, for the program to tell.
struct RipEnding {
    // The outputs that could not be put in place, each naming its file.
    std::vector<VortanError> unfinished;
    // The rip log as written, with the AccurateRip database's answer when it was asked.
    riplog::Log log;
    // The database was asked and answered (log.accurateRip holds its record or why it could not
    // be asked); false when it was not asked or the wait for it was abandoned.
    bool databaseAnswered = false;
    // Where the log went, or why it could not be written; none when the log has no track (no
    // log is written then).
    std::optional<Result<QString>> logPath;
    // Each cue sheet written, the main format's first: its name ("" when no track left a file
    // of that format) or why it could not be written.
    std::vector<Result<QString>> cueSheets;
    // The front cover written beside the files (or left out: a file of its name was there), or
    // why it could not be written; none when it was not to be written, or no track left a file.
    std::optional<Result<cover::SavedFile>> coverFile;

    // A track the database covers does not match any of its entries.
    bool mismatch() const;
};

// The steps after a rip's batch has ended, however it ended, the same for the window and the
// command line: the outputs take the album's gain and their names (ExtractionPlan::
// finishOutputs), the log of every track asked for is made, the AccurateRip database is asked
// about the tracks read whole, then the log is written beside the files with one cue sheet per
// output format (the main format's named after the log, "Rip ... .cue"; another's with its
// extension before ".cue", "Rip ... .mp3.cue", so the sheets never take each other's names).
// What touches files runs on a worker thread of its own; the database is asked from the event
// loop. The caller is told through `Steps`, on the object's thread.
//
// Lives on the GUI thread (the command line's main thread), which must run an event loop.
// Destroyed before it is done (the window closed), it ends its steps at once on the way out,
// without the database (the log says why: "the program ended before it answered") and
// without telling anyone.
class RipCompletion : public QObject {
    Q_OBJECT
  public:
    struct Steps {
        // The outputs are in place (or could not be: `unfinished`), so each output of the plan
        // has its name (ExtractionPlan::outputOf).
        std::function<void(const std::vector<VortanError>& unfinished)> outputsPlaced;
        // The log and the cue sheets are written (or could not be): the end.
        std::function<void(const RipEnding& ending)> written;
    };

    RipCompletion(std::shared_ptr<ExtractionPlan> plan, Steps steps, QObject* parent = nullptr);
    ~RipCompletion() override;
    RipCompletion(const RipCompletion&) = delete;
    RipCompletion& operator=(const RipCompletion&) = delete;

    // Starts the steps for the batch of the plan's items that ended with `results`, and
    // returns at once. `askDatabase` false: the database is not asked (nobody is there to be
    // told, nor time to wait). Call once.
    void start(const QList<WorkItem>& items, const QList<JobResult>& results,
               bool askDatabase = true);
    // Ends the wait for the database, now or once it would be asked: the log says `reason`
    // where its answer would be. Nothing once it has answered.
    void abandonDatabase(const VortanError& reason);
    // Ends every step now, on this thread: the work under way is waited for, the database
    // (not answered yet) is abandoned with the reason the destructor gives, and the log and
    // the cue sheets are written. The Steps are not called.
    void finishNow();

    bool isDone() const { return stage_ == Stage::Done; }

  signals:
    // The steps have no file left to touch before the database answers: the program may go
    // on while it is asked (emitted before the wait, or at the end when it is not asked).
    void filesSettled();
    // Every step has ended (after Steps::written).
    void finished();

  private:
    enum class Stage { Idle, Placing, Waiting, Writing, Done };

    void placed();
    void askOrWrite();
    void answered(const Result<accuraterip::Record>& answer);
    void writeAll();
    void ended();
    // The log and the cue sheets, written on the calling thread.
    void writeFiles(RipEnding& ending) const;
    // Runs `work` on the worker, then `then` on this thread.
    void onWorker(std::function<void()> work, std::function<void()> then);
    void joinWorker();

    std::shared_ptr<ExtractionPlan> plan_;
    Steps steps_;
    CallPoster* calls_;                           // child: the worker's end, posted to this thread
    accuraterip::RecordLookup* lookup_ = nullptr; // child, while the database is asked
    std::thread worker_;
    std::function<void()> afterWorker_; // what the worker's end runs here, when not abandoned
    Stage stage_ = Stage::Idle;
    QList<WorkItem> items_;
    QList<JobResult> results_;
    bool askDatabase_ = true;
    std::optional<VortanError> abandoned_;
    RipEnding ending_; // filled in by the steps; the worker's only while it runs
};
