#include "engine/platform/mci/recordingspool.h"

#include "engine/formats/clsfileio.h"
#include "engine/formats/outputfile.h"
#include "engine/platform/activemp3/wavfilewriter.h"
#include "engine/platform/nativepath.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mci::detail {

namespace {

constexpr std::int64_t headerBytes = sizeof(WavHeaderBytes::bytes);

VortanError systemFailure(int error, const QString& path) {
    return VortanError(error, QStringLiteral("RecordingSpool"),
                       QStringLiteral("%1: %2").arg(path, fileErrorText(error)));
}

// Both paths name the same folder (compared by device and inode, so links and spellings
// do not matter).
bool sameFolder(const QString& a, const QString& b) {
    struct stat first {
    }, second{};
    return ::stat(nativepath::encode(a).constData(), &first) == 0 &&
           ::stat(nativepath::encode(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool writeAll(int fd, const char* data, std::size_t bytes, std::int64_t offset,
              std::size_t& written, int& error) {
    written = 0;
    while (written < bytes) {
        const ssize_t n = ::pwrite(fd, data + written, bytes - written,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(written)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

Result<std::unique_ptr<RecordingSpool>> RecordingSpool::create(const QString& folder) {
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    outputfile::removeLeftovers(absolute);
    int error = 0;
    auto created = outputfile::createTemporary(
        QDir(absolute).filePath(QStringLiteral("recording.wav")), &error);
    if (!created)
        return created.error();
    return std::unique_ptr<RecordingSpool>(
        new RecordingSpool(created->fd, created->temporaryPath, absolute));
}

RecordingSpool::RecordingSpool(int fd, QString path, QString folder)
    : fd_(fd), path_(std::move(path)), folder_(std::move(folder)) {}

RecordingSpool::~RecordingSpool() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!published_)
        ::unlink(nativepath::encode(path_).constData());
}

bool RecordingSpool::begin(const PcmFormat& format) {
    if (published_ || !format.valid())
        return false;
    blockAlign_ = format.blockAlign();
    writeError_.store(0);
    return true;
}

bool RecordingSpool::write(const char* data, std::size_t bytes) {
    const std::int64_t held = bytes_.load(std::memory_order_relaxed);
    const auto room = static_cast<std::size_t>(WavFileWriter::maxDataBytes - held);
    const std::size_t take = std::min(bytes, room - room % static_cast<std::size_t>(blockAlign_));
    std::size_t written = 0;
    int error = 0;
    const bool whole = writeAll(fd_, data, take, headerBytes + held, written, error);
    // Only whole frames count: a torn one is overwritten by the next write, or cut by a save.
    bytes_.store(held + static_cast<std::int64_t>(written - written % blockAlign_),
                 std::memory_order_release);
    if (!whole || take < bytes) {
        writeError_.store(whole ? EFBIG : error);
        return false;
    }
    return true;
}

QString RecordingSpool::errorText() const {
    const int error = writeError_.load();
    return error ? fileErrorText(error) : QString();
}

bool RecordingSpool::erase(std::int64_t first, std::int64_t end) {
    if (published_)
        return false;
    const std::int64_t held = bytes();
    first = std::clamp<std::int64_t>(first, 0, held);
    end = std::clamp<std::int64_t>(end, first, held);
    if (first == end)
        return true;
    // The audio after the cut moves up a chunk at a time, front first (the copy never
    // overtakes what it has yet to read).
    constexpr std::int64_t chunkBytes = 1 << 20;
    std::vector<char> chunk;
    for (std::int64_t from = end; from < held;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(chunkBytes, held - from));
        chunk.resize(want);
        const ssize_t n = ::pread(fd_, chunk.data(), want, static_cast<off_t>(headerBytes + from));
        if (n < 0 && errno == EINTR)
            continue;
        std::size_t written = 0;
        int error = 0;
        if (n <= 0 || !writeAll(fd_, chunk.data(), static_cast<std::size_t>(n),
                                headerBytes + first + (from - end), written, error)) {
            // Part of the audio after the cut may have moved: only what lies before it is sure.
            if (::ftruncate(fd_, static_cast<off_t>(headerBytes + first)) == 0)
                bytes_.store(first);
            return false;
        }
        from += n;
    }
    // The audio is whole now; a file left longer is cut again by a save.
    const std::int64_t kept = held - (end - first);
    bytes_.store(kept);
    return ::ftruncate(fd_, static_cast<off_t>(headerBytes + kept)) == 0;
}

Result<QString> RecordingSpool::save(const QString& wantedPath, const PcmFormat& format) {
    if (!published_ && sameFolder(QFileInfo(wantedPath).absolutePath(), folder_))
        return publishInPlace(wantedPath, format);
    int error = 0;
    auto output = outputfile::PendingOutput::create(wantedPath, &error);
    if (!output)
        return output.error();
    const WavHeaderBytes header = makePcmWavHeader(format, static_cast<std::uint32_t>(bytes()));
    std::size_t written = 0;
    if (!writeAll(output.value()->fd(), reinterpret_cast<const char*>(header.bytes),
                  sizeof header.bytes, 0, written, error) ||
        !copyTo(output.value()->fd(), error)) {
        output.value()->discard();
        return systemFailure(error, wantedPath);
    }
    return output.value()->commit();
}

Result<QString> RecordingSpool::publishInPlace(const QString& wantedPath, const PcmFormat& format) {
    const std::int64_t held = bytes();
    const WavHeaderBytes header = makePcmWavHeader(format, static_cast<std::uint32_t>(held));
    std::size_t written = 0;
    int error = 0;
    // Cut what a torn last write may have left past the audio, so the file is what the
    // header says.
    if (::ftruncate(fd_, static_cast<off_t>(headerBytes + held)) != 0)
        return systemFailure(errno, wantedPath);
    if (!writeAll(fd_, reinterpret_cast<const char*>(header.bytes), sizeof header.bytes, 0, written,
                  error))
        return systemFailure(error, wantedPath);
    if (::fdatasync(fd_) != 0)
        return systemFailure(errno, wantedPath);
    Result<QString> taken = outputfile::publish(path_, wantedPath, &error);
    if (!taken)
        return taken.error();
    // The file is the user's now: no longer ours to lock, write or remove.
    ::flock(fd_, LOCK_UN);
    path_ = taken.value();
    published_ = true;
    return taken;
}

bool RecordingSpool::copyTo(int fd, int& error) const {
    constexpr std::size_t chunkBytes = 1 << 20;
    std::vector<char> chunk(chunkBytes, 0);
    const std::int64_t total = bytes();
    for (std::int64_t done = 0; done < total;) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(chunkBytes), total - done));
        const ssize_t n = ::pread(fd_, chunk.data(), want, static_cast<off_t>(headerBytes + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO; // the spool is shorter than the audio it counted
            return false;
        }
        std::size_t written = 0;
        if (!writeAll(fd, chunk.data(), static_cast<std::size_t>(n), headerBytes + done, written,
                      error))
            return false;
        done += n;
    }
    return true;
}

Result<std::unique_ptr<RecordingSpool>> RecordingSpool::copy() const {
    auto spool = create(folder_);
    if (!spool)
        return spool.error();
    int error = 0;
    if (!copyTo(spool.value()->fd_, error))
        return systemFailure(error, folder_);
    spool.value()->bytes_.store(bytes());
    spool.value()->blockAlign_ = blockAlign_;
    return spool;
}

} // namespace mci::detail
