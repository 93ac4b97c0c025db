#include "engine/player/tagwriter.h"

#include "engine/formats/clsfileio.h"
#include "engine/formats/mp3info.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagwriter {

namespace {

const QString errorSource = QStringLiteral("Write tag");

// `sentence` says what failed on %1 (the path), and why (%2).
VortanError systemError(const QString& path, const QString& sentence, int error) {
    return VortanError(error == ENOENT ? VortanError::FileNotFound : VortanError::PathAccess,
                       errorSource, sentence.arg(path, fileErrorText(error)));
}

void appendField(QByteArray& block, const QString& text, int size) {
    QByteArray bytes = text.toLatin1().left(size);
    bytes.append(size - bytes.size(), ' ');
    block.append(bytes);
}

bool writeAll(int fd, const char* data, qsizetype size, off_t offset) {
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, static_cast<std::size_t>(size), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

} // namespace

std::uint8_t genreByte(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return 0;
    const double whole = std::nearbyint(value); // the default rounding: halves to even
    if (!(whole >= 0 && whole <= 255))
        return 0;
    return static_cast<std::uint8_t>(whole);
}

QByteArray tagBlock(const TagTexts& texts) {
    QByteArray block("TAG");
    appendField(block, texts.title, 30);
    appendField(block, texts.artist, 30);
    appendField(block, texts.album, 30);
    appendField(block, texts.year, 4);
    appendField(block, texts.comment, 30);
    block.append(static_cast<char>(genreByte(texts.genre)));
    return block;
}

QStringList alteredFields(const TagTexts& texts) {
    struct Field {
        const char* name;
        const QString& text;
        int size;
    };
    const Field fields[] = {{"Title", texts.title, 30},
                            {"Artist", texts.artist, 30},
                            {"Album", texts.album, 30},
                            {"Year", texts.year, 4},
                            {"Comment", texts.comment, 30}};
    QStringList lines;
    for (const Field& field : fields) {
        const QString written = QString::fromLatin1(field.text.toLatin1().left(field.size));
        if (written == field.text)
            continue;
        QStringList why;
        for (const QChar c : field.text)
            if (c.unicode() > 0xFF) {
                why << QObject::tr("it holds characters an ID3v1 tag cannot store");
                break;
            }
        if (field.text.size() > field.size)
            why << QObject::tr("it is longer than %1 characters").arg(field.size);
        lines << QObject::tr("%1 \"%2\" is written as \"%3\": %4.")
                     .arg(QString::fromLatin1(field.name), field.text, written,
                          why.join(QObject::tr(", and ")));
    }
    const QString genre = texts.genre.trimmed();
    if (!genre.isEmpty() && genreByte(genre) == 0) {
        bool ok = false;
        if (std::nearbyint(genre.toDouble(&ok)) != 0 || !ok)
            lines << QObject::tr("Genre \"%1\" is written as 0: a genre is a number from 0 to "
                                 "255.")
                         .arg(genre);
    }
    return lines;
}

Result<Placement> writeTagBlock(const QString& path, const QByteArray& block) {
    const QByteArray name = nativepath::encode(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno; // before anything else may change it
        return systemError(path, QCoreApplication::translate("tagwriter", "Cannot open %1: %2"),
                           error);
    }
    struct stat info = {};
    Placement placement = Placement::Appended;
    off_t offset = 0;
    int error = 0;
    if (::fstat(fd, &info) != 0) {
        error = errno;
    } else {
        offset = info.st_size;
        QByteArray tail(blockSize, '\0');
        if (info.st_size >= blockSize &&
            ::pread(fd, tail.data(), blockSize, info.st_size - blockSize) == blockSize &&
            endsInId3v1(tail)) {
            offset = info.st_size - blockSize;
            placement = Placement::Replaced;
        }
        if (!writeAll(fd, block.constData(), block.size(), offset))
            error = errno;
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return systemError(
            path, QCoreApplication::translate("tagwriter", "Cannot write the tag to %1: %2"),
            error);
    return placement;
}

QStringList tagFieldNames() {
    return {QCoreApplication::translate("tagwriter", "Artist"),
            QCoreApplication::translate("tagwriter", "Title"),
            QCoreApplication::translate("tagwriter", "Album"),
            QCoreApplication::translate("tagwriter", "Year"),
            QCoreApplication::translate("tagwriter", "Comment"),
            QCoreApplication::translate("tagwriter", "Genre"),
            QStringLiteral("HasTag")};
}

QStringList tagFieldValues(const Mp3HeaderRecord& record) {
    return {record.artist,
            record.title,
            record.album,
            record.year,
            record.comment,
            QString::number(record.genre),
            record.tagPresent ? QStringLiteral("True") : QStringLiteral("False")};
}

QStringList headerLines(const Mp3HeaderRecord& record) {
    auto line = [](const char* label, int width, const QString& value) {
        return QString::fromLatin1(label).leftJustified(width, QLatin1Char(' ')) + value;
    };
    return {
        line("Bitrate", 19, QString::number(record.bitRateKbps)),
        line("Frequency", 16, QString::number(record.samplingFrequencyHz)),
        line("Duration", 18, QString::number(record.durationSeconds)),
        line("MpegVersion", 14, QString::number(record.mpegVersion)),
        line("MpegLayer", 15, QString::number(record.layer)),
        line("Original", 19, record.original),
        line("Emphasis", 16, record.emphasis),
        line("CopyRight", 17, record.copyright),
        line("Mode", 19, record.mode),
        line("Padding", 18, record.padding),
        line("CRC", 19, record.crc),
        line("Private", 20, record.privateBit),
    };
}

} // namespace tagwriter
