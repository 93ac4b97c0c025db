#include "engine/formats/clsfileio.h"

#include "engine/platform/error.h"
#include "engine/platform/nativepath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>

namespace {

void putU32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void putU16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

} // namespace

WavHeaderBytes makePcm16WavHeader(std::uint16_t channels, std::uint32_t sampleRate,
                                  std::uint32_t dataLength) {
    const auto blockAlign = static_cast<std::uint16_t>(channels * 2);
    WavHeaderBytes h{};
    unsigned char* b = h.bytes;
    std::memcpy(b, "RIFF", 4);
    putU32(b + 4, dataLength + 36);
    std::memcpy(b + 8, "WAVE", 4);
    std::memcpy(b + 12, "fmt ", 4);
    putU32(b + 16, 16);
    putU16(b + 20, 1);
    putU16(b + 22, channels);
    putU32(b + 24, sampleRate);
    putU32(b + 28, sampleRate * blockAlign);
    putU16(b + 32, blockAlign);
    putU16(b + 34, 16);
    std::memcpy(b + 36, "data", 4);
    putU32(b + 40, dataLength);
    return h;
}

clsFileIo::~clsFileIo() {
    if (!closed_)
        CloseFile();
}

bool clsFileIo::OpenFile(const QString& FileN, FileUse use) {
    if (!closed_) // the instance serves one file at a time
        CloseFile();
    const QByteArray path = nativepath::encode(FileN);
    const bool write = use == FileUse::Write;
    int fd = write ? ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)
                   : ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    // The lock is taken before the file is cut, so a file another job holds is never emptied.
    if (fd >= 0 && (::flock(fd, (write ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0 ||
                    (write && ::ftruncate(fd, 0) != 0))) {
        error = errno;
        ::close(fd);
        fd = -1;
    }
    handle = fd;
    if (fd < 0)
        return fail(error);
    fileName = FileN;
    closed_ = false;
    return true;
}

bool clsFileIo::adopt(int fd, const QString& name) {
    if (!closed_)
        CloseFile();
    handle = fd;
    if (fd < 0)
        return fail(EBADF);
    fileName = name;
    closed_ = false;
    return true;
}

QString fileErrorText(int error) {
    if (error == EWOULDBLOCK)
        return QCoreApplication::translate("clsfileio", "the file is in use");
    return QString::fromLocal8Bit(std::strerror(error ? error : EIO));
}

bool clsFileIo::fail(int error) {
    lastError = error ? error : EIO;
    return false;
}

bool clsFileIo::CloseFile() {
    if (!isOpen()) // never opened, or closed already: never touches a descriptor reused since
        return false;
    closed_ = true;
    // The descriptor is released even when close reports an error; it must not be closed
    // again.
    const bool closed = ::close(handle) == 0;
    lastResult = closed ? 1 : 0;
    return closed || fail(errno);
}

bool clsFileIo::FlushBuffers() {
    if (!isOpen())
        return false;
    return ::fdatasync(handle) == 0 || fail(errno);
}

bool clsFileIo::writeAll(const void* data, std::size_t size, std::int64_t offset) {
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n =
            offset < 0 ? ::write(handle, p + done, size - done)
                       : ::pwrite(handle, p + done, size - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(n < 0 ? errno : EIO);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bytesTransferred = static_cast<std::int64_t>(done);
    return done == size;
}

bool clsFileIo::writeAndFlush(const void* data, std::size_t size, std::int64_t offset) {
    lastResult = 0;
    if (!writeAll(data, size, offset))
        return false;
    if (::fdatasync(handle) != 0)
        return fail(errno);
    lastResult = 1;
    return true;
}

bool clsFileIo::writeWavHeader(std::int32_t Lenght) {
    if (Lenght < 0 || Lenght > maxWavDataLength)
        throw VortanError(VortanError::Overflow, QStringLiteral("clsFileIo"),
                          QCoreApplication::translate("clsfileio", "Overflow"));
    if (!isOpen())
        return false;
    const WavHeaderBytes header = makeCdWavHeader(static_cast<std::uint32_t>(Lenght));
    return writeAndFlush(header.bytes, sizeof header.bytes, -1);
}

bool clsFileIo::WriteBytes(const void* Pointer, std::size_t Size) {
    if (!isOpen())
        return false;
    return writeAndFlush(Pointer, Size, -1);
}

bool clsFileIo::WriteBytesAt(std::int64_t offset, const void* data, std::size_t size) {
    if (!isOpen())
        return false;
    if (offset < 0)
        return fail(EINVAL);
    return writeAndFlush(data, size, offset);
}

int clsFileIo::ReadBytes(void* Pointer, std::size_t bytes) {
    if (!isOpen())
        return 0;
    ssize_t n;
    do {
        n = ::read(handle, Pointer, bytes);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        bytesTransferred = 0;
        fail(errno);
        return 0;
    }
    bytesTransferred = n;
    return 1;
}
