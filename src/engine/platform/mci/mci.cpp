#include "engine/platform/mci/mci.h"

#include "engine/platform/activemp3/wavfilewriter.h"
#include "engine/platform/akrip/akrip.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/audio/midirenderer.h"
#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/audio/pcmplayer.h"
#include "engine/platform/audio/pcmrecorder.h"
#include "engine/platform/audio/pulsestream.h"
#include "engine/platform/audio/wavfilesource.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace mci {

namespace {

// The words of a command: runs of non-blank characters, or "quoted text" (a path with
// spaces), quotes removed. Each word remembers where it stands in the command, so that a
// path can be taken as written, spaces and all.
struct Words {
    QString text;
    std::vector<QString> items;
    std::vector<std::pair<qsizetype, qsizetype>> spans; // [begin, end) in text, quotes included

    static Words split(const QString& command) {
        Words words;
        words.text = command;
        qsizetype i = 0;
        const qsizetype n = command.size();
        while (i < n) {
            while (i < n && command[i].isSpace())
                ++i;
            if (i >= n)
                break;
            const qsizetype start = i;
            if (command[i] == QLatin1Char('"')) {
                const qsizetype close = command.indexOf(QLatin1Char('"'), i + 1);
                const qsizetype end = close < 0 ? n : close;
                words.items.push_back(command.mid(i + 1, end - i - 1));
                i = end + 1;
            } else {
                while (i < n && !command[i].isSpace())
                    ++i;
                words.items.push_back(command.mid(start, i - start));
            }
            words.spans.emplace_back(start, std::min(i, n));
        }
        return words;
    }
    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    // Word `i` is the keyword `keyword` (case-insensitive).
    bool is(std::size_t i, const char* keyword) const {
        return i < items.size() &&
               items[i].compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    // The words from `i` on are exactly `keywords`.
    bool are(std::size_t i, std::initializer_list<const char*> keywords) const {
        if (items.size() - std::min(i, items.size()) != keywords.size())
            return false;
        for (const char* keyword : keywords)
            if (!is(i++, keyword))
                return false;
        return true;
    }
    Words from(std::size_t i) const {
        Words rest;
        rest.text = text;
        if (i < items.size()) {
            const auto at = static_cast<std::ptrdiff_t>(i);
            rest.items.assign(items.begin() + at, items.end());
            rest.spans.assign(spans.begin() + at, spans.end());
        }
        return rest;
    }
    void erase(std::size_t i) {
        const auto at = static_cast<std::ptrdiff_t>(i);
        items.erase(items.begin() + at);
        spans.erase(spans.begin() + at);
    }
    // Words [first, end) as one text, as the command has them (a path with spaces); a single
    // quoted word gives its text without the quotes.
    QString joined(std::size_t first, std::size_t end) const {
        end = std::min(end, items.size());
        if (first >= end)
            return {};
        if (end - first == 1)
            return items[first];
        return text.mid(spans[first].first, spans[end - 1].second - spans[first].first);
    }
};

// What a command answers: its code, and its text when it has one.
struct Answer {
    std::uint32_t code = Success;
    std::optional<QString> text;
};

Answer failure(std::uint32_t code) {
    return Answer{code, std::nullopt};
}

Answer text(const QString& value) {
    return Answer{Success, value};
}

// Positions and lengths are given in milliseconds unless "set <alias> time format hms" asks
// for "m:ss".
enum class TimeFormat { Milliseconds, Hms };

// `ms` in `format`: whole milliseconds, or "m:ss" rounded down to whole seconds.
QString formatTime(std::int64_t ms, TimeFormat format) {
    if (format == TimeFormat::Milliseconds)
        return QString::number(ms);
    const std::int64_t seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// A position given in `format`: whole milliseconds, or "s", "m:ss" or "h:mm:ss".
std::optional<std::int64_t> parseTime(const QString& value, TimeFormat format) {
    const QStringList parts = value.split(QLatin1Char(':'));
    if (parts.size() > (format == TimeFormat::Hms ? 3 : 1))
        return std::nullopt;
    std::int64_t total = 0;
    for (const QString& part : parts) {
        bool isNumber = false;
        const qlonglong number = part.toLongLong(&isNumber);
        if (!isNumber || number < 0)
            return std::nullopt;
        total = total * 60 + number;
    }
    return format == TimeFormat::Hms ? total * 1000 : total;
}

// "set <alias> time format ..." for every device with a time format; nothing when the words
// are about something else.
std::optional<Answer> setTimeFormat(const Words& words, TimeFormat& format) {
    if (!words.is(0, "time") || !words.is(1, "format"))
        return std::nullopt;
    if (words.size() < 3)
        return failure(MissingParameter);
    if (words.size() > 3)
        return failure(UnrecognizedKeyword);
    if (words.is(2, "hms"))
        format = TimeFormat::Hms;
    else if (words.is(2, "milliseconds") || words.is(2, "ms"))
        format = TimeFormat::Milliseconds;
    else
        return failure(BadTimeFormat);
    return Answer{};
}

// "from <position> to <position>" of a play command, each optional.
struct PlayRange {
    std::optional<std::int64_t> fromMs;
    std::optional<std::int64_t> toMs;
};

std::optional<PlayRange> parsePlayRange(const Words& words, TimeFormat format, Answer& error) {
    PlayRange range;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        const bool isFrom = words.is(i, "from");
        if (!isFrom && !words.is(i, "to")) {
            error = failure(UnrecognizedKeyword);
            return std::nullopt;
        }
        if (i + 1 >= words.size()) {
            error = failure(MissingParameter);
            return std::nullopt;
        }
        const auto ms = parseTime(words.items[i + 1], format);
        if (!ms) {
            error = failure(BadInteger);
            return std::nullopt;
        }
        (isFrom ? range.fromMs : range.toMs) = *ms;
    }
    return range;
}

// One open device. Each device type answers the commands sent to its alias.
class Device {
  public:
    virtual ~Device() = default;
    // `verb` in lower case; `words` follow the alias.
    virtual Answer run(const QString& verb, const Words& words) = 0;
    // After a "play ... wait": returns when the playback has ended.
    virtual void waitForEnd() {}
};

// A medium played on the output, and where in the medium the sound is: the sample frame
// playback started from plus the frames the output has played since (its clock, so the
// position follows what is heard). A playback that ended or was stopped leaves the position
// where the sound ended. Its player is released at the next command after it ended by
// itself.
class Playback {
  public:
    explicit Playback(int sampleRate) : sampleRate_(sampleRate) {}

    // Starts playing `source` (of the medium's rate) from frame `fromFrame` of the medium.
    // CannotLoadDriver when there is no audio server (nothing plays then).
    std::uint32_t start(const PcmFormat& format, std::shared_ptr<audio::PcmSource> source,
                        std::int64_t fromFrame, const QString& name) {
        stop();
        auto player = audio::PcmPlayer::start(format, std::move(source), name);
        if (!player)
            return CannotLoadDriver;
        player_ = std::move(player.value());
        startFrame_ = fromFrame;
        return Success;
    }
    void stop() {
        if (!player_)
            return;
        player_->stop();
        positionFrame_ = startFrame_ + player_->playedFrames();
        player_.reset();
    }
    // Releases a player whose audio has ended, so it holds no connection while idle.
    void release() {
        if (player_ && player_->finished())
            stop();
    }
    void waitForEnd() {
        if (player_)
            player_->wait();
        release();
    }
    bool playing() const { return player_ && !player_->finished(); }
    std::int64_t positionFrame() const {
        return player_ ? startFrame_ + player_->playedFrames() : positionFrame_;
    }
    std::int64_t positionMs() const { return positionFrame() * 1000 / sampleRate_; }

  private:
    int sampleRate_;
    std::unique_ptr<audio::PcmPlayer> player_;
    std::int64_t startFrame_ = 0;
    std::int64_t positionFrame_ = 0;
};

// "stop" and "set <alias> time format ..." of a device that plays, answered alike by all.
Answer stopOrSetTime(const QString& verb, const Words& words, Playback& playback,
                     TimeFormat& format) {
    if (verb == QLatin1String("stop")) {
        if (!words.empty())
            return failure(UnrecognizedKeyword);
        playback.stop();
        return {};
    }
    if (auto answer = setTimeFormat(words, format))
        return *answer;
    return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
}

// Disc audio from sector `startLba` up to `endLba`, read on the playback thread with a
// reader of its own, so the disc plays while the program keeps the drive open in the CD
// library (for its listing, or an extraction).
class CdAudioSource final : public audio::PcmSource {
  public:
    static constexpr std::int32_t framesPerRead = 26; // about a third of a second

    // Null when the drive holds no disc that can be read.
    static std::shared_ptr<CdAudioSource> open(int drive, std::int32_t startLba,
                                               std::int32_t endLba) {
        auto reader = cddrives::DiscAudioReader::open(drive);
        if (!reader)
            return nullptr;
        return std::shared_ptr<CdAudioSource>(
            new CdAudioSource(std::move(reader.value()), startLba, endLba));
    }

    std::size_t read(char* buffer, std::size_t capacity) override {
        if (offset_ == filled_ && !refill())
            return 0;
        std::size_t count = std::min(capacity, filled_ - offset_);
        count -= count % 4; // whole stereo frames
        std::memcpy(buffer, block_.data() + offset_, count);
        offset_ += count;
        return count;
    }
    QString errorText() const override { return error_; }

  private:
    CdAudioSource(std::unique_ptr<cddrives::DiscAudioReader> reader, std::int32_t startLba,
                  std::int32_t endLba)
        : reader_(std::move(reader)), nextLba_(startLba), endLba_(endLba),
          block_(framesPerRead * akrip::cdFrameBytes, 0) {}

    bool refill() {
        const std::int32_t frames = std::min(framesPerRead, endLba_ - nextLba_);
        if (frames <= 0 || !error_.isEmpty())
            return false;
        const std::uint32_t stored =
            reader_->read(nextLba_, static_cast<std::uint32_t>(frames), block_.data());
        if (stored == 0) {
            error_ = QStringLiteral("The disc cannot be read at sector %1").arg(nextLba_);
            return false;
        }
        nextLba_ += static_cast<std::int32_t>(stored);
        filled_ = stored * akrip::cdFrameBytes;
        offset_ = 0;
        return true;
    }

    std::unique_ptr<cddrives::DiscAudioReader> reader_;
    std::int32_t nextLba_;
    std::int32_t endLba_;
    std::vector<unsigned char> block_;
    std::size_t filled_ = 0;
    std::size_t offset_ = 0;
    QString error_;
};

// "cdaudio": the disc in the media drive. Its table of contents is read when the device is
// opened, so a disc changed since is seen after a close and a new open, as with a drive
// opened once for a listing. "play" reads the disc's audio digitally and plays it on the
// audio output; positions count from the start of the first track.
class CdAudio final : public Device {
  public:
    static std::unique_ptr<Device> open(const QString& /*element*/, Answer& answer) {
        const int drive = cddrives::mediaDrive();
        if (drive < 0) {
            answer = failure(InvalidDeviceName);
            return nullptr;
        }
        // An empty drive opens, as a real one does: it has no tracks and no identity.
        auto toc = cddrives::readToc(drive);
        return std::unique_ptr<Device>(
            new CdAudio(drive, toc ? std::optional(toc.value()) : std::nullopt));
    }

    Answer run(const QString& verb, const Words& words) override {
        playback_.release();
        if (verb == QLatin1String("play"))
            return play(words);
        if (verb == QLatin1String("stop") || verb == QLatin1String("set"))
            return stopOrSetTime(verb, words, playback_, format_);
        if (verb == QLatin1String("status"))
            return status(words);
        if (verb == QLatin1String("info")) {
            if (!words.are(0, {"identity"}))
                return failure(words.empty() ? MissingParameter : UnrecognizedKeyword);
            if (!toc_)
                return failure(NoMedia);
            return text(QString::number(cddrives::freedbDiscId(*toc_)));
        }
        return failure(UnrecognizedCommand);
    }

    void waitForEnd() override { playback_.waitForEnd(); }

  private:
    CdAudio(int drive, std::optional<cddrives::DiscToc> toc)
        : drive_(drive), toc_(std::move(toc)) {}

    static constexpr std::int64_t framesPerSector = akrip::cdFrameBytes / 4;
    static std::int64_t sectorsToMs(std::int64_t sectors) { return sectors * 1000 / 75; }
    // The first sector that starts at or after `ms` from the disc's start: lengths are
    // rounded down to whole milliseconds, so the sum of the lengths of the tracks before a
    // track lands on that track's first sector.
    std::int32_t lbaOf(std::int64_t ms) const {
        return toc_->trackStartLba.front() + static_cast<std::int32_t>((ms * 75 + 999) / 1000);
    }
    std::int64_t discMs() const {
        return sectorsToMs(toc_->leadOutLba - toc_->trackStartLba.front());
    }

    // "play [from <position>] [to <position>]": from the current position (the start of the
    // disc after an open) to the end of the disc unless told otherwise; returns at once.
    Answer play(const Words& words) {
        Answer error;
        const auto range = parsePlayRange(words, format_, error);
        if (!range)
            return error;
        if (!toc_)
            return failure(NoMedia);
        if (playback_.playing() && !range->fromMs && !range->toMs)
            return {}; // plays on
        const std::int64_t from = range->fromMs.value_or(playback_.positionMs());
        const std::int64_t to = range->toMs.value_or(discMs());
        if (from > discMs() || to > discMs() || to < from)
            return failure(OutOfRange);
        playback_.stop();
        auto source = CdAudioSource::open(drive_, lbaOf(from), std::max(lbaOf(from), lbaOf(to)));
        if (!source)
            return failure(HardwareError);
        const std::int64_t fromFrame =
            std::int64_t{lbaOf(from) - toc_->trackStartLba.front()} * framesPerSector;
        return failure(playback_.start(PcmFormat{44100, 2}, std::move(source), fromFrame,
                                       QStringLiteral("CD audio")));
    }

    Answer status(const Words& words) {
        if (words.empty())
            return failure(MissingParameter);
        if (words.are(0, {"number", "of", "tracks"}))
            return text(QString::number(toc_ ? toc_->trackCount() : 0));
        if (words.are(0, {"position"}))
            return text(formatTime(playback_.positionMs(), format_));
        if (words.are(0, {"mode"}))
            return text(!toc_                 ? QStringLiteral("not ready")
                        : playback_.playing() ? QStringLiteral("playing")
                                              : QStringLiteral("stopped"));
        if (!words.is(0, "length"))
            return failure(UnrecognizedKeyword);
        if (words.size() == 1) {
            if (!toc_)
                return failure(NoMedia);
            return text(formatTime(discMs(), format_));
        }
        if (!words.is(1, "track"))
            return failure(UnrecognizedKeyword);
        if (words.size() < 3)
            return failure(MissingParameter);
        if (words.size() > 3)
            return failure(UnrecognizedKeyword);
        bool isNumber = false;
        const int track = words.items[2].toInt(&isNumber);
        if (!isNumber)
            return failure(BadInteger);
        if (!toc_)
            return failure(NoMedia);
        const int index = track - toc_->firstTrack;
        if (index < 0 || index >= toc_->trackCount())
            return failure(OutOfRange);
        return text(formatTime(sectorsToMs(toc_->trackSectors(index)), format_));
    }

    int drive_;
    std::optional<cddrives::DiscToc> toc_;
    TimeFormat format_ = TimeFormat::Milliseconds;
    Playback playback_{44100};
};

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
        return std::make_unique<WaveRecording>();
    return std::make_unique<WaveFile>(std::move(source));
}

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

// Opens a device of a type; `element` is what the open names inside it (a file, "new"),
// empty when nothing. Sets `answer` and returns null when it cannot be opened.
using DeviceOpener = std::function<std::unique_ptr<Device>(const QString& element, Answer&)>;

// The device types "open" knows, by name.
const std::map<QString, DeviceOpener>& deviceTypes() {
    static const std::map<QString, DeviceOpener> types{
        {QStringLiteral("cdaudio"), &CdAudio::open},
        {QStringLiteral("waveaudio"), &openWaveAudio},
        {QStringLiteral("sequencer"), &Sequencer::open},
    };
    return types;
}

// Open devices by alias (lower case: aliases are case-insensitive).
std::map<QString, std::unique_ptr<Device>>& devices() {
    static std::map<QString, std::unique_ptr<Device>> open;
    return open;
}

// "open <device> [type <type>] [alias <alias>] [shareable]", where <device> is a type
// ("cdaudio"), a type and an element ("waveaudio!<path>"), or with "type" an element alone
// ("new", a path). The options are read from the end, so a path may contain spaces.
Answer openDevice(const Words& words) {
    if (words.size() < 2)
        return failure(MissingParameter);
    std::optional<QString> type;
    std::optional<QString> alias;
    std::size_t end = words.size();
    while (end > 2) {
        if (words.is(end - 1, "shareable")) {
            --end;
            continue;
        }
        if (words.is(end - 1, "alias") || words.is(end - 1, "type"))
            return failure(MissingParameter);
        const bool isAlias = words.is(end - 2, "alias");
        if (!isAlias && !words.is(end - 2, "type"))
            break;
        std::optional<QString>& option = isAlias ? alias : type;
        if (option)
            return failure(UnrecognizedKeyword);
        option = words.items[end - 1];
        end -= 2;
    }
    const QString device = words.joined(1, end);
    QString element;
    if (type) {
        element = device;
    } else {
        const qsizetype bang = device.indexOf(QLatin1Char('!'));
        type = bang < 0 ? device : device.left(bang);
        element = bang < 0 ? QString() : device.mid(bang + 1);
    }
    const QString typeName = type->toLower();
    const QString key = alias ? alias->toLower() : typeName;
    const auto opener = deviceTypes().find(typeName);
    if (opener == deviceTypes().end())
        return failure(InvalidDeviceName);
    if (devices().count(key))
        return failure(DeviceOpen);
    Answer answer;
    auto opened = opener->second(element, answer);
    if (opened)
        devices()[key] = std::move(opened);
    return answer;
}

Answer execute(const QString& command) {
    Words words = Words::split(command);
    // "notify" asks to be told of the end: nobody is. "wait" makes a play return when it has
    // ended; every other command ends before it returns anyway.
    bool wait = false;
    for (std::size_t i = words.size(); i-- > 2;) {
        if (words.is(i, "wait") || words.is(i, "notify")) {
            wait = wait || words.is(i, "wait");
            words.erase(i);
        }
    }
    if (words.empty())
        return failure(MissingCommandString);
    const QString verb = words.items[0].toLower();
    if (verb == QLatin1String("open"))
        return openDevice(words);
    if (words.size() < 2)
        return failure(MissingParameter);
    const QString alias = words.items[1].toLower();
    if (verb == QLatin1String("close") && alias == QLatin1String("all") && words.size() == 2) {
        closeAll();
        return {};
    }
    const auto device = devices().find(alias);
    if (device == devices().end())
        return failure(InvalidDeviceId);
    if (verb == QLatin1String("close")) {
        if (words.size() > 2)
            return failure(UnrecognizedKeyword);
        devices().erase(device); // stops what it plays or records
        return {};
    }
    Answer answer = device->second->run(verb, words.from(2));
    if (wait && verb == QLatin1String("play") && answer.code == Success)
        device->second->waitForEnd();
    return answer;
}

} // namespace

namespace {
CommandObserver& observer() {
    static CommandObserver current;
    return current;
}
} // namespace

CommandObserver setCommandObserver(CommandObserver next) {
    return std::exchange(observer(), std::move(next));
}

std::uint32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength,
                             void* /*callbackWindow*/) {
    if (!command)
        return MissingCommandString;
    const QString text = QString::fromUtf8(command);
    const Answer answer = execute(text);
    if (observer().answered)
        observer().answered(text, answer.code);
    if (answer.code != Success || !answer.text || !reply)
        return answer.code;
    const QByteArray bytes = answer.text->toUtf8();
    if (static_cast<std::uint64_t>(bytes.size()) + 1 > replyLength)
        return ParamOverflow;
    std::memcpy(reply, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    reply[bytes.size()] = '\0';
    return Success;
}

QString replyText(const char* reply, std::uint32_t replyLength) {
    if (!reply)
        return {};
    const void* zero = std::memchr(reply, 0, replyLength);
    if (!zero)
        return {};
    return QString::fromUtf8(reply, static_cast<const char*>(zero) - reply);
}

Reply send(const QString& command) {
    char buffer[64] = {};
    Reply reply;
    reply.code = mciSendStringA(command.toUtf8().constData(), buffer, sizeof buffer, nullptr);
    reply.text = replyText(buffer, sizeof buffer);
    return reply;
}

void closeAll() {
    devices().clear();
}

} // namespace mci
