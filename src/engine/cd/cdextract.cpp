#include "engine/cd/cdextract.h"

#include "engine/cd/modakrip32.h"
#include "engine/cd/offsetwindow.h"
#include "engine/cd/readmode.h"
#include "engine/cd/riplog.h"
#include "engine/cd/tracksinks.h"
#include "engine/core/displaytext.h"
#include "engine/encode/backgroundmeter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <QCoreApplication>

namespace {

constexpr std::size_t headerBytes = sizeof(akrip::ReadHeader);
constexpr std::size_t audioAreaBytes = framesPerRead * akrip::cdFrameBytes; // 61,152

// The read block of one track: a request header followed by the audio area.
//
// A secure read that stops at a sector the drive cannot deliver (damage) does not end the
// track: the sector is read alone again, up to the retry limit, and when it never comes its
// samples are zeros and it is noted (damaged()); the chunk reads on after it. A fast read
// takes the chunk in one drive read, then reads securely each sector the drive flagged with
// C2 errors and whatever the pass could not read.
class ChunkReader {
  public:
    ChunkReader(std::uint32_t handle, readmode::Mode mode, int retryLimit)
        : handle_(handle), fast_(mode == readmode::Mode::Fast),
          retryLimit_(std::max(0, retryLimit)), block_(headerBytes + audioAreaBytes, 0),
          scratch_(headerBytes + audioAreaBytes, 0), c2_(framesPerRead, 0) {}

    struct Failure {
        QString text;                // the library's text, with the reason it found
        std::int32_t framesRead = 0; // frames stored before the one that failed
    };

    // Reads `frames` frames from `lba`. The library's text of the failure that ended it
    // otherwise (read on this thread, where the library keeps it), with its reason: a stop, a
    // sector it may not read, one an image's files do not hold.
    std::optional<Failure> read(std::int32_t lba, std::int32_t frames) {
        unsigned char* audio = block_.data() + headerBytes;
        std::int32_t done = 0;
        if (fast_)
            done = readOnce(lba, frames, audio);
        while (done < frames) {
            const auto failure = readSecure(lba + done, frames - done, audio + bytesOf(done));
            if (!failure)
                return std::nullopt;
            done += failure->framesRead;
            if (!akrip::lastFailureDamaged() || done >= frames)
                return Failure{failure->text, done};
            const std::int32_t sector = lba + done;
            if (!retrySector(sector, audio + bytesOf(done))) {
                if (!akrip::lastFailureDamaged()) // stopped meanwhile
                    return Failure{
                        modAKRip32::failureText(akrip::GetAspiLibError(), akrip::lastErrorDetail()),
                        done};
                std::fill_n(audio + bytesOf(done), akrip::cdFrameBytes, 0);
                damaged_.push_back(sector);
            }
            ++done;
        }
        return std::nullopt;
    }

    const unsigned char* audio() const { return block_.data() + headerBytes; }
    // The disc's sectors read since the last take that never came: zeros stand for them.
    std::vector<std::int32_t> takeDamaged() { return std::exchange(damaged_, {}); }
    // Sectors read again securely for their C2 flags since the last take.
    std::int32_t takeC2Rereads() { return std::exchange(c2Rereads_, 0); }
    bool c2Reported() const { return akrip::reportsC2(handle_); }

  private:
    static std::size_t bytesOf(std::int32_t frames) {
        return static_cast<std::size_t>(frames) * akrip::cdFrameBytes;
    }

    // One single-pass read of the chunk into `audio`: the frames it stored, each flagged one
    // read again securely. A flagged sector that cannot be read securely either stays as the
    // pass read it (the retries are left to the secure read of what follows).
    std::int32_t readOnce(std::int32_t lba, std::int32_t frames, unsigned char* audio) {
        akrip::ReadHeader header = headerFor(lba, frames);
        std::memcpy(scratch_.data(), &header, headerBytes);
        const bool whole = akrip::ReadCDAudioLBAOnce(handle_, scratch_.data(), c2_.data()) == 1;
        std::memcpy(&header, scratch_.data(), headerBytes);
        const auto stored =
            whole ? frames
                  : static_cast<std::int32_t>(std::min<std::uint32_t>(
                        header.returnedLength / akrip::cdFrameBytes, header.frameCount));
        std::memcpy(audio, scratch_.data() + headerBytes, bytesOf(stored));
        for (std::int32_t k = 0; k < stored; ++k) {
            if (!c2_[static_cast<std::size_t>(k)])
                continue;
            ++c2Rereads_;
            unsigned char* sector = audio + bytesOf(k);
            if (!readSecure(lba + k, 1, sector) || !akrip::lastFailureDamaged() ||
                retrySector(lba + k, sector) || !akrip::lastFailureDamaged())
                continue;
            std::fill_n(sector, akrip::cdFrameBytes, 0);
            damaged_.push_back(lba + k);
        }
        return stored;
    }

    // Sector `sector` tried again, up to the retry limit, each try one drive read of it alone
    // (the error-correcting reader would read a long stretch around it for each); once the
    // drive delivers it, it is read through the error-correcting reader. False when it never
    // came, or a stop ended the tries.
    bool retrySector(std::int32_t sector, unsigned char* audio) {
        std::uint8_t c2 = 0;
        for (int attempt = 0; attempt < retryLimit_; ++attempt) {
            const akrip::ReadHeader header = headerFor(sector, 1);
            std::memcpy(scratch_.data(), &header, headerBytes);
            if (akrip::ReadCDAudioLBAOnce(handle_, scratch_.data(), &c2) == 1 &&
                !readSecure(sector, 1, audio))
                return true;
            if (!akrip::lastFailureDamaged())
                return false;
        }
        return false;
    }

    // Reads `frames` frames from `lba` into `audio` through the error-correcting reader.
    // A damaged sector is left to retrySector; any other failure (a stop, a sector the drive
    // may never read) would fail again.
    std::optional<Failure> readSecure(std::int32_t lba, std::int32_t frames, unsigned char* audio) {
        const akrip::ReadHeader header = headerFor(lba, frames);
        std::memcpy(scratch_.data(), &header, headerBytes);
        const bool whole = akrip::ReadCDAudioLBA(handle_, scratch_.data()) == 1;
        akrip::ReadHeader returned{};
        std::memcpy(&returned, scratch_.data(), headerBytes);
        const auto stored =
            whole ? frames
                  : static_cast<std::int32_t>(std::min<std::uint32_t>(
                        returned.returnedLength / akrip::cdFrameBytes, header.frameCount));
        std::memcpy(audio, scratch_.data() + headerBytes, bytesOf(stored));
        if (whole)
            return std::nullopt;
        return Failure{modAKRip32::failureText(akrip::GetAspiLibError(), akrip::lastErrorDetail()),
                       stored};
    }

    static akrip::ReadHeader headerFor(std::int32_t lba, std::int32_t frames) {
        akrip::ReadHeader header{};
        header.startLba = static_cast<std::uint32_t>(lba);
        header.frameCount = static_cast<std::uint32_t>(frames);
        header.maxLength = static_cast<std::uint32_t>(audioAreaBytes);
        return header;
    }

    std::uint32_t handle_;
    bool fast_;
    int retryLimit_;
    std::vector<unsigned char> block_;
    std::vector<unsigned char> scratch_;
    std::vector<std::uint8_t> c2_;
    std::vector<std::int32_t> damaged_;
    std::int32_t c2Rereads_ = 0;
};

// The chunks of a track in order, read ahead on a thread of their own, so that reading the
// disc overlaps the encoding and writing of the chunks before. Each chunk holds whole frames
// of the track as the request's read offset corrects it: the sectors read are those that hold
// the corrected audio, and those beyond the disc's edges (before sector 0, from the lead-out
// on) are zeros, unless the drive overreads (then the drive is asked for those past the
// lead-out, and zeros stand where it refuses; nothing before sector 0 can be addressed). The
// reading stops at the first chunk that cannot be read (handed out with its error and the
// frames read before the failure; a damaged sector does not stop it: ChunkReader) and when the
// stream is destroyed; a read under way then ends within one drive read, as it does when
// `cancelled` answers true (asked from the reading thread).
//
// Consumed by one thread (the extraction's).
class ChunkStream {
  public:
    struct Chunk {
        std::vector<unsigned char> audio; // frames * 2352 bytes
        std::int32_t lba = 0;             // the track's sector the chunk starts at
        std::int32_t frames = 0;          // frames in `audio`
        bool failed = false;              // the chunk could not be read whole: see error
        QString error;
        std::int32_t failedLba = -1;       // the sector that could not be read
        std::vector<std::int32_t> damaged; // the disc's sectors that never came: zeros
        std::int32_t c2Rereads = 0;        // sectors read again for their C2 flags
        bool c2Reported = false;           // the drive reports C2 errors
    };

    ChunkStream(const ExtractRequest& request, std::function<bool()> cancelled)
        : reader_(request.handle, request.readMode, request.retryLimit),
          window_(OffsetWindow::ofTrack(
              request.startLba, std::max(request.startLba, request.endLba), request.offsetSamples)),
          nextLba_(window_.firstLba()), endLba_(window_.firstLba() + window_.sectorCount()),
          trackLba_(request.startLba),
          leadOutLba_(request.leadOutLba >= 0 ? request.leadOutLba
                                              : std::numeric_limits<std::int32_t>::max()),
          overreads_(request.overreads), cancelled_(std::move(cancelled)),
          thread_([this] { run(); }) {}
    ~ChunkStream() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        stop_ = true;
        changed_.notify_all();
        thread_.join();
    }
    ChunkStream(const ChunkStream&) = delete;
    ChunkStream& operator=(const ChunkStream&) = delete;

    // The next chunk; nothing once the track's chunks (or its failed one) were handed out.
    std::optional<Chunk> next() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !ready_.empty() || done_; });
        if (ready_.empty())
            return std::nullopt;
        Chunk chunk = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
        return chunk;
    }

  private:
    static constexpr std::size_t readAhead = 16; // chunks, about 1 MB

    void run() {
        const akrip::ReadStop stop([this] { return stop_.load() || (cancelled_ && cancelled_()); });
        const std::vector<unsigned char> zeros(audioAreaBytes, 0);
        std::vector<unsigned char> corrected; // the track's bytes not yet handed out
        while (true) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return ready_.size() < readAhead || stopping_; });
                if (stopping_ || nextLba_ >= endLba_)
                    break;
            }
            const std::int32_t sectors = OffsetWindow::sameSide(
                nextLba_, std::min(framesPerRead, endLba_ - nextLba_), leadOutLba_);
            const bool onDisc = OffsetWindow::onDisc(nextLba_, leadOutLba_);
            const unsigned char* audio = zeros.data();
            std::int32_t stored = sectors;
            Chunk chunk;
            if (onDisc || (overreads_ && nextLba_ >= leadOutLba_)) {
                const auto failure = reader_.read(nextLba_, sectors);
                if (!failure) {
                    audio = reader_.audio();
                } else if (onDisc) {
                    chunk.failed = true;
                    chunk.error = failure->text;
                    stored = failure->framesRead;
                    chunk.failedLba = nextLba_ + stored;
                    audio = reader_.audio();
                }
            }
            chunk.damaged = reader_.takeDamaged();
            chunk.c2Rereads = reader_.takeC2Rereads();
            chunk.c2Reported = reader_.c2Reported();
            window_.feed(audio, stored, corrected);
            nextLba_ += stored;
            chunk.lba = trackLba_;
            chunk.frames = static_cast<std::int32_t>(corrected.size() / akrip::cdFrameBytes);
            const auto bytes = static_cast<std::size_t>(chunk.frames) * akrip::cdFrameBytes;
            chunk.audio.assign(corrected.begin(),
                               corrected.begin() + static_cast<std::ptrdiff_t>(bytes));
            corrected.erase(corrected.begin(),
                            corrected.begin() + static_cast<std::ptrdiff_t>(bytes));
            trackLba_ += chunk.frames;
            const bool failed = chunk.failed;
            if (chunk.frames > 0 || failed || !chunk.damaged.empty() || chunk.c2Rereads > 0) {
                std::lock_guard lock(mutex_);
                ready_.push_back(std::move(chunk));
            }
            changed_.notify_all();
            if (failed)
                break;
        }
        std::lock_guard lock(mutex_);
        done_ = true;
        changed_.notify_all();
    }

    ChunkReader reader_;   // the reading thread's
    OffsetWindow window_;  // the reading thread's
    std::int32_t nextLba_; // the reading thread's: the next sector to read
    const std::int32_t endLba_;
    std::int32_t trackLba_; // the reading thread's: the track's sector the next chunk starts at
    const std::int32_t leadOutLba_;
    const bool overreads_;
    std::function<bool()> cancelled_;
    std::atomic<bool> stop_{false}; // the stream is going: a read under way ends
    std::mutex mutex_;
    std::condition_variable changed_; // a chunk was read or taken, or the end came
    std::deque<Chunk> ready_;
    bool stopping_ = false;
    bool done_ = false;
    std::thread thread_; // last: starts once everything above exists
};

// A chunk's CD audio (16-bit samples in the host's order, as the reader hands them) as the
// pipeline's samples.
void widen(const std::vector<unsigned char>& audio, std::vector<std::int32_t>& samples) {
    const std::size_t count = audio.size() / sizeof(std::int16_t);
    samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t sample = 0;
        std::memcpy(&sample, audio.data() + i * sizeof sample, sizeof sample);
        samples[i] = sample;
    }
}

// The chunk of a track that could not be read.
struct ReadFailure {
    QString text;
    std::int32_t lba = -1;
};

// The track's samples that the disc's sectors `damaged` (in order) stood for, joined where
// they touch: a sector's samples are those the read offset moves it to, within the track.
std::vector<SampleRange> suspiciousRanges(const std::vector<std::int32_t>& damaged,
                                          std::int32_t startLba, int offsetSamples) {
    std::vector<SampleRange> ranges;
    for (const std::int32_t sector : damaged) {
        const std::int64_t first =
            std::int64_t{sector - startLba} * ripcheck::samplesPerSector - offsetSamples;
        const std::int64_t end = first + ripcheck::samplesPerSector;
        if (!ranges.empty() && ranges.back().end >= first)
            ranges.back().end = std::max(ranges.back().end, end);
        else
            ranges.push_back(SampleRange{std::max<std::int64_t>(first, 0), end});
    }
    return ranges;
}

// The checksums of a track's audio as it is read, the reader's corrections meanwhile, and,
// for a copy, the audio's loudness.
class TrackAccount {
  public:
    enum class Loudness { Measured, NotMeasured };
    TrackAccount(const ExtractRequest& request, Loudness loudness)
        : handle_(request.handle), startLba_(request.startLba),
          offsetSamples_(request.offsetSamples), before_(akrip::correctionsOf(request.handle)),
          checksum_(placeOf(request)) {
        if (loudness == Loudness::Measured)
            if (auto meter = LoudnessMeter::make(2, 44100))
                meter_ = std::make_unique<BackgroundMeter>(std::move(meter.value()));
    }
    void feed(const std::vector<unsigned char>& audio) {
        checksum_.feed(audio.data(), audio.size());
        if (meter_)
            meter_->add(reinterpret_cast<const std::int16_t*>(audio.data()),
                        audio.size() / sizeof(std::int16_t));
    }
    // What the chunk's read met: damaged sectors, C2 flags.
    template <typename Chunk> void note(const Chunk& chunk) {
        damaged_.insert(damaged_.end(), chunk.damaged.begin(), chunk.damaged.end());
        c2Rereads_ += chunk.c2Rereads;
        c2Reported_ = c2Reported_ || chunk.c2Reported;
    }
    void settle(ExtractOutcome& out) {
        out.sums = checksum_.result();
        out.suspicious = suspiciousRanges(damaged_, startLba_, offsetSamples_);
        out.c2Rereads = c2Rereads_;
        out.c2Reported = c2Reported_;
        out.cacheSectors = akrip::statedCacheSectors(handle_);
        out.corrections = akrip::correctionsOf(handle_) - before_;
        // A meter that failed gives no ReplayGain rather than one of only some of the audio.
        if (meter_)
            out.loudness = meter_->finish();
        meter_.reset();
    }

  private:
    static ripcheck::TrackPlace placeOf(const ExtractRequest& request) {
        ripcheck::TrackPlace place = request.place;
        if (place.pairCount == 0)
            place.pairCount =
                static_cast<std::int64_t>(std::max(0, request.endLba - request.startLba)) *
                ripcheck::samplesPerSector;
        return place;
    }
    std::uint32_t handle_;
    std::int32_t startLba_;
    int offsetSamples_;
    std::vector<std::int32_t> damaged_;
    std::int32_t c2Rereads_ = 0;
    bool c2Reported_ = false;
    std::int64_t before_;
    ripcheck::TrackChecksum checksum_;
    std::unique_ptr<BackgroundMeter> meter_;
};

// How an extraction whose file ended properly went.
ExtractOutcome endedOutcome(ExtractOutcome out, const std::optional<ReadFailure>& failure) {
    if (failure) {
        out.status = ExtractOutcome::Status::ReadFailed;
        out.readErrorText = failure->text;
        out.failedLba = failure->lba;
    } else {
        out.status = out.framesDone < out.framesTotal ? ExtractOutcome::Status::Cancelled
                                                      : ExtractOutcome::Status::Completed;
    }
    return out;
}

} // namespace

namespace {

// `request` as a track written in `format` alone, into its outputFd named outputPath.
ExtractOutcome extractOneFormat(const ExtractRequest& request, pipeline::OutputFormat format,
                                const std::function<bool()>& cancelled,
                                const ExtractProgress& progress) {
    ExtractRequest one = request;
    one.formats = {format};
    one.formatFds = {request.outputFd};
    one.formatPaths = {request.outputPath};
    ExtractOutcome out = ExtractTrackToFormats(one, cancelled, progress);
    out.outputs.clear();
    return out;
}

} // namespace

ExtractOutcome ExtractTrackToWav(const ExtractRequest& request,
                                 const std::function<bool()>& cancelled,
                                 const ExtractProgress& progress) {
    return extractOneFormat(request, pipeline::OutputFormat::Wav, cancelled, progress);
}

ExtractOutcome ExtractTrackToMp3(const ExtractRequest& request,
                                 const std::function<bool()>& cancelled,
                                 const ExtractProgress& progress) {
    return extractOneFormat(request, pipeline::OutputFormat::Mp3, cancelled, progress);
}

ExtractOutcome ExtractTrackToFormats(const ExtractRequest& request,
                                     const std::function<bool()>& cancelled,
                                     const ExtractProgress& progress) {
    ExtractOutcome out;
    const std::int32_t total = std::max(0, request.endLba - request.startLba);
    out.framesTotal = total;
    const std::size_t count = request.formats.size();
    out.outputs.resize(count);
    std::vector<std::unique_ptr<TrackSink>> sinks(count);
    std::optional<VortanError> firstFailure;
    auto failed = [&out, &sinks, &firstFailure](std::size_t k, const VortanError& error) {
        out.outputs[k].failure = error.description();
        sinks[k].reset();
        if (!firstFailure)
            firstFailure = error;
    };
    // Each encoder is set up before anything is read: a configuration one refuses fails that
    // output alone.
    for (std::size_t k = 0; k < count; ++k) {
        const pipeline::OutputFormat format = request.formats[k];
        const int fd = request.formatFds.at(k);
        const QString& path = request.formatPaths.at(k);
        out.outputs[k].format = format;
        out.outputs[k].wantedPath = path;
        auto opened = openTrackSink(request, format, fd, path, total);
        if (opened)
            sinks[k] = std::move(opened.value());
        else
            failed(k, opened.error());
    }
    auto anyOpen = [&sinks] {
        return std::any_of(sinks.begin(), sinks.end(),
                           [](const std::unique_ptr<TrackSink>& sink) { return sink != nullptr; });
    };
    out.outputCreated = anyOpen();

    std::optional<ReadFailure> readFailure;
    TrackAccount account(request, TrackAccount::Loudness::Measured);
    if (anyOpen()) {
        ChunkStream chunks(request, cancelled);
        while (const auto chunk = chunks.next()) {
            account.note(*chunk);
            if (chunk->frames > 0) {
                account.feed(chunk->audio);
                // Widened once for every output.
                auto samples = std::make_shared<std::vector<std::int32_t>>();
                widen(chunk->audio, *samples);
                for (std::size_t k = 0; k < count; ++k)
                    if (sinks[k])
                        if (auto error = sinks[k]->write(samples))
                            failed(k, *error);
                if (!anyOpen())
                    break;
                out.framesDone += chunk->frames;
                if (progress)
                    progress(out.framesDone, total);
            }
            if (cancelled && cancelled())
                break;
            if (chunk->failed) {
                readFailure = ReadFailure{chunk->error, chunk->failedLba};
                break;
            }
        }
    }
    account.settle(out);
    const std::optional<ReplayGain> gain = out.loudness ? out.loudness->replayGain() : std::nullopt;
    for (std::size_t k = 0; k < count; ++k)
        if (sinks[k])
            if (auto error = sinks[k]->finish(gain))
                failed(k, *error);
    sinks.clear();
    if (firstFailure) {
        out.status = ExtractOutcome::Status::Failed;
        out.error = *firstFailure;
        // The outputs that ended properly are kept all the same.
        out.outputCreated =
            std::any_of(out.outputs.begin(), out.outputs.end(),
                        [](const FormatOutput& output) { return output.failure.isEmpty(); });
        return out;
    }
    return endedOutcome(out, readFailure);
}

ExtractOutcome ReadTrackChecksums(const ExtractRequest& request,
                                  const std::function<bool()>& cancelled,
                                  const ExtractProgress& progress) {
    ExtractOutcome out;
    const std::int32_t total = std::max(0, request.endLba - request.startLba);
    out.framesTotal = total;
    std::optional<ReadFailure> readFailure;
    TrackAccount account(request, TrackAccount::Loudness::NotMeasured);
    {
        ChunkStream chunks(request, cancelled);
        while (const auto chunk = chunks.next()) {
            account.note(*chunk);
            account.feed(chunk->audio);
            out.framesDone += chunk->frames;
            if (progress && chunk->frames > 0)
                progress(out.framesDone, total);
            if (cancelled && cancelled())
                break;
            if (chunk->failed) {
                readFailure = ReadFailure{chunk->error, chunk->failedLba};
                break;
            }
        }
    }
    account.settle(out);
    return endedOutcome(out, readFailure);
}

// ---- The job ------------------------------------------------------------------------------

namespace {

QString crcText(std::uint32_t crc) {
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

// "m:ss" of a number of CD frames (75 a second).
QString framesAsTime(std::int32_t frames) {
    const std::int32_t seconds = frames / 75;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// "0:12:03.45 – 0:12:03.60, 0:14:00.00 – 0:14:00.01".
QString suspiciousText(const std::vector<SampleRange>& ranges) {
    QStringList parts;
    for (const SampleRange& range : ranges)
        parts << QStringLiteral("%1 \u2013 %2")
                     .arg(riplog::positionTime(range.first), riplog::positionTime(range.end));
    return parts.join(QStringLiteral(", "));
}

// The job's result of `o`, the extraction `request` asked for into `wantedPath`: a failure
// names its track, as the batch's end message lists it, and the file the user will have. A
// copy whose CRC differs from its test pass's (`readsDiffer`) fails.
JobResult resultOf(const ExtractOutcome& o, const ExtractRequest& request, bool readsDiffer,
                   const QString& wantedPath) {
    JobResult r;
    const QString kept = o.pendingMp3 || o.outputPath.isEmpty() ? wantedPath : o.outputPath;
    const QString track =
        QCoreApplication::translate("CdExtractJob", "Track %1: ").arg(request.track);
    switch (o.status) {
    case ExtractOutcome::Status::Completed:
        r.status = JobResult::Status::Completed;
        if (readsDiffer) {
            r.status = JobResult::Status::Failed;
            r.reason = track + QCoreApplication::translate(
                                   "CdExtractJob", "%1: the disc did not read the same twice (test "
                                                   "CRC32 %2, copy CRC32 %3): the copy may hold "
                                                   "read errors")
                                   .arg(kept, crcText(o.testCrc32), crcText(o.sums.crc32));
        } else if (!o.suspicious.empty()) {
            // Published all the same (the user decides), but never passed for a good copy.
            r.status = JobResult::Status::Failed;
            r.reason =
                QCoreApplication::translate(
                    "CdExtractJob", "Track %1: %2 is damaged: the disc could not be read at %3; "
                                    "silence stands there")
                    .arg(request.track)
                    .arg(kept, suspiciousText(o.suspicious));
        }
        break;
    case ExtractOutcome::Status::Cancelled:
        r.status = JobResult::Status::Cancelled;
        r.reason =
            track + (o.outputPath.isEmpty() && !o.pendingMp3
                         ? QCoreApplication::translate("CdExtractJob",
                                                       "stopped after %1 of %2; no file was kept")
                               .arg(framesAsTime(o.framesDone), framesAsTime(o.framesTotal))
                         : QCoreApplication::translate(
                               "CdExtractJob", "%1: stopped after %2 of %3; the file holds what "
                                               "was read")
                               .arg(kept, framesAsTime(o.framesDone), framesAsTime(o.framesTotal)));
        break;
    case ExtractOutcome::Status::ReadFailed:
        r.status = JobResult::Status::Failed;
        // Shown as soon as the track ends: which track and file, then the library's text
        // with what the reader found.
        r.alert = QCoreApplication::translate(
                      "CdExtractJob", "Track %1, sector %2: %3 The file %4 holds the %5 of %6 read "
                                      "before it.")
                      .arg(request.track)
                      .arg(o.failedLba)
                      .arg(o.readErrorText, kept, framesAsTime(o.framesDone),
                           framesAsTime(o.framesTotal));
        r.reason =
            track +
            QCoreApplication::translate("CdExtractJob",
                                        "%1: incomplete, the disc could not be read at sector %2; "
                                        "the file holds %3 of %4 (%5)")
                .arg(kept)
                .arg(o.failedLba)
                .arg(framesAsTime(o.framesDone), framesAsTime(o.framesTotal), o.readErrorText);
        break;
    case ExtractOutcome::Status::Failed:
        r.status = JobResult::Status::Failed;
        r.reason = track + o.error.description();
        break;
    }
    return r;
}

// With several formats: the outputs of the formats after the main one (`mainPath`), each
// named as it is with its extension and created under a temporary name of its own, into
// `others`; `request` takes every output's descriptor and name (the main one's set later).
// Why one could not be created (those made are discarded), or nothing.
std::optional<QString>
createOtherOutputs(ExtractRequest& request, const QString& mainPath,
                   std::vector<std::shared_ptr<outputfile::PendingOutput>>& others) {
    request.formatFds.assign(request.formats.size(), -1);
    request.formatPaths.assign(request.formats.size(), mainPath);
    const QString base = mainPath.left(mainPath.lastIndexOf(QLatin1Char('.')) + 1);
    for (std::size_t k = 1; k < request.formats.size(); ++k) {
        const QString path = base + pipeline::extensionOf(request.formats[k]);
        auto other = outputfile::PendingOutput::create(path);
        if (!other) {
            for (const auto& made : others)
                made->discard();
            others.clear();
            return other.error().description();
        }
        request.formatPaths[k] = path;
        request.formatFds[k] = other.value()->fd();
        others.push_back(std::move(other.value()));
    }
    return std::nullopt;
}

// Each output of `o` (written in several formats) that ended properly stays pending for the
// batch to finish (ExtractionPlan::finishOutputs); the others, and all of a stopped track that
// is not kept, are discarded.
void keepFormatOutputs(ExtractOutcome& o, bool keepStopped,
                       const std::shared_ptr<outputfile::PendingOutput>& main,
                       const std::vector<std::shared_ptr<outputfile::PendingOutput>>& others) {
    const bool dropAll =
        !o.outputCreated || (o.status == ExtractOutcome::Status::Cancelled && !keepStopped);
    for (std::size_t k = 0; k < o.outputs.size(); ++k) {
        std::shared_ptr<outputfile::PendingOutput> file = k == 0 ? main : others[k - 1];
        if (dropAll || !o.outputs[k].failure.isEmpty()) {
            file->discard();
            continue;
        }
        if (k == 0)
            o.outputPath = file->temporaryPath();
        o.outputs[k].pending = std::move(file);
        o.pendingMp3 = true;
    }
}

} // namespace

CdExtractJob::CdExtractJob(std::shared_ptr<const std::vector<ExtractRequest>> requests,
                           std::shared_ptr<std::vector<ExtractOutcome>> outcomes, QObject* parent)
    : WorkerJob(parent), requests_(std::move(requests)), outcomes_(std::move(outcomes)) {}

void CdExtractJob::collected() {
    outcome_ = workerOutcome_;
    if (outcomes_ && workerIndex_ >= 0 &&
        static_cast<std::size_t>(workerIndex_) < outcomes_->size())
        (*outcomes_)[static_cast<std::size_t>(workerIndex_)] = outcome_;
}

CdExtractJob::~CdExtractJob() {
    stopWorker();
}

JobResult CdExtractJob::work(const WorkItem& item) {
    JobResult r;
    if (item.index < 0 || static_cast<std::size_t>(item.index) >= requests_->size()) {
        r.status = JobResult::Status::Failed;
        r.reason = tr("%1: no track to extract").arg(item.output);
        return r;
    }
    const ExtractRequest& asked = (*requests_)[static_cast<std::size_t>(item.index)];
    if (!asked.refusal.isEmpty()) {
        r.status = JobResult::Status::Failed;
        r.reason = asked.refusal;
        return r;
    }
    workerIndex_ = item.index;
    // A name may put the track in folders below the destination (a file-name template).
    if (const QString folder = QFileInfo(item.output).absolutePath(); !QDir().mkpath(folder)) {
        r.status = JobResult::Status::Failed;
        r.reason =
            QCoreApplication::translate("CdExtractJob", "%1: the folder %2 cannot be created")
                .arg(item.output, folder);
        return r;
    }
    const bool fast = asked.readMode == readmode::Mode::Fast;
    ExtractRequest request = asked;
    // A fast read is proven by the database, not by a second pass of its own.
    if (fast)
        request.testFirst = false;
    auto cancel = [this] { return cancelled(); };
    std::shared_ptr<outputfile::PendingOutput> output;
    // With several formats: the outputs of formats after the main one.
    std::vector<std::shared_ptr<outputfile::PendingOutput>> others;
    std::optional<JobResult> refused = readPass(request, item, output, others);
    if (refused)
        return *refused;
    ExtractOutcome& o = workerOutcome_;
    if (fast && o.status == ExtractOutcome::Status::Completed) {
        const auto answer = request.database ? request.database->get(cancel)
                                             : std::optional<Result<accuraterip::Record>>{};
        const readmode::Judgement first =
            answer ? readmode::judge(*answer, request.recordPosition, o.sums.accurateRipV1,
                                     o.sums.accurateRipV2, request.minimumConfidence)
                   : readmode::Judgement{};
        if (cancelled()) {
            o.readPath = QStringLiteral("Read once, not checked: the rip was stopped first");
        } else if (first.kind == readmode::Judgement::Accepted) {
            o.readPath = readmode::pathText(first, request.minimumConfidence, std::nullopt);
        } else {
            // Read again through the error-correcting reader, into new files.
            output->discard();
            for (const auto& other : others)
                other->discard();
            others.clear();
            request.readMode = readmode::Mode::Secure;
            request.testFirst = asked.testFirst;
            refused = readPass(request, item, output, others);
            if (refused)
                return *refused;
            std::optional<readmode::Judgement> secure;
            if (answer && o.status == ExtractOutcome::Status::Completed)
                secure = readmode::judge(*answer, request.recordPosition, o.sums.accurateRipV1,
                                         o.sums.accurateRipV2, request.minimumConfidence);
            o.readPath = readmode::pathText(first, request.minimumConfidence, secure);
            o.reReads = 1;
        }
    }
    // Asked before the output is put in place, which may fail it.
    const bool readsDiffer = request.testFirst && o.testComplete &&
                             o.status == ExtractOutcome::Status::Completed &&
                             o.testCrc32 != o.sums.crc32;
    if (!o.outputs.empty()) {
        keepFormatOutputs(o, request.keepStopped, output, others);
    } else if (o.status == ExtractOutcome::Status::Failed || !o.outputCreated ||
               (o.status == ExtractOutcome::Status::Cancelled && !request.keepStopped)) {
        output->discard(); // never left looking like a track
    } else if (request.mp3) {
        o.outputPath = output->temporaryPath();
        o.pendingMp3 = true;
        o.pending = std::move(output);
    } else if (auto placed = output->commit()) {
        o.outputPath = placed.value();
    } else {
        o.status = ExtractOutcome::Status::Failed;
        o.error = placed.error();
    }
    return resultOf(o, request, readsDiffer, item.output);
}

std::optional<JobResult>
CdExtractJob::readPass(ExtractRequest& request, const WorkItem& item,
                       std::shared_ptr<outputfile::PendingOutput>& output,
                       std::vector<std::shared_ptr<outputfile::PendingOutput>>& others) {
    auto created = outputfile::PendingOutput::create(item.output);
    if (!created) {
        workerOutcome_ = {};
        JobResult r;
        r.status = JobResult::Status::Failed;
        r.reason = created.error().description();
        return r;
    }
    output = std::move(created.value());
    request.outputFd = output->fd();
    request.outputPath = item.output;
    auto cancel = [this] { return cancelled(); };
    // With a test pass first, the two passes share the bar: each is half of the work.
    const double passes = request.testFirst ? 2.0 : 1.0;
    double passesDone = 0;
    auto progress = [this, &passes, &passesDone](std::int32_t done, std::int32_t total) {
        const double percent =
            (passesDone + static_cast<double>(done) / static_cast<double>(total)) / passes * 100.0;
        reportProgress(progressFigure(percent), static_cast<int>(percent));
    };
    ExtractOutcome test;
    if (request.testFirst) {
        test = ReadTrackChecksums(request, cancel, progress);
        passesDone = 1;
    }
    if (request.testFirst && test.status != ExtractOutcome::Status::Completed) {
        // No copy after a test pass that was cancelled or could not read the track.
        workerOutcome_ = test;
        workerOutcome_.sums = {};
        if (test.status == ExtractOutcome::Status::Cancelled)
            workerOutcome_.framesDone = 0;
    } else if (!request.formats.empty()) {
        if (const auto refusal = createOtherOutputs(request, item.output, others)) {
            output->discard();
            workerOutcome_ = {};
            JobResult r;
            r.status = JobResult::Status::Failed;
            r.reason = tr("Track %1: ").arg(request.track) + *refusal;
            return r;
        }
        request.formatFds[0] = output->fd();
        workerOutcome_ = ExtractTrackToFormats(request, cancel, progress);
    } else {
        workerOutcome_ = request.mp3 ? ExtractTrackToMp3(request, cancel, progress)
                                     : ExtractTrackToWav(request, cancel, progress);
    }
    if (request.testFirst) {
        workerOutcome_.tested = true;
        workerOutcome_.testComplete = test.status == ExtractOutcome::Status::Completed;
        workerOutcome_.testCrc32 = test.sums.crc32;
        workerOutcome_.corrections += test.corrections;
    }
    return std::nullopt;
}
