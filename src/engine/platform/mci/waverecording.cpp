// The "waveaudio" device opened with "new": a recording of the default input.
#include "engine/platform/audio/pcmrecorder.h"
#include "engine/platform/mci/device.h"
#include "engine/platform/mci/recordingspool.h"

#include <QDir>
#include <QFileInfo>

namespace mci::detail {

namespace {

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

// "waveaudio" opened with "new": a recording of the default input, kept in a file as it is
// recorded (RecordingSpool) until it is saved. It records in CD format until "set" says
// otherwise; "record" adds to what was recorded before on the same device. The file is made
// in the system's temporary folder unless "set <alias> folder <path>" names another: a save
// into that folder then puts the file at its name without copying it.
class WaveRecording final : public Device {
  public:
    ~WaveRecording() override { recorder_.reset(); } // joined before the spool goes

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
    std::int64_t recordedBytes() const { return spool_ ? spool_->bytes() : 0; }

    // "set <alias> samplespersec <n> channels <n> bitspersample <n> alignment <n> bytespersec
    // <n>" (any of them, in any order; alignment and bytespersec follow the others when left
    // out), "folder <path>", or "time format ...". The format and the folder change only while
    // nothing is recorded.
    Answer set(const Words& words) {
        if (auto answer = setTimeFormat(words, timeFormat_))
            return *answer;
        if (words.is(0, "folder"))
            return setFolder(words.joined(1, words.size()));
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
        if (recorder_ || recordedBytes() > 0)
            return failure(DeviceNotReady);
        format_ = next;
        return {};
    }

    // "set <alias> folder <path>": where the next recording's file is made.
    Answer setFolder(const QString& path) {
        if (path.isEmpty())
            return failure(MissingParameter);
        if (!QFileInfo(path).isDir())
            return failure(FileNotFound);
        if (recorder_ || recordedBytes() > 0)
            return failure(DeviceNotReady);
        folder_ = path;
        spool_.reset();
        return {};
    }

    // "record <alias> [overwrite | insert]": from the default input until "stop".
    Answer record(const Words& words) {
        if (words.size() > 1 ||
            (words.size() == 1 && !words.is(0, "overwrite") && !words.is(0, "insert")))
            return failure(UnrecognizedKeyword);
        if (recorder_)
            return {};
        if (!writableSpool())
            return failure(FileNotSaved);
        // Read before the recording thread starts writing the spool.
        const std::int64_t before = spool_->bytes();
        auto recorder =
            audio::PcmRecorder::start(format_.pcm(), *spool_, QStringLiteral("Recording"));
        if (!recorder)
            return failure(CannotLoadDriver);
        recordedBefore_ = before;
        recorder_ = std::move(recorder.value());
        return {};
    }

    // A spool that may be recorded into or cut: made at the first need, and replaced by a copy
    // once a save has made its file the user's.
    bool writableSpool() {
        if (!spool_) {
            auto made = RecordingSpool::create(folder_);
            if (!made)
                return false;
            spool_ = std::move(made.value());
        } else if (spool_->published()) {
            auto copy = spool_->copy();
            if (!copy)
                return false;
            spool_ = std::move(copy.value());
        }
        return true;
    }

    // "save <alias> <path>": the path is the rest of the command, spaces and all, or quoted.
    Answer save(const Words& words) {
        const QString path = words.joined(0, words.size());
        if (path.isEmpty())
            return failure(MissingParameter);
        if (recorder_)
            return failure(DeviceNotReady);
        if (!spool_ && !writableSpool()) // nothing recorded yet: an empty file
            return failure(FileNotSaved);
        const Result<QString> taken = spool_->save(path, format_.pcm());
        return taken ? text(taken.value()) : failure(FileNotSaved);
    }

    // "delete <alias> [from <p>] [to <q>]": drops what was recorded from position `p` (the
    // start when left out) to `q` (the end when left out), in whole frames; what follows
    // moves up.
    Answer cut(const Words& words) {
        if (words.empty())
            return failure(MissingParameter);
        std::optional<std::int64_t> fromMs, toMs;
        for (std::size_t i = 0; i < words.size(); i += 2) {
            std::optional<std::int64_t>& field = words.is(i, "from") ? fromMs : toMs;
            if ((!words.is(i, "from") && !words.is(i, "to")) || field)
                return failure(UnrecognizedKeyword);
            if (i + 1 >= words.size())
                return failure(MissingParameter);
            field = parseTime(words.items[i + 1], timeFormat_);
            if (!field)
                return failure(BadInteger);
        }
        if (recorder_)
            return failure(DeviceNotReady);
        const auto bytesAt = [this](std::int64_t ms) {
            return ms * format_.samplesPerSec / 1000 * format_.alignment;
        };
        const std::int64_t first = bytesAt(fromMs.value_or(0));
        const std::int64_t end = std::min(toMs ? bytesAt(*toMs) : recordedBytes(), recordedBytes());
        if (first >= end)
            return {};
        if (!writableSpool() || !spool_->erase(first, end))
            return failure(FileNotSaved);
        return {};
    }

    Answer status(const Words& words) {
        if (words.are(0, {"mode"}))
            return text(recorder_ ? QStringLiteral("recording") : QStringLiteral("stopped"));
        if (words.are(0, {"position"}) || words.are(0, {"length"})) {
            // While recording, the position is the moment being captured (the recorder's
            // clock), which the length reaches once that audio is stored.
            if (words.is(0, "position") && recorder_)
                return text(
                    formatTime((recordedBefore_ / format_.alignment + recorder_->capturedFrames()) *
                                   1000 / format_.samplesPerSec,
                               timeFormat_));
            const std::int64_t bytes =
                recorder_ ? recordedBefore_ + recorder_->recordedBytes() : recordedBytes();
            return text(formatTime(bytes * 1000 / format_.bytesPerSec, timeFormat_));
        }
        return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
    }

    void stopRecording() { recorder_.reset(); } // joins; the spool holds everything handed over

    void releaseEndedRecorder() {
        if (recorder_ && recorder_->finished())
            stopRecording();
    }

    WaveFormat format_;
    TimeFormat timeFormat_ = TimeFormat::Milliseconds;
    QString folder_ = QDir::tempPath();
    std::unique_ptr<RecordingSpool> spool_;
    std::int64_t recordedBefore_ = 0;
    std::unique_ptr<audio::PcmRecorder> recorder_; // after the spool: it writes into it
};

} // namespace

std::unique_ptr<Device> newWaveRecording() {
    return std::make_unique<WaveRecording>();
}

} // namespace mci::detail
