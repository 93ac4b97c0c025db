#include "engine/core/filedeletion.h"

#include "engine/core/sourcetree.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filedeletion {
std::chrono::milliseconds settleDelay{200};
}

namespace {

constexpr int PermissionDenied = 70;

VortanError systemError(int code) {
    const int number = (code == EACCES || code == EPERM || code == EWOULDBLOCK || code == EROFS)
                           ? PermissionDenied
                           : VortanError::PathAccess;
    return VortanError(number, QStringLiteral("p_DestroyFile"),
                       QString::fromLocal8Bit(std::strerror(code)));
}

} // namespace

std::optional<VortanError> p_DestroyFile(const QString& path, const QObject* context,
                                         filedeletion::Settled settled) {
    std::optional<VortanError> failure = filedeletion::destroyFile(path);
    if (settled && context)
        QTimer::singleShot(filedeletion::settleDelay, context,
                           [failure, settled = std::move(settled)] { settled(failure); });
    return failure;
}

std::optional<VortanError> filedeletion::destroyFile(const QString& path) {
    if (path.isEmpty())
        return VortanError(VortanError::FileNotFound, QStringLiteral("p_DestroyFile"),
                           QCoreApplication::translate("filedeletion", "File not found"));
    const QByteArray native = nativepath::encode(path);

    // Open for writing and close at once: a missing file is created (and so counts as
    // deleted below); a read-only or locked file refuses.
    struct stat info {};
    if (::stat(native.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
        (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return systemError(EACCES); // read-only, even for a user who could override it
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return systemError(errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        return systemError(code);
    }
    ::close(fd);

    std::optional<VortanError> failure;
    if (::unlink(native.constData()) != 0)
        failure = systemError(errno);
    return failure;
}

void DeleteFileAndNode(const QString& path, const QObject* context, filedeletion::Settled done) {
    // The tree is the timer's context when there is one: the caller's context is checked
    // when the time comes.
    const QPointer<const QObject> caller(context);
    filedeletion::Settled ifCallerLives;
    if (done)
        ifCallerLives = [caller,
                         done = std::move(done)](const std::optional<VortanError>& failure) {
            if (caller)
                done(failure);
        };
    if (SourceTree* tree = SourceTree::instance())
        tree->DeleteFileAndNode(path, true, std::move(ifCallerLives));
    else
        p_DestroyFile(path, context, std::move(ifCallerLives));
}

QString deleteQuestion(const QString& path) {
    return QCoreApplication::translate("filedeletion",
                                       "Are you sure you want to delete this file?\n\n") +
           path;
}
