#include "encode/mp3fileencoder.h"

#include "app/jobstate.h"
#include "formats/clsfileio.h"
#include "formats/wavreader.h"

#include <QEventLoop>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

const QString source() { return QStringLiteral("EncodeFile"); }

QString systemReason(int error) {
    if (error == EWOULDBLOCK)
        return QStringLiteral("the file is in use");
    return QString::fromLocal8Bit(std::strerror(error));
}

VortanError fileError(const QString& what, int error) {
    return VortanError(VortanError::PathAccess, source(),
                       QStringLiteral("%1: %2").arg(what, systemReason(error)));
}

// Closes the stream on every path out of the job.
class StreamGuard {
public:
    explicit StreamGuard(modLAME::StreamHandle stream) : stream_(stream) {}
    ~StreamGuard() {
        if (stream_)
            modLAME::beCloseStream(stream_);
    }
    StreamGuard(const StreamGuard&) = delete;
    StreamGuard& operator=(const StreamGuard&) = delete;
    modLAME::StreamHandle get() const { return stream_; }
    // The stream was closed already (after a failing chunk).
    void forget() { stream_ = 0; }

private:
    modLAME::StreamHandle stream_;
};

} // namespace

EncodeOutcome encodeWavToMp3(const EncodeRequest& request, const std::function<bool()>& cancelled,
                             const std::function<void(double)>& progress) {
    EncodeOutcome out;
    auto fail = [&out](VortanError error) {
        out.status = EncodeOutcome::Status::Failed;
        out.error = std::move(error);
        return out;
    };

    const Result<WavFormat> format = readWavFormat(request.sourcePath);
    if (!format)
        return fail(VortanError(VortanError::InvalidArgument, source(),
                                format.error().description()));
    const WavFormat& wav = format.value();
    if (!wav.isPcm16() || wav.channels > 2 || wav.blockAlign != wav.channels * 2)
        return fail(VortanError(
            VortanError::InvalidArgument, source(),
            QStringLiteral("%1: only 16-bit PCM audio in one or two channels can be encoded "
                           "(this file holds %2-bit audio in %3 channels, format %4)")
                .arg(request.sourcePath)
                .arg(wav.bitsPerSample)
                .arg(wav.channels)
                .arg(wav.formatTag)));

    modLAME::EncoderConfig config = request.config;
    config.inputSampleRate = wav.sampleRate;
    config.inputChannels = wav.channels;
    std::uint32_t chunkSamples = 0, outputSize = 0;
    modLAME::StreamHandle handle = 0;
    if (const auto code = modLAME::beInitStream(config, chunkSamples, outputSize, handle))
        return fail(modLAME::lameError(code));
    StreamGuard stream(handle);

    clsFileIo sourceFile;
    if (!sourceFile.OpenFile(request.sourcePath, FileUse::Read))
        return fail(fileError(request.sourcePath, errno));
    clsFileIo outputFile;
    if (!outputFile.OpenFile(request.outputPath, FileUse::Write))
        return fail(fileError(request.outputPath, errno));
    out.outputCreated = true;

    std::vector<std::int16_t> input(chunkSamples);
    std::vector<unsigned char> output(outputSize);
    const std::size_t chunkBytes = input.size() * sizeof(std::int16_t);
    auto append = [&](std::uint32_t bytes) {
        if (bytes == 0)
            return true;
        if (!outputFile.WriteBytes(output.data(), bytes) || !outputFile.lastResult)
            return false;
        out.bytesWritten += bytes;
        return true;
    };

    // Step over everything before the audio.
    for (std::int64_t skipped = 0; skipped < wav.dataOffset;) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(wav.dataOffset - skipped, static_cast<std::int64_t>(chunkBytes)));
        if (!sourceFile.ReadBytes(input.data(), want) || sourceFile.bytesTransferred <= 0)
            return fail(fileError(request.sourcePath, errno ? errno : EIO));
        skipped += sourceFile.bytesTransferred;
    }

    // A trailing piece of a sample frame is not audio.
    const std::int64_t total = wav.dataLength - wav.dataLength % wav.blockAlign;
    out.audioBytes = total;
    std::int64_t done = 0;
    bool ended = false;
    while (done < total && !ended) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(chunkBytes), total - done));
        if (!sourceFile.ReadBytes(input.data(), block))
            return fail(fileError(request.sourcePath, errno ? errno : EIO));
        auto got = static_cast<std::size_t>(sourceFile.bytesTransferred);
        if (got < block) {
            // The file shrank under us: encode the whole frames that are there and end.
            got -= got % wav.blockAlign;
            ended = true;
        }
        done += static_cast<std::int64_t>(got);

        std::uint32_t produced = 0;
        const auto samples = static_cast<std::uint32_t>(got / sizeof(std::int16_t));
        if (const auto code = modLAME::beEncodeChunk(stream.get(), samples, input.data(),
                                                     output.data(), produced)) {
            modLAME::beCloseStream(stream.get());
            stream.forget();
            return fail(modLAME::lameError(code));
        }
        out.bytesEncoded = done;
        if (!append(produced))
            return fail(fileError(request.outputPath, errno ? errno : EIO));
        if (progress)
            progress(static_cast<double>(done) / static_cast<double>(total) * 100.0);
        if (cancelled && cancelled())
            break;
    }

    std::uint32_t produced = 0;
    modLAME::beDeinitStream(stream.get(), output.data(), produced);
    if (!append(produced))
        return fail(fileError(request.outputPath, errno ? errno : EIO));
    outputFile.CloseFile();
    if (!outputFile.lastResult)
        return fail(fileError(request.outputPath, errno ? errno : EIO));
    sourceFile.CloseFile();
    out.status = done < total ? EncodeOutcome::Status::Cancelled : EncodeOutcome::Status::Completed;
    return out;
}

Mp3FileEncoder::Mp3FileEncoder(QObject* parent) : QObject(parent) {}

Mp3FileEncoder::~Mp3FileEncoder() {
    abort_ = true;
    joinWorker();
}

void Mp3FileEncoder::joinWorker() {
    if (worker_.joinable())
        worker_.join();
}

bool Mp3FileEncoder::start(const EncodeRequest& request) {
    if (running_)
        return false;
    joinWorker();
    running_ = true;
    abort_ = false;
    outcome_ = {};
    const std::uint64_t job = ++job_;
    worker_ = std::thread([this, request, job] {
        // Read by the owner's thread only after joining this one.
        result_ = encodeWavToMp3(
            request, [this] { return CancelRequested.load() || abort_.load(); },
            [this](double percent) {
                QMetaObject::invokeMethod(
                    this, [this, percent] { emit progressChanged(percent); },
                    Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(this, [this, job] { finish(job); }, Qt::QueuedConnection);
    });
    return true;
}

void Mp3FileEncoder::finish(std::uint64_t job) {
    if (!running_ || job != job_)
        return; // already collected by run()
    joinWorker();
    outcome_ = std::move(result_);
    running_ = false;
    emit finished();
}

EncodeOutcome Mp3FileEncoder::run(const EncodeRequest& request) {
    QEventLoop loop;
    const auto connection = connect(this, &Mp3FileEncoder::finished, &loop, &QEventLoop::quit);
    if (start(request)) {
        loop.exec();
        if (running_) {
            // The loop was ended from outside (the application is quitting): end the job
            // after its current chunk, with a properly ended MP3, and collect it here.
            abort_ = true;
            finish(job_);
        }
    }
    disconnect(connection);
    return outcome_;
}
