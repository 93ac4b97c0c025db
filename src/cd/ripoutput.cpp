#include "cd/ripoutput.h"

#include "formats/outputfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ripoutput {

namespace {

const QString errorSource = QStringLiteral("Rip output");

VortanError failure(const QString& path, int error) {
    return VortanError(VortanError::PathAccess, errorSource,
                       QStringLiteral("%1: %2").arg(
                           path, QString::fromLocal8Bit(std::strerror(error ? error : EIO))));
}

// Writes all of `bytes` to `fd` and syncs it; the errno of the failure, or 0.
int writeAndSync(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? errno : ENOSPC;
        done += wrote;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

Result<Reserved> reserve(const QString& wantedPath) {
    auto created = outputfile::createTemporary(wantedPath);
    if (!created)
        return created.error();
    ::close(created->fd);
    return Reserved{created->temporaryPath, wantedPath};
}

Result<QString> complete(const Reserved& file) {
    const QByteArray native = QFile::encodeName(file.temporaryPath);
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const int syncError = fd < 0 ? errno : (::fsync(fd) == 0 ? 0 : errno);
    if (fd >= 0 && ::close(fd) != 0 && syncError == 0) {
        discard(file);
        return failure(file.wantedPath, errno);
    }
    if (syncError != 0) {
        discard(file);
        return failure(file.wantedPath, syncError);
    }
    auto published = outputfile::publish(file.temporaryPath, file.wantedPath);
    if (!published) {
        discard(file);
        return published.error();
    }
    return published.value();
}

void discard(const Reserved& file) {
    if (!file.temporaryPath.isEmpty())
        ::unlink(QFile::encodeName(file.temporaryPath).constData());
}

Result<QString> writeWhole(const QString& wantedPath, const QByteArray& bytes) {
    auto created = outputfile::createTemporary(wantedPath);
    if (!created)
        return created.error();
    const Reserved file{created->temporaryPath, wantedPath};
    const int writeError = writeAndSync(created->fd, bytes);
    const int closeError = ::close(created->fd) == 0 ? 0 : errno;
    if (writeError != 0 || closeError != 0) {
        discard(file);
        return failure(wantedPath, writeError ? writeError : closeError);
    }
    auto published = outputfile::publish(file.temporaryPath, wantedPath);
    if (!published) {
        discard(file);
        return published.error();
    }
    return published.value();
}

} // namespace ripoutput
