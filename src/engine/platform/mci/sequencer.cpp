// The "sequencer" device: a MIDI file rendered and played on the audio output.
#include "engine/platform/audio/midirenderer.h"
#include "engine/platform/audio/pulsestream.h"
#include "engine/platform/mci/device.h"

#include <QFileInfo>

namespace mci::detail {

namespace {

// "sequencer!<path>": a MIDI file rendered with the General MIDI soundfont and played on the
// output. "play" goes on from where "stop" left it; the position is the time played.
class Sequencer final : public Device {
  public:
    static std::unique_ptr<Device> open(const QString& element, Answer& answer) {
        if (element.isEmpty()) {
            answer = failure(MissingParameter);
            return nullptr;
        }
        if (!QFileInfo(element).isFile()) {
            answer = failure(FileNotFound);
            return nullptr;
        }
        if (audio::MidiRenderer::soundFontPath().isEmpty() || !audio::PulseStream::checkServer()) {
            answer = failure(CannotLoadDriver);
            return nullptr;
        }
        auto renderer = audio::MidiRenderer::open(element);
        if (!renderer) {
            answer = failure(InvalidFile);
            return nullptr;
        }
        return std::unique_ptr<Device>(new Sequencer(std::move(renderer.value())));
    }

    Answer run(const QString& verb, const Words& words) override {
        playback_.release();
        if (verb == QLatin1String("play")) {
            if (!words.empty())
                return failure(UnrecognizedKeyword);
            if (playback_.playing())
                return {};
            return failure(playback_.start(renderer_->format(), renderer_,
                                           playback_.positionFrame(), QStringLiteral("MIDI")));
        }
        if (verb == QLatin1String("stop")) {
            if (!words.empty())
                return failure(UnrecognizedKeyword);
            playback_.stop();
            renderer_->silence();
            return {};
        }
        if (verb == QLatin1String("status")) {
            if (words.are(0, {"mode"}))
                return text(playback_.playing() ? QStringLiteral("playing")
                                                : QStringLiteral("stopped"));
            if (words.are(0, {"position"}))
                return text(QString::number(playback_.positionMs()));
            return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
        }
        return failure(UnrecognizedCommand);
    }

    void waitForEnd() override { playback_.waitForEnd(); }

  private:
    explicit Sequencer(std::shared_ptr<audio::MidiRenderer> renderer)
        : renderer_(std::move(renderer)) {}

    std::shared_ptr<audio::MidiRenderer> renderer_;
    Playback playback_{audio::MidiRenderer::sampleRate}; // after the renderer: it reads from it
};

} // namespace

std::unique_ptr<Device> openSequencer(const QString& element, Answer& answer) {
    return Sequencer::open(element, answer);
}

} // namespace mci::detail
