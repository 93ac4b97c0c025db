#include "engine/platform/loudness/loudnessmeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

#include <QCoreApplication>

namespace {

const QString errorSource = QStringLiteral("Loudness");

VortanError libraryError(int result) {
    const QString why = result == EBUR128_ERROR_NOMEM
                            ? QCoreApplication::translate("LoudnessMeter", "out of memory")
                            : QCoreApplication::translate("LoudnessMeter", "error %1").arg(result);
    return VortanError(
        VortanError::InvalidArgument, errorSource,
        QCoreApplication::translate("LoudnessMeter", "The loudness could not be measured: %1")
            .arg(why));
}

std::optional<VortanError> checked(int result) {
    if (result == EBUR128_SUCCESS)
        return std::nullopt;
    return libraryError(result);
}

std::optional<ReplayGain> gainFor(double loudness, double peak) {
    if (!std::isfinite(loudness))
        return std::nullopt;
    return ReplayGain{ReplayGain::referenceLufs - loudness, peak};
}

} // namespace

struct LoudnessMeter::State {
    struct Deleter {
        void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
    };
    std::unique_ptr<ebur128_state, Deleter> handle;
    int channels = 0;
};

QString ReplayGain::gainText() const {
    return QString::asprintf("%+.2f dB", gainDb);
}

QString ReplayGain::peakText() const {
    return QString::asprintf("%.6f", peak);
}

Result<std::unique_ptr<LoudnessMeter>> LoudnessMeter::make(int channels, std::uint32_t sampleRate) {
    auto state = std::make_unique<State>();
    state->handle.reset(ebur128_init(static_cast<unsigned>(std::max(channels, 0)), sampleRate,
                                     EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
    if (!state->handle || channels <= 0)
        return VortanError(
            VortanError::InvalidArgument, errorSource,
            QCoreApplication::translate("LoudnessMeter",
                                        "The loudness of %1 channels at %2 Hz cannot be measured")
                .arg(channels)
                .arg(sampleRate));
    state->channels = channels;
    return std::unique_ptr<LoudnessMeter>(new LoudnessMeter(std::move(state)));
}

LoudnessMeter::LoudnessMeter(std::unique_ptr<State> state) : state_(std::move(state)) {}

LoudnessMeter::~LoudnessMeter() = default;

std::optional<VortanError> LoudnessMeter::add(const std::int16_t* samples,
                                              std::size_t sampleCount) {
    return checked(ebur128_add_frames_short(
        state_->handle.get(), samples, sampleCount / static_cast<std::size_t>(state_->channels)));
}

std::optional<VortanError> LoudnessMeter::add(const std::int32_t* samples,
                                              std::size_t sampleCount) {
    static_assert(sizeof(int) == sizeof(std::int32_t), "the library takes int samples");
    return checked(ebur128_add_frames_int(
        state_->handle.get(), samples, sampleCount / static_cast<std::size_t>(state_->channels)));
}

std::optional<VortanError> LoudnessMeter::add(const float* samples, std::size_t sampleCount) {
    return checked(ebur128_add_frames_float(
        state_->handle.get(), samples, sampleCount / static_cast<std::size_t>(state_->channels)));
}

std::optional<double> LoudnessMeter::loudness() const {
    double value = -HUGE_VAL;
    if (ebur128_loudness_global(state_->handle.get(), &value) != EBUR128_SUCCESS ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

double LoudnessMeter::peak() const {
    double largest = 0;
    for (int channel = 0; channel < state_->channels; ++channel) {
        double value = 0;
        if (ebur128_sample_peak(state_->handle.get(), static_cast<unsigned>(channel), &value) ==
            EBUR128_SUCCESS)
            largest = std::max(largest, value);
    }
    return largest;
}

std::optional<ReplayGain> LoudnessMeter::replayGain() const {
    const std::optional<double> measured = loudness();
    if (!measured)
        return std::nullopt;
    return gainFor(*measured, peak());
}

std::optional<ReplayGain>
LoudnessMeter::albumGain(const std::vector<const LoudnessMeter*>& meters) {
    std::vector<ebur128_state*> states;
    double peak = 0;
    for (const LoudnessMeter* meter : meters) {
        if (!meter)
            continue;
        states.push_back(meter->state_->handle.get());
        peak = std::max(peak, meter->peak());
    }
    double value = -HUGE_VAL;
    if (states.empty() ||
        ebur128_loudness_global_multiple(states.data(), states.size(), &value) != EBUR128_SUCCESS)
        return std::nullopt;
    return gainFor(value, peak);
}
