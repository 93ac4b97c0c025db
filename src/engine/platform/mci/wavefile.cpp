// The "waveaudio" device opened with a file: a WAV file played on the audio output.
#include "engine/platform/audio/pulsestream.h"
#include "engine/platform/audio/wavfilesource.h"
#include "engine/platform/mci/device.h"

namespace mci::detail {

namespace {

// "waveaudio!<path>": a WAV file played on the output.
class WaveFile final : public Device {
  public:
    explicit WaveFile(std::shared_ptr<audio::WavFileSource> source)
        : source_(std::move(source)), playback_(source_->format().sampleRate) {}

    Answer run(const QString& verb, const Words& words) override {
        playback_.release();
        if (verb == QLatin1String("play"))
            return play(words);
        if (verb == QLatin1String("stop") || verb == QLatin1String("set"))
            return stopOrSetTime(verb, words, playback_, timeFormat_);
        if (verb == QLatin1String("status")) {
            if (words.are(0, {"mode"}))
                return text(playback_.playing() ? QStringLiteral("playing")
                                                : QStringLiteral("stopped"));
            if (words.are(0, {"position"}))
                return text(formatTime(playback_.positionMs(), timeFormat_));
            if (words.are(0, {"length"}))
                return text(formatTime(lengthMs(), timeFormat_));
            return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
        }
        return failure(UnrecognizedCommand);
    }

    void waitForEnd() override { playback_.waitForEnd(); }

  private:
    std::int64_t lengthMs() const {
        return source_->frameCount() * 1000 / source_->format().sampleRate;
    }
    std::int64_t frameAt(std::int64_t ms) const { return ms * source_->format().sampleRate / 1000; }

    // "play [from <position>] [to <position>]": from the current position (the start after
    // an open) to the end of the file unless told otherwise; returns at once.
    Answer play(const Words& words) {
        Answer error;
        const auto range = parsePlayRange(words, timeFormat_, error);
        if (!range)
            return error;
        if (playback_.playing() && !range->fromMs && !range->toMs)
            return {}; // plays on
        const std::int64_t from = range->fromMs.value_or(playback_.positionMs());
        const std::int64_t to = range->toMs.value_or(lengthMs());
        if (from > lengthMs() || to > lengthMs() || to < from)
            return failure(OutOfRange);
        playback_.stop(); // the source is ours again
        const std::int64_t fromFrame = range->fromMs ? frameAt(from) : playback_.positionFrame();
        source_->setRange(fromFrame, range->toMs ? frameAt(to) : source_->frameCount());
        return failure(
            playback_.start(source_->format(), source_, fromFrame, QStringLiteral("Wave audio")));
    }

    std::shared_ptr<audio::WavFileSource> source_;
    TimeFormat timeFormat_ = TimeFormat::Milliseconds;
    Playback playback_; // after the source: it reads from it
};

} // namespace

// "waveaudio": "new" records, a file's path plays it.
std::unique_ptr<Device> openWaveAudio(const QString& element, Answer& answer) {
    if (element.isEmpty()) {
        answer = failure(MissingParameter);
        return nullptr;
    }
    std::shared_ptr<audio::WavFileSource> source;
    if (element.compare(QLatin1String("new"), Qt::CaseInsensitive) != 0) {
        auto opened = audio::WavFileSource::open(element);
        if (!opened) {
            answer = failure(opened.error().number() == VortanError::FileNotFound ? FileNotFound
                                                                                  : InvalidFile);
            return nullptr;
        }
        source = std::move(opened.value());
    }
    // A device that can never sound is not opened: the caller learns at once.
    if (!audio::PulseStream::checkServer()) {
        answer = failure(CannotLoadDriver);
        return nullptr;
    }
    if (!source)
        return newWaveRecording();
    return std::make_unique<WaveFile>(std::move(source));
}

} // namespace mci::detail
