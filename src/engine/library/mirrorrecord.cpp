#include "engine/library/mirrorrecord.h"

#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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

template <typename Entry>
QByteArray entryLine(const QByteArray& output, const QByteArray& source, const Entry& entry) {
    return "+\t" + kindName(entry.kind) + '\t' + fieldOfBytes(output) + '\t' +
           fieldOfBytes(source) + '\t' + QByteArray::number(entry.sourceSize) + '\t' +
           QByteArray::number(entry.sourceModifiedNs) + '\t' + field(entry.settings) + '\t' +
           QByteArray::number(entry.coverSize) + '\t' + QByteArray::number(entry.coverModifiedNs) +
           '\n';
}

// A path from the destination that stays inside it.
bool insideDestination(const QByteArray& output) {
    if (output.isEmpty() || output.startsWith('/'))
        return false;
    for (qsizetype at = 0; at <= output.size();) {
        qsizetype slash = output.indexOf('/', at);
        if (slash < 0)
            slash = output.size();
        const QByteArrayView part = QByteArrayView(output).sliced(at, slash - at);
        if (part.isEmpty() || part == "." || part == "..")
            return false;
        at = slash + 1;
    }
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
        if (auto refused = record->load(file))
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

std::optional<VortanError> MirrorRecord::load(QFile& file) {
    // Line by line: what is held grows with the entries, never with the file's text.
    QByteArray line;
    const auto readLine = [&file, &line] {
        line = file.readLine();
        return !line.isEmpty();
    };
    if (!readLine())
        return std::nullopt;
    if (line != header)
        return VortanError(VortanError::InvalidArgument, path_,
                           QCoreApplication::translate(
                               "MirrorRecord", "%1: not a record this program wrote; move it away "
                                               "or choose another destination")
                               .arg(path_));
    std::array<QByteArrayView, 9> parts;
    while (readLine()) {
        if (!line.endsWith('\n'))
            break; // cut short while it was written: its output was never begun
        line.chop(1);
        // The fields; a line with more than any line has counts none.
        qsizetype count = 0;
        for (qsizetype at = 0;;) {
            if (count == static_cast<qsizetype>(parts.size())) {
                count = 0;
                break;
            }
            const qsizetype tab = line.indexOf('\t', at);
            const qsizetype end = tab < 0 ? line.size() : tab;
            parts[static_cast<std::size_t>(count++)] = QByteArrayView(line).sliced(at, end - at);
            if (tab < 0)
                break;
            at = tab + 1;
        }
        if (count == 2 && parts[0] == "-") {
            entries_.remove(QByteArray::fromPercentEncoding(parts[1].toByteArray()));
            ++lines_;
            continue;
        }
        // A line written before covers were noted has no cover fields: none was.
        if ((count != 7 && count != 9) || parts[0] != "+")
            continue;
        const auto kind = kindOf(parts[1].toByteArray());
        QByteArray output = QByteArray::fromPercentEncoding(parts[2].toByteArray());
        if (!kind || !insideDestination(output))
            continue;
        ++lines_;
        Held entry{
            QByteArray::fromPercentEncoding(parts[3].toByteArray()),
            parts[4].toLongLong(),
            parts[5].toLongLong(),
            shared(nativepath::decode(QByteArray::fromPercentEncoding(parts[6].toByteArray()))),
            count == 9 ? parts[7].toLongLong() : -1,
            count == 9 ? parts[8].toLongLong() : 0,
            *kind};
        entry.source.squeeze();
        output.squeeze();
        entries_.insert(std::move(output), std::move(entry));
    }
    if (file.error() != QFileDevice::NoError)
        return VortanError(VortanError::PathAccess, path_,
                           QStringLiteral("%1: %2").arg(path_, file.errorString()));
    return std::nullopt;
}

std::optional<VortanError> MirrorRecord::rewrite() {
    int error = 0;
    auto created = outputfile::createTemporary(path_, &error);
    if (!created)
        return created.error();
    const QString temporary = created->temporaryPath;
    // Written a chunk at a time, so that the text of a whole library is never held.
    QByteArray bytes = header;
    bool written = true;
    for (auto it = entries_.cbegin(); written && it != entries_.cend(); ++it) {
        bytes += entryLine(it.key(), it->source, *it);
        if (bytes.size() >= (1 << 16)) {
            written = writeAll(created->fd, bytes);
            bytes.clear();
        }
    }
    written = written && writeAll(created->fd, bytes) && ::fdatasync(created->fd) == 0;
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

QString MirrorRecord::shared(const QString& settings) {
    // The entries share one copy of each settings text (a library has a few, in any order).
    for (const QString& known : std::as_const(settingsTexts_))
        if (known == settings)
            return known;
    settingsTexts_.push_back(settings);
    return settings;
}

MirrorRecord::Held MirrorRecord::held(const RecordEntry& entry) {
    return Held{nativepath::encode(entry.source),
                entry.sourceSize,
                entry.sourceModifiedNs,
                shared(entry.settings),
                entry.coverSize,
                entry.coverModifiedNs,
                entry.kind};
}

std::optional<RecordEntry> MirrorRecord::find(const QString& output) const {
    const auto it = entries_.constFind(nativepath::encode(output));
    if (it == entries_.cend())
        return std::nullopt;
    return RecordEntry{it->kind,           nativepath::decode(it->source),
                       it->sourceSize,     it->sourceModifiedNs,
                       it->settings,       it->coverSize,
                       it->coverModifiedNs};
}

bool MirrorRecord::names(const QString& output) const {
    return entries_.contains(nativepath::encode(output));
}

void MirrorRecord::claim(const QString& output) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const auto it = entries_.constFind(nativepath::encode(output)); it != entries_.cend())
        it->claimed = true;
}

std::vector<QString> MirrorRecord::unclaimed() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<QString> out;
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it)
        if (!it->claimed)
            out.push_back(nativepath::decode(it.key()));
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<VortanError> MirrorRecord::remember(const QString& output, const RecordEntry& entry) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const QByteArray key = nativepath::encode(output);
    Held kept = held(entry);
    if (auto failed = append(entryLine(key, kept.source, kept)))
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
