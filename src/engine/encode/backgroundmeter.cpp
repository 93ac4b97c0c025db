#include "engine/encode/backgroundmeter.h"

BackgroundMeter::BackgroundMeter(std::unique_ptr<LoudnessMeter> meter)
    : meter_(std::move(meter)), thread_([this] { run(); }) {}

BackgroundMeter::~BackgroundMeter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

template <typename Sample>
void BackgroundMeter::push(const Sample* samples, std::size_t sampleCount) {
    push(Block(std::in_place_type<std::vector<Sample>>, samples, samples + sampleCount));
}

void BackgroundMeter::push(Block block) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < maxWaiting || stopping_; });
    waiting_.push_back(std::move(block));
    changed_.notify_all();
}

void BackgroundMeter::add(const std::int16_t* samples, std::size_t sampleCount) {
    push(samples, sampleCount);
}

void BackgroundMeter::add(const std::int32_t* samples, std::size_t sampleCount) {
    push(samples, sampleCount);
}

void BackgroundMeter::add(const float* samples, std::size_t sampleCount) {
    push(samples, sampleCount);
}

namespace {

// `samples` at `bits` bits moved to the top of the `Wide` integers.
template <typename Wide>
std::vector<Wide> widened(const std::int32_t* samples, std::size_t count, int bits) {
    const int shift = static_cast<int>(sizeof(Wide) * 8) - bits;
    std::vector<Wide> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<Wide>(static_cast<std::uint32_t>(samples[i]) << shift);
    return out;
}

} // namespace

void BackgroundMeter::add(const std::int32_t* samples, std::size_t sampleCount, int bitsPerSample) {
    if (bitsPerSample <= 16)
        push(Block(widened<std::int16_t>(samples, sampleCount, bitsPerSample)));
    else
        push(Block(widened<std::int32_t>(samples, sampleCount, bitsPerSample)));
}

void BackgroundMeter::run() {
    while (true) {
        Block block;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !waiting_.empty() || ending_ || stopping_; });
            if (stopping_ || waiting_.empty())
                return; // stopped, or ending with everything measured
            block = std::move(waiting_.front());
            waiting_.pop_front();
        }
        changed_.notify_all();
        if (failed_ || !meter_)
            continue;
        const bool failed = std::visit(
            [this](const auto& samples) {
                return meter_->add(samples.data(), samples.size()).has_value();
            },
            block);
        if (failed) {
            std::lock_guard lock(mutex_);
            failed_ = true;
        }
    }
}

std::unique_ptr<LoudnessMeter> BackgroundMeter::finish() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (failed_)
        return nullptr;
    return std::move(meter_);
}
