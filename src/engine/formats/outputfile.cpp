#include "engine/formats/outputfile.h"

#include "engine/platform/nativepath.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace outputfile {

namespace {

const QString errorSource = QStringLiteral("OutputFile");
const QString temporaryPrefix = QStringLiteral(".vortan-unfinished-");
// Keeps the name from ending like the audio file it will become, so nothing lists it as one.
const QString temporarySuffix = QStringLiteral(".part");

struct Split {
    QString folder; // with its trailing "/", or empty
    QString name;
};

Split split(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return {path.left(slash + 1), path.mid(slash + 1)};
}

qsizetype encodedSize(const QString& text) {
    return nativepath::encode(text).size();
}

// `text` cut to its longest start that fits `maxBytes` bytes with `rest` after it.
QString fitted(const QString& text, const QString& rest, qsizetype maxBytes) {
    return text.left(fittingLength(text, maxBytes - encodedSize(rest)));
}

VortanError failure(int error, const QString& what) {
    return VortanError(
        VortanError::PathAccess, errorSource,
        QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error))));
}

// Best effort: some file systems refuse to flush a folder, and the file itself is on the disk
// already.
void syncFolder(const QString& folder) {
    const QByteArray native = nativepath::encode(folder.isEmpty() ? QStringLiteral(".") : folder);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

enum class Placed { Yes, Taken, Failed };

// Gives `from` the name `to` unless something has that name already.
Placed placeWithoutReplacing(const QByteArray& from, const QByteArray& to, int& error) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return Placed::Yes;
    error = errno;
    if (error == EEXIST)
        return Placed::Taken;
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP)
        return Placed::Failed;
    // A file system without the no-replace rename: a hard link cannot replace either.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return Placed::Yes;
    }
    error = errno;
    return error == EEXIST ? Placed::Taken : Placed::Failed;
}

} // namespace

qsizetype fittingLength(QStringView text, qsizetype maxBytes) {
    // The bytes each unit stands for, as nativepath::encode writes them.
    constexpr char16_t escapeFirst = 0xDC80; // a byte of a name that is not UTF-8
    constexpr char16_t escapeLast = 0xDCFF;
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t unit = text[i].unicode();
        const bool pair =
            QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        qsizetype size = 3; // a character of the Basic Plane from U+0800, or a lone surrogate
        if (pair)
            size = 4;
        else if (unit < 0x80 || (unit >= escapeFirst && unit <= escapeLast))
            size = 1;
        else if (unit < 0x800)
            size = 2;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += pair ? 2 : 1;
    }
    return i;
}

int maxNameBytes(const QString& folder) {
    const QByteArray native = nativepath::encode(folder.isEmpty() ? QStringLiteral(".") : folder);
    const long limit = ::pathconf(native.constData(), _PC_NAME_MAX);
    return limit > 0 && limit < 4096 ? static_cast<int>(limit) : 255;
}

QString numbered(const QString& path, int number, int maxNameBytes) {
    const Split parts = split(path);
    const qsizetype dot = parts.name.lastIndexOf(QLatin1Char('.'));
    const qsizetype cut = dot > 0 ? dot : parts.name.size(); // ".hidden" has no extension
    QString stem = parts.name.left(cut);
    const QString extension = parts.name.mid(cut);
    const QString suffix = number >= 2 ? QStringLiteral(" (%1)").arg(number) : QString();
    return parts.folder + fitted(stem, suffix + extension, maxNameBytes) + suffix + extension;
}

bool nameInUse(const QString& path) {
    struct stat info {};
    return ::lstat(nativepath::encode(path).constData(), &info) == 0;
}

bool isTemporaryName(const QString& fileName) {
    return fileName.startsWith(temporaryPrefix) && fileName.endsWith(temporarySuffix);
}

Result<Created> createTemporary(const QString& wantedPath, int* systemError) {
    const Split parts = split(wantedPath);
    const int limit = maxNameBytes(parts.folder);
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString start =
            temporaryPrefix + QStringLiteral("%1-").arg(QRandomGenerator::global()->generate(), 8,
                                                        16, QLatin1Char('0'));
        const QString name = fitted(parts.name, start + temporarySuffix, limit);
        const QString path = parts.folder + start + name + temporarySuffix;
        const int fd = ::open(nativepath::encode(path).constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            error = errno;
            if (error == EEXIST)
                continue;
            break;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) { // a fresh file nobody else can know yet
            error = errno;
            ::close(fd);
            ::unlink(nativepath::encode(path).constData());
            break;
        }
        return Created{fd, path};
    }
    if (systemError)
        *systemError = error ? error : EEXIST;
    return failure(error ? error : EEXIST, wantedPath);
}

Result<QString> publish(const QString& temporaryPath, const QString& wantedPath, int* systemError) {
    const QByteArray from = nativepath::encode(temporaryPath);
    const int limit = maxNameBytes(split(wantedPath).folder);
    for (int number = 1; number < 100000; ++number) {
        const QString candidate = numbered(wantedPath, number, limit);
        int error = 0;
        switch (placeWithoutReplacing(from, nativepath::encode(candidate), error)) {
        case Placed::Yes:
            syncFolder(split(candidate).folder);
            return candidate;
        case Placed::Taken:
            continue;
        case Placed::Failed:
            if (systemError)
                *systemError = error;
            return failure(error, candidate);
        }
    }
    if (systemError)
        *systemError = EEXIST;
    return failure(EEXIST, wantedPath);
}

PendingOutput::PendingOutput(int fd, QString temporaryPath, QString wantedPath)
    : fd_(fd), temporaryPath_(std::move(temporaryPath)), wantedPath_(std::move(wantedPath)) {}

PendingOutput::~PendingOutput() {
    discard();
}

Result<std::unique_ptr<PendingOutput>> PendingOutput::create(const QString& wantedPath,
                                                             int* systemError) {
    Result<Created> created = createTemporary(wantedPath, systemError);
    if (!created)
        return created.error();
    return std::unique_ptr<PendingOutput>(
        new PendingOutput(created->fd, created->temporaryPath, wantedPath));
}

Result<QString> PendingOutput::commit(int* systemError) {
    if (fd_ < 0) {
        if (systemError)
            *systemError = EBADF;
        return failure(EBADF, wantedPath_);
    }
    int error = 0;
    if (::fdatasync(fd_) != 0)
        error = errno;
    // The descriptor is released even when close reports an error.
    if (::close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    if (error != 0) {
        ::unlink(nativepath::encode(temporaryPath_).constData());
        if (systemError)
            *systemError = error;
        return failure(error, wantedPath_);
    }
    Result<QString> published = publish(temporaryPath_, wantedPath_, systemError);
    if (!published)
        ::unlink(nativepath::encode(temporaryPath_).constData());
    return published;
}

void PendingOutput::discard() {
    if (fd_ < 0)
        return;
    // Removed while still locked, so that no leftover sweep can take it for its own.
    ::unlink(nativepath::encode(temporaryPath_).constData());
    ::close(fd_);
    fd_ = -1;
}

Result<QString> writeWhole(const QString& wantedPath, const QByteArray& bytes, int* systemError) {
    auto pending = PendingOutput::create(wantedPath, systemError);
    if (!pending)
        return pending.error();
    const int fd = pending.value()->fd();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : ENOSPC;
            if (systemError)
                *systemError = error;
            return failure(error, wantedPath); // the pending output removes its file
        }
        done += wrote;
    }
    return pending.value()->commit(systemError);
}

QStringList removeLeftovers(const QString& folder, int minimumAgeSeconds) {
    QStringList removed;
    const QString prefix =
        folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    DIR* dir =
        ::opendir(nativepath::encode(folder.isEmpty() ? QStringLiteral(".") : folder).constData());
    if (!dir)
        return removed;
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = nativepath::decode(entry->d_name);
        if (isTemporaryName(name))
            names << name;
    }
    ::closedir(dir);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QString& name : names) {
        const QString path = prefix + name;
        const QByteArray native = nativepath::encode(path);
        struct stat info {};
        if (::lstat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
            now - info.st_mtime < minimumAgeSeconds)
            continue;
        const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A writer that is still at work holds the lock.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(native.constData()) == 0)
            removed << path;
        ::close(fd);
    }
    return removed;
}

} // namespace outputfile
