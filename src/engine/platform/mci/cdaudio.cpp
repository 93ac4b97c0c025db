// The "cdaudio" device: the disc in the media drive, played digitally on the audio output.
#include "engine/platform/akrip/akrip.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/mci/device.h"

#include <QCoreApplication>
#include <cstring>

namespace mci::detail {

namespace {

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
            error_ = QCoreApplication::translate("CdAudio", "The disc cannot be read at sector %1")
                         .arg(nextLba_);
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
    static std::unique_ptr<Device> open(Answer& answer) {
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

} // namespace

std::unique_ptr<Device> openCdAudio(const QString& /*element*/, Answer& answer) {
    return CdAudio::open(answer);
}

} // namespace mci::detail
