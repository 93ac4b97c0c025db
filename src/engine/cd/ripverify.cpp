#include "engine/cd/ripverify.h"

#include "engine/cd/offsetwindow.h"
#include "engine/formats/wavreader.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ripverify {

namespace {

constexpr std::int64_t sectorBytes = 2352;
constexpr std::uint32_t sectorsPerRead = 64;

QString hex(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

// The track number a drawn name ends with ("1234-3.wav" gives 3), or 0.
int nameTrack(const QString& path) {
    const auto match = QRegularExpression(QStringLiteral("-(\\d{1,2})$"))
                           .match(QFileInfo(path).completeBaseName());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// The file `path` opened for reading if it is a regular file: never blocks on a FIFO or a
// device. Closed on destruction.
struct RegularFile {
    int fd = -1;
    QString problem;
    explicit RegularFile(const QString& path) {
        fd = ::open(nativepath::encode(path).constData(),
                    O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat info {};
        if (fd < 0) {
            problem = QString::fromLocal8Bit(std::strerror(errno));
        } else if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            problem = QCoreApplication::translate("ripverify", "not a regular file");
            ::close(fd);
            fd = -1;
        }
    }
    ~RegularFile() {
        if (fd >= 0)
            ::close(fd);
    }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    // A name that reaches this very file, whatever happens to `path` meanwhile.
    QString openedPath() const { return QStringLiteral("/proc/self/fd/%1").arg(fd); }
};

// "2", "1 and 2", "1, 3 and 4": track numbers for a message.
QString trackList(const std::vector<int>& numbers) {
    QStringList texts;
    for (const int number : numbers)
        texts << QString::number(number);
    if (texts.size() < 2)
        return texts.join(QString());
    const QString last = texts.takeLast();
    return texts.join(QStringLiteral(", ")) + QCoreApplication::translate("ripverify", " and ") +
           last;
}

// The position in `toc` of the audio track a file of `sectors` sectors is compared with: the
// one track of that length, or among several the one its name ends with (`named`, 0 when its
// name ends with no number). -1, with the reason in `problem`, when none can be chosen.
int trackOfFile(const cddrives::DiscToc& toc, std::int32_t sectors, int named, QString& problem) {
    std::vector<int> sameLength; // positions
    std::vector<int> numbers;    // their track numbers
    for (int i = 0; i < toc.trackCount(); ++i)
        if (toc.isAudio(i) && toc.trackSectors(i) == sectors) {
            sameLength.push_back(i);
            numbers.push_back(toc.firstTrack + i);
        }
    if (sameLength.size() == 1)
        return sameLength.front();
    if (sameLength.empty()) {
        problem = QCoreApplication::translate("ripverify", "no track of the disc has its length");
        return -1;
    }
    const int namedIndex = toc.indexOf(named);
    if (named > 0 && std::find(numbers.begin(), numbers.end(), named) != numbers.end())
        return namedIndex;
    if (named > 0 && namedIndex < 0)
        problem = QCoreApplication::translate(
                      "ripverify", "the disc has no track %1, the number the file's name ends "
                                   "with (its tracks are %2 to %3); tracks %4 have the file's "
                                   "length")
                      .arg(named)
                      .arg(toc.firstTrack)
                      .arg(toc.lastTrack())
                      .arg(trackList(numbers));
    else if (named > 0)
        problem = QCoreApplication::translate(
                      "ripverify", "track %1, the number the file's name ends with, is not of the "
                                   "file's length; tracks %2 are")
                      .arg(named)
                      .arg(trackList(numbers));
    else
        problem = QCoreApplication::translate(
                      "ripverify", "tracks %1 of the disc have its length; name the file after "
                                   "its track (\"...-3.wav\")")
                      .arg(trackList(numbers));
    return -1;
}

} // namespace

QString Verdict::text() const {
    if (!problem.isEmpty())
        return wavPath + QStringLiteral(": ") + problem;
    return QStringLiteral("Track %1: %2 %3 the disc (CRC32 %4, AccurateRip v1 %5, v2 %6)")
        .arg(track)
        .arg(wavPath, matched ? QStringLiteral("matches") : QStringLiteral("does not match"),
             hex(file.crc32), hex(file.accurateRipV1), hex(file.accurateRipV2));
}

Verdict verifyWav(const QString& wavPath, const Disc& disc,
                  const std::optional<readoffset::Offset>& offset) {
    Verdict v;
    v.wavPath = wavPath;
    const RegularFile opened(wavPath);
    if (opened.fd < 0) {
        v.problem = opened.problem;
        return v;
    }
    const auto format = readWavFormat(opened.openedPath());
    if (!format) {
        // The verdict names the file itself (text()): the reason alone.
        QString reason = format.error().description();
        if (const QString named = opened.openedPath() + QStringLiteral(": ");
            reason.startsWith(named))
            reason.remove(0, named.size());
        v.problem = reason.replace(opened.openedPath(), wavPath);
        return v;
    }
    if (!format->isCdFormat() || format->dataLength % sectorBytes != 0) {
        v.problem = QCoreApplication::translate(
            "ripverify", "not a CD track: CD-format audio (44,100 Hz, 16-bit, "
                         "stereo) of whole sectors is needed");
        return v;
    }
    const std::optional<cddrives::DiscToc>& toc = disc.toc;
    if (!toc) {
        v.problem = disc.unreadable;
        return v;
    }
    const auto sectors = static_cast<std::int32_t>(format->dataLength / sectorBytes);
    const int index = trackOfFile(*toc, sectors, nameTrack(wavPath), v.problem);
    if (index < 0)
        return v;
    v.track = toc->firstTrack + index;
    // The disc's edges that AccurateRip leaves out are its audio's: a data track before or
    // after the audio moves them, as it does for a rip.
    const ripcheck::TrackPlace place{v.track == toc->firstAudioTrack(),
                                     v.track == toc->lastAudioTrack(),
                                     static_cast<std::int64_t>(sectors) * 588};

    QFile file(opened.openedPath());
    ripcheck::TrackChecksum fileSum(place);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(format->dataOffset)) {
        v.problem = file.errorString();
        return v;
    }
    for (std::int64_t left = format->dataLength; left > 0;) {
        const QByteArray piece =
            file.read(std::min<std::int64_t>(left, sectorBytes * sectorsPerRead));
        if (piece.isEmpty()) {
            v.problem = QCoreApplication::translate("ripverify", "the file could not be read: ") +
                        file.errorString();
            return v;
        }
        fileSum.feed(reinterpret_cast<const unsigned char*>(piece.constData()),
                     static_cast<std::size_t>(piece.size()));
        left -= piece.size();
    }

    auto reader = cddrives::DiscAudioReader::open(disc.drive);
    if (!reader) {
        v.problem = reader.error().description();
        return v;
    }
    const readoffset::Offset correction = offset.value_or(readoffset::forDrive(disc.drive));
    const std::int32_t start = toc->trackStartLba[static_cast<std::size_t>(index)];
    OffsetWindow window = OffsetWindow::ofTrack(start, start + sectors, correction.samples);
    ripcheck::TrackChecksum discSum(place);
    const WindowRead read = readWindow(
        window,
        [&reader](std::int32_t lba, std::uint32_t count, unsigned char* out) {
            return reader.value()->read(lba, count, out);
        },
        toc->audioLeadOutLba(), correction.overreads,
        [&discSum](const std::vector<unsigned char>& piece) {
            discSum.feed(piece.data(), piece.size());
        });
    if (read.end != WindowRead::End::Complete) {
        v.problem =
            QCoreApplication::translate("ripverify", "the disc could not be read at sector %1")
                .arg(read.failedLba);
        return v;
    }
    v.file = fileSum.result();
    v.disc = discSum.result();
    v.matched = v.file.crc32 == v.disc.crc32 && v.file.accurateRipV1 == v.disc.accurateRipV1 &&
                v.file.accurateRipV2 == v.disc.accurateRipV2;
    return v;
}

} // namespace ripverify
