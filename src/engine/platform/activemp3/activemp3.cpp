#include "engine/platform/activemp3/activemp3.h"

#include "engine/platform/activemp3/mpg123stream.h"
#include "engine/platform/activemp3/wavfilewriter.h"
#include "engine/platform/audio/pcmplayer.h"
#include "engine/platform/callposter.h"

#include "engine/formats/audiolength.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace {

QString absolute(const QString& path) {
    return nativepath::absolute(path);
}

// True when both paths name one existing file (hard links and symbolic links included).
bool sameFile(const QString& a, const QString& b) {
    struct stat sa = {};
    struct stat sb = {};
    return ::stat(nativepath::encode(a).constData(), &sa) == 0 &&
           ::stat(nativepath::encode(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Why a stream that ended cleanly `decoded` sample frames into the `recorded` its LAME/Info
// frame records is not the whole file. A gapless decode of a whole file gives back exactly
// the recorded count, so any shortfall, a fraction of a frame included, is a file cut short.
// Less than a second missing is said in milliseconds: minutes and seconds alone would read
// "3:00 of 3:00", or "2:59 of 3:00" for a few milliseconds.
QString shortfallReason(const QString& inputPath, std::int64_t decoded, std::int64_t recorded,
                        int sampleRate) {
    const auto ms = [sampleRate](std::int64_t frames) {
        return sampleRate > 0 ? frames * 1000 / sampleRate : 0;
    };
    const std::int64_t missingMs = std::max<std::int64_t>(1, ms(recorded - decoded));
    if (missingMs >= 1000)
        return audiolength::incompleteSource(inputPath, ms(decoded), ms(recorded));
    return inputPath + QCoreApplication::translate(
                           "ActiveMP3",
                           ": the file is incomplete: %1 ms of its audio are missing (it "
                           "holds %2 of %3 samples; what it holds was converted)")
                           .arg(missingMs)
                           .arg(decoded)
                           .arg(recorded);
}

// An MP3 file as the audio output's source: decoded a frame or more at a time, handed out
// in whatever pieces the output asks for.
class Mpg123Source final : public audio::PcmSource {
  public:
    explicit Mpg123Source(std::unique_ptr<Mpg123Stream> stream)
        : stream_(std::move(stream)), buffer_(4 * stream_->maxFrameBytes()) {}

    std::size_t read(char* out, std::size_t capacity) override {
        if (offset_ == fill_) {
            offset_ = 0;
            fill_ = stream_->read(buffer_.data(), buffer_.size());
        }
        const std::size_t block = static_cast<std::size_t>(stream_->format().blockAlign());
        std::size_t count = std::min(capacity, fill_ - offset_);
        count -= count % block;
        std::copy_n(buffer_.data() + offset_, count, out);
        offset_ += count;
        return count;
    }

    QString errorText() const override { return stream_->failed() ? stream_->error() : QString(); }

  private:
    std::unique_ptr<Mpg123Stream> stream_;
    std::vector<char> buffer_;
    std::size_t fill_ = 0;
    std::size_t offset_ = 0;
};

std::int64_t framesToMs(std::int64_t frames, int sampleRate) {
    return sampleRate > 0 ? frames * 1000 / sampleRate : 0;
}

} // namespace

ActiveMP3::ActiveMP3(QObject* parent) : QObject(parent), calls_(new CallPoster(this)) {}

ActiveMP3::~ActiveMP3() {
    stop();
}

QString ActiveMP3::lastError() const {
    std::lock_guard lock(errorMutex_);
    return lastError_;
}

QString ActiveMP3::lastOutput() const {
    std::lock_guard lock(errorMutex_);
    return lastOutput_;
}

void ActiveMP3::setLastError(const QString& text) {
    std::lock_guard lock(errorMutex_);
    lastError_ = text;
}

std::int64_t ActiveMP3::position() const {
    return framesToMs(decodedFrames_.load(), format_.sampleRate);
}

std::int64_t ActiveMP3::total() const {
    return framesToMs(std::max(expectedFrames_.load(), decodedFrames_.load()), format_.sampleRate);
}

bool ActiveMP3::play() {
    stop();
    setLastError({});
    auto stream = openInput();
    if (!stream)
        return false;
    const PcmFormat format = stream->format();
    auto player = audio::PcmPlayer::start(format, std::make_shared<Mpg123Source>(std::move(stream)),
                                          QStringLiteral("MP3 player"));
    if (!player) {
        setLastError(player.error().description());
        return false;
    }
    player_ = std::move(player.value());
    return true;
}

bool ActiveMP3::playing() const {
    return player_ && !player_->finished();
}

void ActiveMP3::stop() {
    player_.reset(); // stops and joins the playback
    stopRequested_ = true;
    if (worker_.joinable())
        worker_.join();
    stopRequested_ = false;
    sink_.reset();
    stream_.reset();
    runningInput_.clear();
    runningOutput_.clear();
}

std::unique_ptr<Mpg123Stream> ActiveMP3::openInput() {
    if (inputFile_.isEmpty()) {
        setLastError(tr("No input file"));
        return nullptr;
    }
    auto stream = Mpg123Stream::open(inputFile_);
    if (!stream) {
        setLastError(stream.error().description());
        return nullptr;
    }
    return std::move(stream.value());
}

bool ActiveMP3::decodeToFile(const QString& wavPath) {
    const QString input = absolute(inputFile_);
    const QString output = absolute(wavPath);
    // Started again with what it is already doing: one writer, nothing to do.
    if (busy() && input == runningInput_ && output == runningOutput_)
        return true;
    stop();
    lastEnd_ = DecodeEnd::None;
    setLastError({});
    {
        std::lock_guard lock(errorMutex_);
        lastOutput_.clear();
    }

    auto stream = openInput();
    if (!stream)
        return false;
    if (sameFile(input, output)) {
        setLastError(tr("The output file is the input file"));
        return false;
    }
    const QString outputName = tr("Cannot write ") + output;
    auto writer = std::make_unique<WavFileWriter>();
    if (!writer->create(output)) {
        setLastError(outputName + QStringLiteral(": ") + writer->errorText());
        return false;
    }
    if (!writer->begin(stream->format())) {
        const QString reason = writer->errorText();
        writer->finish(); // the temporary file goes
        setLastError(outputName + QStringLiteral(": ") + reason);
        return false;
    }
    if (!start(std::move(stream), std::move(writer), outputName))
        return false;
    runningInput_ = input;
    runningOutput_ = output;
    return true;
}

bool ActiveMP3::decodeToSink(std::unique_ptr<PcmSink> sink) {
    stop();
    lastEnd_ = DecodeEnd::None;
    setLastError({});
    if (!sink) {
        setLastError(tr("No output"));
        return false;
    }
    auto stream = openInput();
    if (!stream)
        return false;
    if (!sink->begin(stream->format())) {
        sink->finish();
        setLastError(tr("The output refuses this audio format"));
        return false;
    }
    return start(std::move(stream), std::move(sink), tr("The output failed"));
}

bool ActiveMP3::start(std::unique_ptr<Mpg123Stream> stream, std::unique_ptr<PcmSink> sink,
                      const QString& outputName) {
    format_ = stream->format();
    decodedFrames_ = 0;
    expectedFrames_ = stream->expectedFrames();
    stream_ = std::move(stream);
    sink_ = std::move(sink);
    stopRequested_ = false;
    busy_ = true;
    const std::uint64_t generation = ++generation_;
    const QString inputPath = absolute(inputFile_);
    worker_ = std::thread([this, stream = stream_.get(), sink = sink_.get(), inputPath, outputName,
                           generation] { run(*stream, *sink, inputPath, outputName, generation); });
    return true;
}

// Worker thread. Decodes in steps of a few frames so a stop takes effect at once, and
// writes in large blocks. How the decode ended is settled here, before busy turns false.
void ActiveMP3::run(Mpg123Stream& stream, PcmSink& sink, const QString& inputPath,
                    const QString& outputName, std::uint64_t generation) {
    const std::size_t blockAlign = static_cast<std::size_t>(stream.format().blockAlign());
    const std::size_t frameRoom = stream.maxFrameBytes();
    const std::size_t capacity = std::max(writeBlockBytes, 4 * frameRoom);
    const std::size_t step = std::max<std::size_t>(64 * 1024, frameRoom);
    std::vector<char> block(capacity);
    std::size_t fill = 0;
    bool stopped = false;
    bool sinkOk = true;

    for (;;) {
        std::size_t got = 0;
        if (!stopRequested_.load(std::memory_order_relaxed)) {
            got =
                stream.read(block.data() + fill, std::min(step, capacity - fill), &stopRequested_);
            fill += got;
            decodedFrames_.fetch_add(static_cast<std::int64_t>(got / blockAlign));
        }
        stopped = stopRequested_.load(std::memory_order_relaxed);
        // With room for a frame, nothing read means the stream has nothing more.
        const bool ended = !stopped && (stream.ended() || got == 0);
        if (fill > 0 && (stopped || ended || capacity - fill < frameRoom)) {
            sinkOk = sink.write(block.data(), fill);
            fill = 0;
            if (!sinkOk)
                break;
        }
        if (stopped || ended)
            break;
    }
    const bool finished = sink.finish();

    // The output's failure comes first: what the file holds is what the user gets.
    DecodeEnd end = DecodeEnd::Completed;
    QString error;
    if (!sinkOk || !finished) {
        end = DecodeEnd::Failed;
        const QString reason = sink.errorText();
        error = outputName + QStringLiteral(": ") +
                (reason.isEmpty() ? tr("it takes no more audio") : reason);
    } else if (stream.failed()) {
        end = DecodeEnd::Failed;
        error = tr("Cannot decode ") + inputPath + QStringLiteral(": ") + stream.error();
    } else if (stopped) {
        end = DecodeEnd::Stopped;
    } else if (stream.lengthRecorded() && decodedFrames_.load() < stream.expectedFrames()) {
        // What the file holds is in the output, but the file is not whole.
        end = DecodeEnd::Failed;
        error = shortfallReason(inputPath, decodedFrames_.load(), stream.expectedFrames(),
                                stream.format().sampleRate);
    }
    if (end == DecodeEnd::Completed)
        expectedFrames_ = decodedFrames_.load();
    {
        std::lock_guard lock(errorMutex_);
        lastOutput_ = sink.outputPath();
    }
    setLastError(error);
    lastEnd_ = end;
    busy_ = false;
    const bool completed = end == DecodeEnd::Completed;
    calls_->post([this, generation, completed] {
        if (generation == generation_)
            emit decodingFinished(completed);
    });
}
