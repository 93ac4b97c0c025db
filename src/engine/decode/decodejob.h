#pragma once

#include "engine/core/batchrunner.h"

#include <chrono>
#include <memory>

class Form6;

// One MP3 file to one WAV through a fresh decoder window (Form6): the file job of the
// decoding batch. The window's progress captions are passed on as they are ("42%", then
// "100 %" for a complete file).
//
// GUI thread; the decoding itself runs on the decoder control's own thread.
class DecodeJob final : public FileJob {
    Q_OBJECT
  public:
    explicit DecodeJob(QObject* parent = nullptr);
    ~DecodeJob() override; // a window still loaded unloads, which stops its decode

    void start(const WorkItem& item) override;
    // Unloads the decoder window: the decode ends at once, the WAV written so far ends
    // properly.
    void cancel() override;
    void cancelAndWait() override;
    JobResult result() const override { return result_; }

    // The decoder window of the file, while the job holds it.
    Form6* window() const { return window_.get(); }

  private:
    void collect(bool announce);

    std::unique_ptr<Form6> window_;
    JobResult result_;
    bool running_ = false;
    std::chrono::steady_clock::time_point began_;
    std::chrono::steady_clock::time_point decoded_; // when the control reported its end
};
