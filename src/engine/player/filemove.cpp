#include "engine/player/filemove.h"

#include "engine/formats/clsfileio.h"
#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <QObject>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace filemove {

namespace {

const QString errorSource = QStringLiteral("Rename File");

VortanError failure(const QString& from, const QString& to, int error) {
    return VortanError(
        error == ENOENT ? VortanError::FileNotFound : VortanError::PathAccess, errorSource,
        QObject::tr("Cannot rename %1 to %2: %3").arg(from, to, fileErrorText(error)));
}

// Closes `fd` on every path.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; 0 or the system's error number.
    int close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

// Copies every byte of `in` to `out`; 0 or the system's error number.
int copyBytes(int in, int out) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += put;
        }
    }
}

Result<Moved> copyAcross(const QString& from, const QString& to) {
    const QByteArray source = nativepath::encode(from);
    Descriptor in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return failure(from, to, errno);
    struct stat info = {};
    if (::fstat(in.get(), &info) != 0)
        return failure(from, to, errno);
    if (!S_ISREG(info.st_mode))
        return failure(from, to, EISDIR);

    int error = 0;
    auto created = outputfile::createTemporary(to, &error);
    if (!created)
        return failure(from, to, error ? error : EIO);
    const QByteArray temporary = nativepath::encode(created->temporaryPath);
    Descriptor out(created->fd);
    error = copyBytes(in.get(), out.get());
    if (error == 0 && ::fchmod(out.get(), info.st_mode & 07777) != 0)
        error = errno;
    if (error == 0 && ::fdatasync(out.get()) != 0)
        error = errno;
    if (const int closed = out.close(); error == 0)
        error = closed;
    // Replacing is what the user agreed to; the copy takes the name only once it is whole.
    if (error == 0 && ::rename(temporary.constData(), nativepath::encode(to).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return failure(from, to, error);
    }
    Moved moved;
    moved.copied = true;
    if (::unlink(source.constData()) != 0)
        moved.originalKept = fileErrorText(errno);
    return moved;
}

} // namespace

Result<Moved> moveFile(const QString& from, const QString& to) {
    if (::rename(nativepath::encode(from).constData(), nativepath::encode(to).constData()) == 0)
        return Moved{};
    if (errno != EXDEV)
        return failure(from, to, errno);
    return copyAcross(from, to);
}

} // namespace filemove
