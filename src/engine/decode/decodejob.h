#pragma once

#include "engine/core/batchrunner.h"

#include <QString>

#include <chrono>

class ActiveMP3;
class QTimer;

// One MP3 file to one WAV through the decoder control (ActiveMP3): the file job of the
// decoding batch. Its progress is the share of the audio decoded, looked at every 500 ms
// ("42%", halves to the even neighbour), then "100 %" for a complete file; a decode that
// failed or was stopped is never shown as "100 %". A source that is gone, 99 bytes or less,
// not decodable, or an output that cannot be written fails the item before anything is
// written, with the reason.
//
// GUI thread; the decoding itself runs on the decoder control's own thread.
class DecodeJob final : public FileJob {
    Q_OBJECT
  public:
    explicit DecodeJob(QObject* parent = nullptr);
    ~DecodeJob() override; // the control stops a decode still running: its WAV ends properly

    void start(const WorkItem& item) override;
    // Ends the decode at once: the WAV written so far ends properly.
    void cancel() override;
    void cancelAndWait() override;
    JobResult result() const override { return result_; }

    // How often the progress is looked at.
    static constexpr std::chrono::milliseconds progressInterval{500};

  private:
    void showProgress();
    void decoded();
    void failNow(const QString& reason);
    void collect(bool announce);

    ActiveMP3* control_;   // child
    QTimer* progressTick_; // child
    QString output_;
    QString failure_;
    JobResult result_;
    bool running_ = false;
    bool started_ = false;
    std::chrono::steady_clock::time_point began_;
    std::chrono::steady_clock::time_point decoded_; // when the control reported its end
};
