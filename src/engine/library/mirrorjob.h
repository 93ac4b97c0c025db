#pragma once

#include "engine/core/workerjob.h"
#include "engine/library/mirrorplan.h"
#include "engine/library/mirrorrecord.h"

#include <memory>
#include <vector>

namespace library {

// What every job of one mirror batch shares, fixed when the batch starts: the tasks (by item
// index), the run's format and settings, and the record each output is noted in before it is
// begun.
struct MirrorWork {
    std::vector<MirrorTask> tasks;
    pipeline::OutputFormat format = pipeline::OutputFormat::Mp3;
    pipeline::EncoderSettings settings;
    MirrorRecord* record = nullptr; // outlives the batch
};

// One task of a mirror on a worker thread: the older output it replaces removed, the record
// told, then the source converted (pipeline::convertFile, with the folder's cover when the
// source has no picture) or copied (through a temporary name, like every output). An output
// that did not end complete (stopped, failed midway) is removed, so that what stays at a
// final name is always a whole conversion of the source the record names; a source that
// changed while it was read fails, its output removed, and is made again by the next run.
//
// The object lives on the GUI thread; the work runs on the worker thread it starts.
class MirrorJob final : public WorkerJob {
    Q_OBJECT
  public:
    explicit MirrorJob(std::shared_ptr<const MirrorWork> work, QObject* parent = nullptr);
    ~MirrorJob() override;

  protected:
    JobResult work(const WorkItem& item) override;

  private:
    JobResult convert(const MirrorTask& task);
    JobResult copy(const MirrorTask& task);

    std::shared_ptr<const MirrorWork> work_;
};

} // namespace library
