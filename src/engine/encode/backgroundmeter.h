#pragma once

#include "engine/platform/loudness/loudnessmeter.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <variant>
#include <vector>

// A loudness meter fed on a thread of its own, so that measuring overlaps the encoding of the
// same samples instead of adding to it. Samples handed to add() are copied and measured in
// the order given; add() waits only when the measuring has fallen far behind.
//
// Used by one thread (the job that made it); the measuring thread is its own.
class BackgroundMeter {
  public:
    explicit BackgroundMeter(std::unique_ptr<LoudnessMeter> meter);
    ~BackgroundMeter(); // stops the measuring; what still waits is dropped
    BackgroundMeter(const BackgroundMeter&) = delete;
    BackgroundMeter& operator=(const BackgroundMeter&) = delete;

    // Interleaved samples, as LoudnessMeter::add takes them.
    void add(const std::int16_t* samples, std::size_t sampleCount);
    void add(const std::int32_t* samples, std::size_t sampleCount);
    void add(const float* samples, std::size_t sampleCount);
    // Integer samples right-justified at `bitsPerSample` (8 to 32), moved to the top of 16 or
    // 32 bits as they are copied, so that the caller makes no pass of its own over them.
    void add(const std::int32_t* samples, std::size_t sampleCount, int bitsPerSample);

    // Waits until everything added is measured and gives the meter; nothing when the meter
    // failed on the way, since a loudness of only some of the audio would be wrong. Call once.
    std::unique_ptr<LoudnessMeter> finish();

  private:
    using Block =
        std::variant<std::vector<std::int16_t>, std::vector<std::int32_t>, std::vector<float>>;
    static constexpr std::size_t maxWaiting = 64; // blocks

    template <typename Sample> void push(const Sample* samples, std::size_t sampleCount);
    void push(Block block);
    void run();

    std::unique_ptr<LoudnessMeter> meter_; // the measuring thread's until it has ended
    std::mutex mutex_;
    std::condition_variable changed_; // a block was added or taken, or the end came
    std::deque<Block> waiting_;
    bool ending_ = false;
    bool stopping_ = false;
    bool failed_ = false;
    std::thread thread_; // last: starts once everything above exists
};
