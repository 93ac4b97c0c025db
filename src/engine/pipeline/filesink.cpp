#include "engine/pipeline/filesink.h"

#include "engine/formats/clsfileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace pipeline {

FileSink::FileSink(int fd, QString path, QString errorSource)
    : fd_(fd), path_(std::move(path)), errorSource_(std::move(errorSource)) {
    pending_.reserve(blockBytes);
}

FileSink::~FileSink() {
    if (fd_ >= 0)
        ::close(fd_);
}

Result<std::unique_ptr<FileSink>> FileSink::open(int fd, const QString& path,
                                                 const QString& errorSource) {
    const int copy = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    std::unique_ptr<FileSink> sink(new FileSink(copy, path, errorSource));
    if (copy < 0)
        return sink->fileError(fd >= 0 ? errno : EBADF);
    return sink;
}

VortanError FileSink::fileError(int error) const {
    return VortanError(VortanError::PathAccess, errorSource_,
                       QStringLiteral("%1: %2").arg(path_, fileErrorText(error)));
}

bool FileSink::fail(int error) {
    if (!failure_)
        failure_ = fileError(error);
    return false;
}

bool FileSink::flushPending() {
    const unsigned char* data = pending_.data();
    std::size_t left = pending_.size();
    auto offset = static_cast<off_t>(pendingOffset_);
    while (left > 0) {
        const ssize_t n = ::pwrite(fd_, data, left, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        data += n;
        left -= static_cast<std::size_t>(n);
        offset += n;
        bytesWritten_ = std::max<std::int64_t>(bytesWritten_, offset);
    }
    pending_.clear();
    return true;
}

bool FileSink::write(const void* data, std::size_t bytes) {
    if (failure_ || fd_ < 0)
        return false;
    if (pending_.empty())
        pendingOffset_ = position_;
    const auto* in = static_cast<const unsigned char*>(data);
    pending_.insert(pending_.end(), in, in + bytes);
    position_ += bytes;
    return pending_.size() < blockBytes || flushPending();
}

bool FileSink::seek(std::uint64_t offset) {
    if (failure_ || fd_ < 0 || !flushPending())
        return false;
    position_ = offset;
    return true;
}

std::optional<VortanError> FileSink::close() {
    if (fd_ < 0)
        return failure_;
    if (!failure_)
        flushPending();
    // Linux releases the descriptor even when close is interrupted.
    if (::close(fd_) != 0 && errno != EINTR)
        fail(errno);
    fd_ = -1;
    return failure_;
}

} // namespace pipeline
