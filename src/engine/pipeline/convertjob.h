#pragma once

#include "engine/core/workerjob.h"
#include "engine/pipeline/conversion.h"

// The batch's result of a conversion to one output: its status, the reason of a failure,
// and the name taken when it is not `wanted` (the collision rule's next number).
JobResult jobResultOf(const pipeline::ConvertOutcome& outcome, const QString& wanted);

// One audio file to one file of `format` (convertFile) on a worker thread of its own: the file
// job of a batch that converts files of any format.
//
// The object lives on the GUI thread; the conversion runs on the worker thread it starts.
class ConvertJob final : public WorkerJob {
    Q_OBJECT
  public:
    ConvertJob(pipeline::OutputFormat format, const pipeline::EncoderSettings& settings,
               QObject* parent = nullptr);
    ~ConvertJob() override; // ends a running conversion after its current block and waits

    // The conversion's own account of the last file; final once finished() was emitted.
    const pipeline::ConvertOutcome& outcome() const { return outcome_; }

  protected:
    JobResult work(const WorkItem& item) override;
    void collected() override { outcome_ = workerOutcome_; }

  private:
    const pipeline::OutputFormat format_;
    const pipeline::EncoderSettings settings_;
    pipeline::ConvertOutcome outcome_;
    pipeline::ConvertOutcome workerOutcome_; // written by the worker, read once it has ended
};
