#include "engine/library/mirrorrecord.h"

#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace library {

namespace {

constexpr char header[] = "mp3vortan mirror record 1\n";

// A field of a line: the path's bytes with "%", tab, newline and carriage return written
// as %XX, so that any name (a tab in it, bytes that are not UTF-8) goes through unchanged.
QByteArray fieldOfBytes(const QByteArray& bytes) {
    QByteArray out;
    for (const char c : bytes) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r')
            out += '%' + QByteArray::number(static_cast<unsigned char>(c), 16)
                             .rightJustified(2, '0')
                             .toUpper();
        else
            out += c;
    }
    return out;
}

QByteArray field(const QString& text) {
    return fieldOfBytes(nativepath::encode(text));
}

QString unfield(const QByteArray& bytes) {
    return nativepath::decode(QByteArray::fromPercentEncoding(bytes));
}

QByteArray kindName(RecordEntry::Kind kind) {
    switch (kind) {
    case RecordEntry::Kind::Converted:
        return "converted";
    case RecordEntry::Kind::Copied:
        return "copied";
    case RecordEntry::Kind::Cover:
        return "cover";
    }
    return {};
}

std::optional<RecordEntry::Kind> kindOf(const QByteArray& name) {
    for (const auto kind :
         {RecordEntry::Kind::Converted, RecordEntry::Kind::Copied, RecordEntry::Kind::Cover})
        if (kindName(kind) == name)
            return kind;
    return std::nullopt;
}

QByteArray entryLine(const QByteArray& output, RecordEntry::Kind kind, const QByteArray& source,
                     std::int64_t sourceSize, std::int64_t sourceModifiedNs,
                     const QString& settings) {
    return "+\t" + kindName(kind) + '\t' + fieldOfBytes(output) + '\t' + fieldOfBytes(source) +
           '\t' + QByteArray::number(sourceSize) + '\t' + QByteArray::number(sourceModifiedNs) +
           '\t' + field(settings) + '\n';
}

// A path from the destination that stays inside it.
bool insideDestination(const QString& output) {
    if (output.isEmpty() || output.startsWith(QLatin1Char('/')))
        return false;
    for (const QStringView part : QStringView(output).split(QLatin1Char('/')))
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    return true;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<std::size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

QString MirrorRecord::fileName() {
    return QStringLiteral(".mp3vortan-mirror");
}

MirrorRecord::MirrorRecord(QString destination, int folderFd)
    : destination_(std::move(destination)), path_(destination_ + QLatin1Char('/') + fileName()),
      folderFd_(folderFd) {}

MirrorRecord::~MirrorRecord() {
    if (appendFd_ >= 0)
        ::close(appendFd_);
    if (folderFd_ >= 0)
        ::close(folderFd_); // and the lock with it
}

VortanError MirrorRecord::failure(const QString& what, int error) const {
    return VortanError(VortanError::PathAccess, QStringLiteral("mirror record"),
                       QStringLiteral("%1: %2 (%3)")
                           .arg(path_, what, QString::fromLocal8Bit(std::strerror(error))));
}

Result<std::unique_ptr<MirrorRecord>> MirrorRecord::open(const QString& destination,
                                                         bool writable) {
    int folderFd = -1;
    if (writable) {
        folderFd =
            ::open(nativepath::encode(destination).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0)
            return VortanError(VortanError::PathAccess, destination,
                               QStringLiteral("%1: %2").arg(
                                   destination, QString::fromLocal8Bit(std::strerror(errno))));
        if (::flock(folderFd, LOCK_EX | LOCK_NB) != 0) {
            ::close(folderFd);
            return VortanError(VortanError::PathAccess, destination,
                               QCoreApplication::translate(
                                   "MirrorRecord", "%1: another run is mirroring into this folder")
                                   .arg(destination));
        }
    }
    std::unique_ptr<MirrorRecord> record(new MirrorRecord(destination, folderFd));
    QFile file;
    int error = 0;
    if (nativepath::openForReading(file, record->path_, &error)) {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return VortanError(VortanError::PathAccess, record->path_,
                               QStringLiteral("%1: %2").arg(record->path_, file.errorString()));
        if (auto refused = record->load(bytes))
            return *refused;
    } else if (error != ENOENT) {
        return record->failure(QStringLiteral("cannot be read"), error);
    }
    if (!writable)
        return record;
    // Superseded lines go, and a first run starts the file.
    if (record->lines_ != record->entries_.size() || !nativepath::exists(record->path_))
        if (auto failed = record->rewrite())
            return *failed;
    record->appendFd_ =
        ::open(nativepath::encode(record->path_).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (record->appendFd_ < 0)
        return record->failure(QStringLiteral("cannot be written"), errno);
    return record;
}

std::optional<VortanError> MirrorRecord::load(const QByteArray& bytes) {
    if (!bytes.isEmpty() && !bytes.startsWith(header))
        return VortanError(VortanError::InvalidArgument, path_,
                           QCoreApplication::translate(
                               "MirrorRecord", "%1: not a record this program wrote; move it away "
                                               "or choose another destination")
                               .arg(path_));
    qsizetype at = static_cast<qsizetype>(std::strlen(header));
    while (at < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            break; // cut short while it was written: its output was never begun
        const QList<QByteArray> parts = bytes.mid(at, end - at).split('\t');
        at = end + 1;
        if (parts.size() == 2 && parts[0] == "-") {
            entries_.remove(nativepath::encode(unfield(parts[1])));
            ++lines_;
            continue;
        }
        if (parts.size() != 7 || parts[0] != "+")
            continue;
        const auto kind = kindOf(parts[1]);
        const QString output = unfield(parts[2]);
        if (!kind || !insideDestination(output))
            continue;
        ++lines_;
        entries_.insert(nativepath::encode(output),
                        held(RecordEntry{*kind, unfield(parts[3]), parts[4].toLongLong(),
                                         parts[5].toLongLong(), unfield(parts[6])}));
    }
    return std::nullopt;
}

std::optional<VortanError> MirrorRecord::rewrite() {
    QByteArray bytes = header;
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it)
        bytes += entryLine(it.key(), it->kind, it->source, it->sourceSize, it->sourceModifiedNs,
                           it->settings);
    int error = 0;
    auto created = outputfile::createTemporary(path_, &error);
    if (!created)
        return created.error();
    const QString temporary = created->temporaryPath;
    const bool written = writeAll(created->fd, bytes) && ::fdatasync(created->fd) == 0;
    error = errno;
    const bool closed = ::close(created->fd) == 0;
    if (!written || !closed ||
        ::rename(nativepath::encode(temporary).constData(),
                 nativepath::encode(path_).constData()) != 0) {
        error = written && closed ? errno : error;
        ::unlink(nativepath::encode(temporary).constData());
        return failure(QStringLiteral("cannot be written"), error);
    }
    if (folderFd_ >= 0)
        ::fsync(folderFd_); // the new name survives a power cut
    lines_ = entries_.size();
    return std::nullopt;
}

std::optional<VortanError> MirrorRecord::append(const QByteArray& line) {
    if (appendFd_ < 0)
        return failure(QStringLiteral("is only being read"), EBADF);
    if (!writeAll(appendFd_, line) || ::fdatasync(appendFd_) != 0)
        return failure(QStringLiteral("cannot be written"), errno);
    ++lines_;
    return std::nullopt;
}

MirrorRecord::Held MirrorRecord::held(const RecordEntry& entry) {
    // The entries share one copy of each settings text (a library has a few).
    if (entry.settings != lastSettings_)
        lastSettings_ = entry.settings;
    return Held{nativepath::encode(entry.source), entry.sourceSize, entry.sourceModifiedNs,
                lastSettings_, entry.kind};
}

std::optional<RecordEntry> MirrorRecord::find(const QString& output) const {
    const auto it = entries_.constFind(nativepath::encode(output));
    if (it == entries_.cend())
        return std::nullopt;
    return RecordEntry{it->kind, nativepath::decode(it->source), it->sourceSize,
                       it->sourceModifiedNs, it->settings};
}

bool MirrorRecord::names(const QString& output) const {
    return entries_.contains(nativepath::encode(output));
}

std::vector<QString> MirrorRecord::outputs() const {
    std::vector<QString> out;
    out.reserve(static_cast<std::size_t>(entries_.size()));
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it)
        out.push_back(nativepath::decode(it.key()));
    return out;
}

std::optional<VortanError> MirrorRecord::remember(const QString& output, const RecordEntry& entry) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const QByteArray key = nativepath::encode(output);
    Held kept = held(entry);
    if (auto failed = append(entryLine(key, kept.kind, kept.source, kept.sourceSize,
                                       kept.sourceModifiedNs, kept.settings)))
        return failed;
    entries_.insert(key, std::move(kept));
    return std::nullopt;
}

std::optional<VortanError> MirrorRecord::forget(const QString& output) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const QByteArray key = nativepath::encode(output);
    if (auto failed = append("-\t" + fieldOfBytes(key) + '\n'))
        return failed;
    entries_.remove(key);
    return std::nullopt;
}

} // namespace library
