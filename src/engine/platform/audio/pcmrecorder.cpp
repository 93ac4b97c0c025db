#include "engine/platform/audio/pcmrecorder.h"

#include "engine/platform/audio/pulsestream.h"

#include <algorithm>
#include <vector>

#include <QCoreApplication>

namespace audio {

Result<std::unique_ptr<PcmRecorder>> PcmRecorder::start(const PcmFormat& format, PcmSink& sink,
                                                        const QString& name) {
    auto stream = PulseStream::open(PulseStream::Direction::Record, format, name);
    if (!stream)
        return stream.error();
    if (!sink.begin(format)) {
        const QString why = sink.errorText();
        return VortanError(VortanError::InvalidArgument, QStringLiteral("PcmRecorder"),
                           why.isEmpty() ? QCoreApplication::translate(
                                               "PcmRecorder", "The recording cannot be stored")
                                         : why);
    }
    // About 100 ms a call; the server hands over smaller fragments as they come.
    const std::size_t block = static_cast<std::size_t>(format.blockAlign());
    const std::size_t chunk =
        std::max(block, static_cast<std::size_t>(format.bytesPerSecond() / 10) / block * block);
    return std::unique_ptr<PcmRecorder>(
        new PcmRecorder(std::move(stream.value()), sink, format, chunk));
}

PcmRecorder::PcmRecorder(std::unique_ptr<PulseStream> stream, PcmSink& sink,
                         const PcmFormat& format, std::size_t chunkBytes)
    : stream_(std::move(stream)), sink_(sink), format_(format), chunkBytes_(chunkBytes),
      thread_([this] { run(); }) {}

std::int64_t PcmRecorder::capturedFrames() const {
    if (!stream_)
        return recordedBytes() / format_.blockAlign();
    return stream_->streamTimeUs() * format_.sampleRate / 1'000'000;
}

PcmRecorder::~PcmRecorder() {
    stop();
}

void PcmRecorder::run() {
    std::vector<char> buffer(chunkBytes_, 0);
    QString why;
    while (!stopping_.load(std::memory_order_relaxed)) {
        const std::size_t count = stream_->read(buffer.data(), buffer.size());
        if (count == 0) { // interrupted, or the stream failed
            why = stream_->errorText();
            break;
        }
        if (!sink_.write(buffer.data(), count)) {
            why = sink_.errorText();
            if (why.isEmpty())
                why = QCoreApplication::translate("PcmRecorder", "The recording cannot be stored");
            break;
        }
        recordedBytes_.fetch_add(static_cast<std::int64_t>(count), std::memory_order_relaxed);
    }
    sink_.finish();
    if (!stopping_.load()) {
        std::lock_guard lock(errorMutex_);
        error_ = why;
    }
    finished_.store(true, std::memory_order_release);
}

void PcmRecorder::stop() {
    if (!thread_.joinable())
        return;
    stopping_.store(true);
    stream_->interrupt();
    thread_.join();
    stream_.reset();
}

QString PcmRecorder::errorText() const {
    std::lock_guard lock(errorMutex_);
    return error_;
}

} // namespace audio
