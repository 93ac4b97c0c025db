#include "engine/platform/activemp3/wavfilewriter.h"

#include "engine/platform/nativepath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

WavHeaderBytes makePcmWavHeader(const PcmFormat& format, std::uint32_t dataBytes) {
    return makePcm16WavHeader(static_cast<std::uint16_t>(format.channels),
                              static_cast<std::uint32_t>(format.sampleRate), dataBytes);
}

WavFileWriter::~WavFileWriter() {
    finish();
}

bool WavFileWriter::open(const QString& path) {
    finish();
    format_ = {};
    dataBytes_ = 0;
    error_ = 0;
    published_.clear();
    const QByteArray name = nativepath::encode(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(errno);
    // Locked before it is cut, so a file another writer holds is never emptied.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        fail(errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool WavFileWriter::create(const QString& wantedPath) {
    finish();
    format_ = {};
    dataBytes_ = 0;
    error_ = 0;
    published_.clear();
    int error = 0;
    auto pending = outputfile::PendingOutput::create(wantedPath, &error);
    if (!pending)
        return fail(error);
    pending_ = std::move(pending.value());
    fd_ = pending_->fd();
    return true;
}

bool WavFileWriter::begin(const PcmFormat& format) {
    if (fd_ < 0 || failed())
        return false;
    if (!format.valid())
        return fail(EINVAL);
    format_ = format;
    return writeHeader(-1);
}

bool WavFileWriter::write(const char* data, std::size_t bytes) {
    if (fd_ < 0 || failed() || !format_.valid())
        return false;
    const auto room = static_cast<std::size_t>(maxDataBytes - dataBytes_);
    const auto block = static_cast<std::size_t>(format_.blockAlign());
    const std::size_t take = bytes <= room ? bytes : room - room % block;
    std::size_t written = 0;
    if (take > 0 && !writeAll(data, take, -1, written)) {
        // Keep the whole frames that reached the file and drop a torn one, so the header
        // finish() writes describes exactly what the file holds.
        const std::size_t whole = written - written % block;
        dataBytes_ += static_cast<std::int64_t>(whole);
        if (whole != written)
            ::ftruncate(fd_, static_cast<off_t>(sizeof(WavHeaderBytes::bytes) + dataBytes_));
        return false;
    }
    dataBytes_ += static_cast<std::int64_t>(take);
    return take == bytes || fail(EFBIG);
}

bool WavFileWriter::finish() {
    if (fd_ < 0)
        return true;
    bool ok = true;
    if (format_.valid())
        ok = writeHeader(0);
    if (pending_) {
        // A file that did not take everything is no output: it goes. Otherwise the pending
        // output flushes, closes and publishes it.
        fd_ = -1;
        if (!ok || failed() || !format_.valid()) {
            pending_->discard();
            pending_.reset();
            return false;
        }
        int error = 0;
        Result<QString> put = pending_->commit(&error);
        pending_.reset();
        if (!put)
            return fail(error);
        published_ = put.value();
        return true;
    }
    if (ok && ::fdatasync(fd_) != 0)
        ok = fail(errno);
    // The descriptor is released even when close reports an error.
    if (::close(fd_) != 0)
        ok = fail(errno);
    fd_ = -1;
    return ok;
}

QString WavFileWriter::errorText() const {
    return error_ ? fileErrorText(error_) : QString();
}

bool WavFileWriter::writeHeader(std::int64_t offset) {
    const WavHeaderBytes header = makePcmWavHeader(format_, static_cast<std::uint32_t>(dataBytes_));
    std::size_t written = 0;
    return writeAll(reinterpret_cast<const char*>(header.bytes), sizeof header.bytes, offset,
                    written);
}

bool WavFileWriter::writeAll(const char* data, std::size_t bytes, std::int64_t offset,
                             std::size_t& written) {
    written = 0;
    while (written < bytes) {
        const ssize_t n =
            offset < 0 ? ::write(fd_, data + written, bytes - written)
                       : ::pwrite(fd_, data + written, bytes - written,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(written)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        written += static_cast<std::size_t>(n);
    }
    return true;
}

bool WavFileWriter::fail(int error) {
    if (error_ == 0)
        error_ = error ? error : EIO;
    return false;
}
