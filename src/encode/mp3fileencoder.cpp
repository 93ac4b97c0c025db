#include "encode/mp3fileencoder.h"

#include "formats/clsfileio.h"
#include "formats/wavreader.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

const QString source() {
    return QStringLiteral("EncodeFile");
}

QString systemReason(int error) {
    if (error == EWOULDBLOCK)
        return QStringLiteral("the file is in use");
    return QString::fromLocal8Bit(std::strerror(error));
}

VortanError fileError(const QString& what, int error) {
    return VortanError(VortanError::PathAccess, source(),
                       QStringLiteral("%1: %2").arg(what, systemReason(error ? error : EIO)));
}

VortanError shrankError(const QString& path) {
    return VortanError(
        VortanError::PathAccess, source(),
        QStringLiteral("%1: the file became shorter while it was encoded").arg(path));
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

// Appends MP3 bytes to the output file on a thread of its own. Every write is flushed to
// the disk (clsFileIo), and a flush can take several milliseconds on a busy disk; done here
// it overlaps the encoding of the next chunk instead of adding to it. Bytes that queue up
// during a write go out together in the next write and flush.
//
// Used by the encoding job's thread; the file is touched only by the writer thread until
// finish() returns.
class OutputWriter {
  public:
    explicit OutputWriter(clsFileIo& file) : file_(file), thread_([this] { run(); }) {}
    ~OutputWriter() { finish(); }
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    // Queues `size` bytes; waits while too much is queued already. False once a write failed.
    bool append(const unsigned char* data, std::size_t size) {
        std::unique_lock lock(mutex_);
        spaceFreed_.wait(lock, [this] { return pending_.size() < maxPending || failed_; });
        if (failed_)
            return false;
        pending_.insert(pending_.end(), data, data + size);
        work_.notify_one();
        return true;
    }

    // Writes what is queued and ends the thread. False when any write failed.
    bool finish() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
            work_.notify_one();
        }
        if (thread_.joinable())
            thread_.join();
        return !failed_;
    }

    bool failed() {
        std::lock_guard lock(mutex_);
        return failed_;
    }
    int error() const { return error_; }
    std::int64_t bytesWritten() const { return written_; }

  private:
    static constexpr std::size_t maxPending = 2 * 1024 * 1024;

    void run() {
        std::vector<unsigned char> batch;
        std::unique_lock lock(mutex_);
        while (true) {
            work_.wait(lock, [this] { return !pending_.empty() || closing_; });
            if (pending_.empty())
                return; // closing, and everything is written
            batch.swap(pending_);
            lock.unlock();
            const bool ok = file_.WriteBytes(batch.data(), batch.size());
            const int error = ok ? 0 : file_.lastError;
            lock.lock();
            if (ok) {
                written_ += static_cast<std::int64_t>(batch.size());
            } else if (!failed_) {
                failed_ = true;
                error_ = error;
            }
            if (failed_)
                pending_.clear(); // nothing more reaches the file
            batch.clear();
            spaceFreed_.notify_all();
        }
    }

    clsFileIo& file_;
    std::mutex mutex_;
    std::condition_variable work_;       // bytes queued, or closing
    std::condition_variable spaceFreed_; // a write ended
    std::vector<unsigned char> pending_;
    bool closing_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::int64_t written_ = 0;
    std::thread thread_; // last: starts once everything above exists
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
        return fail(
            VortanError(VortanError::InvalidArgument, source(), format.error().description()));
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
    // A trailing piece of a sample frame is not audio.
    const std::int64_t total = wav.dataLength - wav.dataLength % wav.blockAlign;
    out.audioBytes = total;
    if (total == 0)
        return fail(VortanError(
            VortanError::InvalidArgument, source(),
            QStringLiteral("%1: the file holds no audio to encode").arg(request.sourcePath)));

    modLAME::EncoderConfig config = request.config;
    config.inputSampleRate = wav.sampleRate;
    config.inputChannels = wav.channels;
    std::uint32_t chunkSamples = 0, outputSize = 0;
    modLAME::StreamHandle handle = 0;
    if (const auto code = modLAME::beInitStream(config, chunkSamples, outputSize, handle))
        return fail(modLAME::lameError(code));
    StreamGuard stream(handle);

    std::vector<std::int16_t> input(chunkSamples);
    std::vector<unsigned char> output(outputSize);
    const std::size_t chunkBytes = input.size() * sizeof(std::int16_t);

    clsFileIo sourceFile;
    if (!sourceFile.OpenFile(request.sourcePath, FileUse::Read))
        return fail(fileError(request.sourcePath, sourceFile.lastError));
    // Step over everything before the audio.
    for (std::int64_t skipped = 0; skipped < wav.dataOffset;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(
            wav.dataOffset - skipped, static_cast<std::int64_t>(chunkBytes)));
        if (!sourceFile.ReadBytes(input.data(), want))
            return fail(fileError(request.sourcePath, sourceFile.lastError));
        if (sourceFile.bytesTransferred <= 0)
            return fail(shrankError(request.sourcePath));
        skipped += sourceFile.bytesTransferred;
    }

    clsFileIo outputFile;
    if (!outputFile.OpenFile(request.outputPath, FileUse::Write))
        return fail(fileError(request.outputPath, outputFile.lastError));
    out.outputCreated = true;

    OutputWriter writer(outputFile);
    auto append = [&](std::uint32_t bytes) {
        return bytes == 0 || writer.append(output.data(), bytes);
    };
    auto writeFailed = [&] {
        writer.finish();
        out.bytesWritten = writer.bytesWritten();
        return fail(fileError(request.outputPath, writer.error()));
    };

    // From here on a failure of the source still ends the MP3 properly. The output failing
    // to take the MP3 is what is reported when it happens; otherwise the first failure.
    std::optional<VortanError> failure;
    std::int64_t done = 0;
    while (done < total && !failure) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(chunkBytes), total - done));
        if (!sourceFile.ReadBytes(input.data(), block)) {
            failure = fileError(request.sourcePath, sourceFile.lastError);
            break;
        }
        auto got = static_cast<std::size_t>(sourceFile.bytesTransferred);
        if (got < block) {
            // The file shrank under us: encode the whole frames that are there and end.
            got -= got % wav.blockAlign;
            failure = shrankError(request.sourcePath);
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
            return writeFailed();
        if (progress)
            progress(static_cast<double>(done) / static_cast<double>(total) * 100.0);
        if (cancelled && cancelled())
            break;
    }

    std::uint32_t produced = 0;
    if (const auto code = modLAME::beDeinitStream(stream.get(), output.data(), produced)) {
        if (!failure)
            failure = modLAME::lameError(code);
    } else if (!append(produced)) {
        return writeFailed();
    }
    if (!writer.finish())
        return writeFailed();
    out.bytesWritten = writer.bytesWritten();

    // The LAME/Info frame, complete only now, takes the place of the blank first frame.
    std::uint32_t tagBytes = 0;
    if (const auto code = modLAME::beInfoTagFrame(stream.get(), output.data(), tagBytes)) {
        if (!failure)
            failure = modLAME::lameError(code);
    } else if (tagBytes > 0 && !outputFile.WriteBytesAt(0, output.data(), tagBytes) && !failure) {
        failure = fileError(request.outputPath, outputFile.lastError);
    }
    if (!outputFile.CloseFile() && !failure)
        failure = fileError(request.outputPath, outputFile.lastError);
    // Closing a file that was only read loses nothing, whatever the system answers.
    sourceFile.CloseFile();
    if (failure)
        return fail(std::move(*failure));
    out.status = done < total ? EncodeOutcome::Status::Cancelled : EncodeOutcome::Status::Completed;
    return out;
}
