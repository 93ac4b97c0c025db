// The "waveaudio" device opened with "new": a recording of the default input.
#include "engine/platform/activemp3/wavfilewriter.h"
#include "engine/platform/audio/pcmrecorder.h"
#include "engine/platform/mci/device.h"

#include <new>

namespace mci::detail {

namespace {

// Recorded audio kept in memory, in blocks so that a long recording is never copied while
// it grows. Written by the recording thread between begin and finish; read by the device on
// the GUI thread only while no recording runs.
class CaptureBuffer final : public PcmSink {
  public:
    static constexpr std::size_t blockBytes = 1 << 20;

    bool begin(const PcmFormat&) override { return true; }
    bool write(const char* data, std::size_t bytes) override {
        try {
            while (bytes > 0) {
                if (blocks_.empty() || blocks_.back().size() == blockBytes) {
                    blocks_.emplace_back();
                    blocks_.back().reserve(blockBytes);
                }
                std::vector<char>& block = blocks_.back();
                const std::size_t count = std::min(bytes, blockBytes - block.size());
                block.insert(block.end(), data, data + count);
                data += count;
                bytes -= count;
                total_ += static_cast<std::int64_t>(count);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    bool finish() override { return true; }
    QString errorText() const override { return QStringLiteral("Out of memory"); }

    std::int64_t bytes() const { return total_; }
    // Keeps the first `bytes` of the audio (all of it when it holds fewer).
    void truncate(std::int64_t bytes) {
        std::int64_t kept = 0;
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const auto size = static_cast<std::int64_t>(blocks_[i].size());
            if (kept + size >= bytes) {
                blocks_[i].resize(
                    static_cast<std::size_t>(std::max<std::int64_t>(0, bytes - kept)));
                blocks_.resize(i + 1);
                total_ = std::min(total_, bytes);
                return;
            }
            kept += size;
        }
    }
    // Writes the audio as a new WAV file of `format` meant for `wantedPath` (written under a
    // temporary name, put in place once complete: see WavFileWriter::create); the name taken,
    // or none when the file could not be written whole.
    std::optional<QString> save(const QString& wantedPath, const PcmFormat& format) const {
        WavFileWriter writer;
        if (!writer.create(wantedPath) || !writer.begin(format))
            return std::nullopt;
        for (const auto& block : blocks_)
            if (!writer.write(block.data(), block.size()))
                break; // the writer has failed: finish() removes the file
        if (!writer.finish() || writer.dataBytes() != total_)
            return std::nullopt;
        return writer.outputPath();
    }

  private:
    std::vector<std::vector<char>> blocks_;
    std::int64_t total_ = 0;
};

// The recording format's numbers as "set ... samplespersec" gives them.
struct WaveFormat {
    std::int64_t samplesPerSec = 44100;
    std::int64_t channels = 2;
    std::int64_t bitsPerSample = 16;
    std::int64_t alignment = 4;
    std::int64_t bytesPerSec = 176400;

    // Recording takes 16-bit PCM in one or two channels at 8 to 192 kHz, with the block
    // alignment and byte rate those imply.
    bool valid() const {
        return samplesPerSec >= 8000 && samplesPerSec <= 192000 && channels >= 1 && channels <= 2 &&
               bitsPerSample == 16 && alignment == channels * bitsPerSample / 8 &&
               bytesPerSec == alignment * samplesPerSec;
    }
    PcmFormat pcm() const {
        return PcmFormat{static_cast<int>(samplesPerSec), static_cast<int>(channels)};
    }
};

// "waveaudio" opened with "new": a recording of the default input, kept in memory until it
// is saved. It records in CD format until "set" says otherwise; "record" adds to what was
// recorded before on the same device.
class WaveRecording final : public Device {
  public:
    ~WaveRecording() override { recorder_.reset(); } // joined before the buffer goes

    Answer run(const QString& verb, const Words& words) override {
        releaseEndedRecorder();
        if (verb == QLatin1String("set"))
            return set(words);
        if (verb == QLatin1String("record"))
            return record(words);
        if (verb == QLatin1String("stop")) {
            if (!words.empty())
                return failure(UnrecognizedKeyword);
            stopRecording();
            return {};
        }
        if (verb == QLatin1String("save"))
            return save(words);
        if (verb == QLatin1String("delete"))
            return cut(words);
        if (verb == QLatin1String("status"))
            return status(words);
        return failure(UnrecognizedCommand);
    }

  private:
    // "set <alias> samplespersec <n> channels <n> bitspersample <n> alignment <n> bytespersec
    // <n>" (any of them, in any order; alignment and bytespersec follow the others when left
    // out), or "time format ...". The format changes only while nothing is recorded.
    Answer set(const Words& words) {
        if (auto answer = setTimeFormat(words, timeFormat_))
            return *answer;
        if (words.empty())
            return failure(MissingParameter);
        WaveFormat next = format_;
        bool alignmentGiven = false, bytesPerSecGiven = false;
        for (std::size_t i = 0; i < words.size(); i += 2) {
            std::int64_t* field = nullptr;
            if (words.is(i, "samplespersec")) {
                field = &next.samplesPerSec;
            } else if (words.is(i, "channels")) {
                field = &next.channels;
            } else if (words.is(i, "bitspersample")) {
                field = &next.bitsPerSample;
            } else if (words.is(i, "alignment")) {
                field = &next.alignment;
                alignmentGiven = true;
            } else if (words.is(i, "bytespersec")) {
                field = &next.bytesPerSec;
                bytesPerSecGiven = true;
            } else {
                return failure(UnrecognizedKeyword);
            }
            if (i + 1 >= words.size())
                return failure(MissingParameter);
            bool isNumber = false;
            *field = words.items[i + 1].toLongLong(&isNumber);
            if (!isNumber)
                return failure(BadInteger);
        }
        if (!alignmentGiven)
            next.alignment = next.channels * next.bitsPerSample / 8;
        if (!bytesPerSecGiven)
            next.bytesPerSec = next.alignment * next.samplesPerSec;
        if (!next.valid())
            return failure(OutOfRange);
        if (recorder_ || buffer_.bytes() > 0)
            return failure(DeviceNotReady);
        format_ = next;
        return {};
    }

    // "record <alias> [overwrite | insert]": from the default input until "stop".
    Answer record(const Words& words) {
        if (words.size() > 1 ||
            (words.size() == 1 && !words.is(0, "overwrite") && !words.is(0, "insert")))
            return failure(UnrecognizedKeyword);
        if (recorder_)
            return {};
        // Read before the recording thread starts writing the buffer.
        const std::int64_t before = buffer_.bytes();
        auto recorder =
            audio::PcmRecorder::start(format_.pcm(), buffer_, QStringLiteral("Recording"));
        if (!recorder)
            return failure(CannotLoadDriver);
        recordedBefore_ = before;
        recorder_ = std::move(recorder.value());
        return {};
    }

    // "save <alias> <path>": the path is the rest of the command, spaces and all, or quoted.
    Answer save(const Words& words) {
        const QString path = words.joined(0, words.size());
        if (path.isEmpty())
            return failure(MissingParameter);
        if (recorder_)
            return failure(DeviceNotReady);
        const std::optional<QString> taken = buffer_.save(path, format_.pcm());
        return taken ? text(*taken) : failure(FileNotSaved);
    }

    // "delete <alias> from <p>": drops what was recorded after position `p` (whole frames).
    Answer cut(const Words& words) {
        if (words.size() != 2 || !words.is(0, "from"))
            return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
        const auto ms = parseTime(words.items[1], timeFormat_);
        if (!ms)
            return failure(BadInteger);
        if (recorder_)
            return failure(DeviceNotReady);
        const std::int64_t frames = *ms * format_.samplesPerSec / 1000;
        buffer_.truncate(frames * format_.alignment);
        return {};
    }

    Answer status(const Words& words) {
        if (words.are(0, {"mode"}))
            return text(recorder_ ? QStringLiteral("recording") : QStringLiteral("stopped"));
        if (words.are(0, {"position"}) || words.are(0, {"length"})) {
            const std::int64_t bytes =
                recorder_ ? recordedBefore_ + recorder_->recordedBytes() : buffer_.bytes();
            return text(formatTime(bytes * 1000 / format_.bytesPerSec, timeFormat_));
        }
        return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
    }

    void stopRecording() { recorder_.reset(); } // joins; the buffer holds everything handed over

    void releaseEndedRecorder() {
        if (recorder_ && recorder_->finished())
            stopRecording();
    }

    WaveFormat format_;
    TimeFormat timeFormat_ = TimeFormat::Milliseconds;
    CaptureBuffer buffer_;
    std::int64_t recordedBefore_ = 0;
    std::unique_ptr<audio::PcmRecorder> recorder_; // after the buffer: it writes into it
};

} // namespace

std::unique_ptr<Device> newWaveRecording() {
    return std::make_unique<WaveRecording>();
}

} // namespace mci::detail
