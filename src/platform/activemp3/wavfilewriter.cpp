#include "platform/activemp3/wavfilewriter.h"

#include <QFile>

#include <cerrno>
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
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // Locked before it is cut, so a file another writer holds is never emptied.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    dataBytes_ = 0;
    failed_ = false;
    return true;
}

bool WavFileWriter::begin(const PcmFormat& format) {
    if (fd_ < 0 || !format.valid())
        return false;
    format_ = format;
    if (!writeHeader()) {
        failed_ = true;
        return false;
    }
    return true;
}

bool WavFileWriter::write(const char* data, std::size_t bytes) {
    if (fd_ < 0 || failed_ || !format_.valid())
        return false;
    const auto room = static_cast<std::size_t>(maxDataBytes - dataBytes_);
    const std::size_t block = static_cast<std::size_t>(format_.blockAlign());
    std::size_t take = bytes <= room ? bytes : room - room % block;
    if (take > 0 && !writeAll(data, take)) {
        failed_ = true;
        return false;
    }
    dataBytes_ += static_cast<std::int64_t>(take);
    return take == bytes;
}

void WavFileWriter::finish() {
    if (fd_ < 0)
        return;
    if (format_.valid() && ::lseek(fd_, 0, SEEK_SET) == 0)
        writeHeader();
    ::close(fd_);
    fd_ = -1;
}

bool WavFileWriter::writeHeader() {
    const WavHeaderBytes header = makePcmWavHeader(format_, static_cast<std::uint32_t>(dataBytes_));
    return writeAll(reinterpret_cast<const char*>(header.bytes), sizeof header.bytes);
}

bool WavFileWriter::writeAll(const char* data, std::size_t bytes) {
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(fd_, data + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}
