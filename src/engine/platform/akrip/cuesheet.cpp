#include "engine/platform/akrip/cuesheet.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace cuesheet {

namespace {

const QString errorSource = QStringLiteral("AKRip32");

// The words of one line: runs of non-blank characters, or "quoted text" (without quotes).
std::vector<QByteArray> tokens(const QByteArray& line) {
    std::vector<QByteArray> out;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        if (line[i] == '"') {
            const qsizetype close = line.indexOf('"', i + 1);
            const qsizetype end = close < 0 ? n : close;
            out.push_back(line.mid(i + 1, end - i - 1));
            i = end + 1;
        } else {
            const qsizetype start = i;
            while (i < n && line[i] != ' ' && line[i] != '\t')
                ++i;
            out.push_back(line.mid(start, i - start));
        }
    }
    return out;
}

bool is(const QByteArray& word, const char* keyword) {
    return word.compare(keyword, Qt::CaseInsensitive) == 0;
}

std::optional<int> number(const QByteArray& digits, int maxDigits) {
    if (digits.isEmpty() || digits.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "mm:ss:ff" as a sector count (75 per second), within 99:59:74.
std::optional<std::int32_t> msf(const QByteArray& text) {
    const QList<QByteArray> parts = text.split(':');
    if (parts.size() != 3)
        return std::nullopt;
    const auto m = number(parts[0], 2);
    const auto s = number(parts[1], 2);
    const auto f = number(parts[2], 2);
    if (!m || !s || !f || *s >= 60 || *f >= 75)
        return std::nullopt;
    return (*m * 60 + *s) * 75 + *f;
}

QByteArray msfText(std::int32_t sector) {
    return QByteArray::number(sector / (60 * 75)).rightJustified(2, '0') + ':' +
           QByteArray::number(sector / 75 % 60).rightJustified(2, '0') + ':' +
           QByteArray::number(sector % 75).rightJustified(2, '0');
}

VortanError notACueSheet(const QString& path) {
    return VortanError(VortanError::InvalidArgument, errorSource,
                       QCoreApplication::translate("cuesheet", "%1 is not a cue sheet").arg(path));
}

// The sheet's text as the bytes the reader works on: a UTF-8 byte-order mark is dropped, and
// a sheet that starts with a UTF-16 byte-order mark (Windows programs write those) becomes
// UTF-8. Any other text is taken byte for byte.
Result<QByteArray> sheetBytes(const QByteArray& bytes, const QString& path) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.mid(3);
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (!littleEndian && !bytes.startsWith("\xFE\xFF"))
        return bytes;
    QStringDecoder utf16(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                         QStringDecoder::Flag::Stateless);
    const QString text = utf16.decode(QByteArrayView(bytes).sliced(2));
    if (utf16.hasError() || bytes.size() % 2 != 0 || !text.isValidUtf16())
        return VortanError(VortanError::InvalidArgument, errorSource,
                           QCoreApplication::translate(
                               "cuesheet", "%1 is not a valid cue sheet: its UTF-16 text is "
                                           "damaged")
                               .arg(path));
    return text.toUtf8();
}

// The lines of `text`, each ended by CR LF, LF or a lone CR (sheets mix them).
std::vector<QByteArray> lines(const QByteArray& text) {
    std::vector<QByteArray> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        out.push_back(text.mid(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    out.push_back(text.mid(start));
    return out;
}

// The reader of one sheet: the state its lines build up, and the rules each line must keep.
class Reader {
  public:
    explicit Reader(const QString& path) : path_(path) {}

    std::optional<VortanError> line(int lineNumber, const std::vector<QByteArray>& words) {
        lineNumber_ = lineNumber;
        const QByteArray& keyword = words[0];
        if (is(keyword, "FILE"))
            return file(words);
        if (is(keyword, "TRACK"))
            return track(words);
        if (is(keyword, "INDEX"))
            return index(words);
        if (is(keyword, "REM") && words.size() >= 2 && is(words[1], "SESSION"))
            return session(words);
        if (is(keyword, "PREGAP"))
            return pregap(words);
        if (is(keyword, "TITLE") || is(keyword, "PERFORMER"))
            text(words);
        if (is(keyword, "CATALOG") && words.size() == 2 && isCode(words[1], 13, false))
            sheet_.catalog = words[1];
        if (is(keyword, "ISRC") && words.size() == 2 && !sheet_.tracks.empty() &&
            isCode(words[1], 12, true))
            sheet_.tracks.back().isrc = words[1].toUpper();
        return std::nullopt;
    }

    Result<Sheet> finish() {
        if (!haveFile_ || sheet_.tracks.empty())
            return notACueSheet(path_);
        if (!trackHasStart_)
            return malformed(QCoreApplication::translate("cuesheet", "track %1 has no INDEX 01")
                                 .arg(sheet_.tracks.back().number));
        return sheet_;
    }

  private:
    VortanError malformed(const QString& what) const {
        return VortanError(
            VortanError::InvalidArgument, errorSource,
            QCoreApplication::translate("cuesheet", "%1 is not a valid cue sheet: line %2: %3")
                .arg(path_)
                .arg(lineNumber_)
                .arg(what));
    }

    // `word` is `length` digits, or with `letters` digits and letters (any case), and not all
    // zeros: rippers write zeros for a disc or track that has no code.
    static bool isCode(const QByteArray& word, int length, bool letters) {
        if (word.size() != length || word == QByteArray(length, '0'))
            return false;
        return std::all_of(word.begin(), word.end(), [letters](char c) {
            return (c >= '0' && c <= '9') ||
                   (letters && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')));
        });
    }

    std::optional<VortanError> file(const std::vector<QByteArray>& words) {
        if (words.size() != 3 || words[1].isEmpty())
            return malformed(
                QCoreApplication::translate("cuesheet", "FILE needs a file name and a type"));
        haveFile_ = true;
        sheet_.files.push_back(DataFile{nativepath::decode(words[1]),
                                        QString::fromLatin1(words[2].toUpper())});
        sheet_.dataFile = sheet_.files.front().name;
        sheet_.fileType = sheet_.files.front().type;
        // Positions count from the new file's start.
        lastIndexTime_ = -1;
        return std::nullopt;
    }

    std::optional<VortanError> pregap(const std::vector<QByteArray>& words) {
        const auto length = words.size() == 2 ? msf(words[1]) : std::nullopt;
        if (sheet_.tracks.empty() || !length)
            return malformed(QCoreApplication::translate(
                "cuesheet", "PREGAP needs a track and a length mm:ss:ff"));
        sheet_.tracks.back().pregapSilence = *length;
        return std::nullopt;
    }

    std::optional<VortanError> track(const std::vector<QByteArray>& words) {
        if (!haveFile_)
            return malformed(QCoreApplication::translate("cuesheet", "TRACK before any FILE"));
        const auto trackNumber = words.size() == 3 ? number(words[1], 2) : std::nullopt;
        if (!trackNumber || *trackNumber < 1)
            return malformed(
                QCoreApplication::translate("cuesheet", "TRACK needs a number 1..99 and a mode"));
        if (!sheet_.tracks.empty() && *trackNumber != sheet_.tracks.back().number + 1)
            return malformed(
                QCoreApplication::translate("cuesheet", "track %1 does not follow track %2")
                    .arg(*trackNumber)
                    .arg(sheet_.tracks.back().number));
        if (!trackHasStart_)
            return malformed(QCoreApplication::translate("cuesheet", "track %1 has no INDEX 01")
                                 .arg(sheet_.tracks.back().number));
        const QByteArray mode = words[2].toUpper();
        // Every sector of the file is 2,352 bytes: raw audio or raw data sectors.
        if (mode != "AUDIO" && mode != "MODE1/2352" && mode != "MODE2/2352")
            return malformed(
                QCoreApplication::translate("cuesheet", "track mode %1 is not supported")
                    .arg(QString::fromLatin1(mode)));
        const bool audio = mode == "AUDIO";
        if (audio && session_ > 1)
            return malformed(QCoreApplication::translate(
                                 "cuesheet", "audio track %1 in session %2: only the first "
                                             "session of a disc holds audio")
                                 .arg(*trackNumber)
                                 .arg(session_));
        Track entry;
        entry.file = static_cast<int>(sheet_.files.size()) - 1;
        entry.number = *trackNumber;
        entry.audio = audio;
        entry.session = session_;
        sheet_.tracks.push_back(entry);
        trackHasStart_ = false;
        lastIndexNumber_ = -1;
        return std::nullopt;
    }

    std::optional<VortanError> index(const std::vector<QByteArray>& words) {
        if (sheet_.tracks.empty())
            return malformed(QCoreApplication::translate("cuesheet", "INDEX before any TRACK"));
        const auto indexNumber = words.size() == 3 ? number(words[1], 2) : std::nullopt;
        const auto at = words.size() == 3 ? msf(words[2]) : std::nullopt;
        if (!indexNumber || !at)
            return malformed(QCoreApplication::translate(
                "cuesheet", "INDEX needs a number 0..99 and a time mm:ss:ff (seconds below "
                            "60, frames below 75)"));
        Track& current = sheet_.tracks.back();
        if (lastIndexNumber_ < 0 ? *indexNumber > 1 : *indexNumber <= lastIndexNumber_)
            return malformed(
                lastIndexNumber_ < 0
                    ? QCoreApplication::translate(
                          "cuesheet", "track %1 starts with INDEX %2 (INDEX 00 or 01 comes first)")
                          .arg(current.number)
                          .arg(*indexNumber)
                    : QCoreApplication::translate("cuesheet",
                                                  "INDEX %1 of track %2 comes after INDEX %3")
                          .arg(*indexNumber)
                          .arg(current.number)
                          .arg(lastIndexNumber_));
        if (lastIndexTime_ >= 0 && *at <= lastIndexTime_)
            return malformed(QCoreApplication::translate(
                                 "cuesheet", "INDEX %1 of track %2 at %3 is not later than the "
                                             "INDEX before it (%4)")
                                 .arg(*indexNumber)
                                 .arg(current.number)
                                 .arg(QString::fromLatin1(msfText(*at)),
                                      QString::fromLatin1(msfText(lastIndexTime_))));
        lastIndexNumber_ = *indexNumber;
        lastIndexTime_ = *at;
        const int fileNow = static_cast<int>(sheet_.files.size()) - 1;
        if (*indexNumber == 0) {
            current.pregapStart = *at;
            current.pregapFile = fileNow;
        }
        if (*indexNumber == 1) {
            current.startSector = *at;
            current.file = fileNow;
            trackHasStart_ = true;
        }
        if (*indexNumber > 1) {
            if (fileNow != current.file)
                return malformed(QCoreApplication::translate(
                                     "cuesheet", "INDEX %1 of track %2 is in another file than its "
                                                 "INDEX 01")
                                     .arg(*indexNumber)
                                     .arg(current.number));
            current.laterIndexes.push_back(*at);
        }
        return std::nullopt;
    }

    std::optional<VortanError> session(const std::vector<QByteArray>& words) {
        const auto value = words.size() == 3 ? number(words[2], 2) : std::nullopt;
        if (!value || *value < 1)
            return malformed(
                QCoreApplication::translate("cuesheet", "REM SESSION needs a number 1..99"));
        if (*value < session_)
            return malformed(QCoreApplication::translate("cuesheet", "session %1 after session %2")
                                 .arg(*value)
                                 .arg(session_));
        session_ = *value;
        return std::nullopt;
    }

    void text(const std::vector<QByteArray>& words) {
        if (words.size() < 2)
            return;
        const bool title = is(words[0], "TITLE");
        if (sheet_.tracks.empty())
            (title ? sheet_.title : sheet_.performer) = words[1];
        else
            (title ? sheet_.tracks.back().title : sheet_.tracks.back().performer) = words[1];
    }

    QString path_;
    Sheet sheet_;
    int lineNumber_ = 0;
    bool haveFile_ = false;
    bool trackHasStart_ = true;
    int lastIndexNumber_ = -1;        // of the current track; -1 before its first INDEX
    std::int32_t lastIndexTime_ = -1; // of the last INDEX in the current file
    int session_ = 1;
};

} // namespace

Result<Sheet> parse(const QByteArray& text, const QString& path) {
    const auto bytes = sheetBytes(text, path);
    if (!bytes)
        return bytes.error();
    if (bytes->contains('\0'))
        return notACueSheet(path);
    Reader reader(path);
    int lineNumber = 0;
    for (const QByteArray& rawLine : lines(bytes.value())) {
        ++lineNumber;
        const std::vector<QByteArray> words = tokens(rawLine.trimmed());
        if (words.empty())
            continue;
        if (auto error = reader.line(lineNumber, words))
            return *error;
    }
    return reader.finish();
}

Result<Sheet> read(const QString& path) {
    const auto cannotOpen = [&path](int error) {
        return VortanError(VortanError::FileNotFound, errorSource,
                           QCoreApplication::translate("cuesheet", "%1 cannot be opened: %2")
                               .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    };
    // Non-blocking: a FIFO must not hold the program up until someone writes to it.
    const int fd =
        ::open(nativepath::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return cannotOpen(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return VortanError(
            VortanError::InvalidArgument, errorSource,
            QCoreApplication::translate("cuesheet", "%1 is not a regular file").arg(path));
    }
    if (info.st_size > maxSheetBytes) {
        ::close(fd);
        return notACueSheet(path);
    }
    QByteArray text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return cannotOpen(error);
        }
        if (got == 0)
            break;
        text.append(buffer, got);
        if (text.size() > maxSheetBytes) {
            ::close(fd);
            return notACueSheet(path);
        }
    }
    ::close(fd);
    return parse(text, path);
}

Result<Sheet> joined(const Sheet& sheet, const std::vector<std::int32_t>& fileSectors,
                     bool withSilence, const QString& path) {
    // The PREGAP silence put into file `file` before position `upTo` (inclusive).
    auto silenceIn = [&](int file, std::int64_t upTo) {
        std::int64_t sectors = 0;
        for (const Track& track : sheet.tracks)
            if (withSilence && track.file == file && track.startSector <= upTo)
                sectors += track.pregapSilence;
        return sectors;
    };
    std::vector<std::int64_t> fileStart;
    std::int64_t end = 0;
    for (std::size_t k = 0; k < sheet.files.size(); ++k) {
        fileStart.push_back(end);
        end += (k < fileSectors.size() ? fileSectors[k] : 0) +
               silenceIn(static_cast<int>(k), maxSector);
    }
    auto placed = [&](int file, std::int32_t position) {
        return fileStart[static_cast<std::size_t>(file)] + position + silenceIn(file, position);
    };
    auto pastItsFile = [&](int file, std::int32_t position) {
        const auto k = static_cast<std::size_t>(file);
        return k >= fileSectors.size() || position >= fileSectors[k];
    };

    Sheet out = sheet;
    out.files = {DataFile{sheet.dataFile, QStringLiteral("BINARY")}};
    out.fileType = QStringLiteral("BINARY");
    for (std::size_t t = 0; t < sheet.tracks.size(); ++t) {
        const Track& track = sheet.tracks[t];
        Track& into = out.tracks[t];
        bool past = pastItsFile(track.file, track.startSector) ||
                    (track.pregapStart >= 0 && pastItsFile(track.pregapFile, track.pregapStart));
        for (const std::int32_t later : track.laterIndexes)
            past = past || pastItsFile(track.file, later);
        if (past)
            return VortanError(VortanError::InvalidArgument, errorSource,
                               QCoreApplication::translate(
                                   "cuesheet", "%1: an INDEX of track %2 lies past the end of its "
                                               "file")
                                   .arg(path)
                                   .arg(track.number));
        const std::int64_t start = placed(track.file, track.startSector);
        if (start > maxSector)
            return VortanError(VortanError::InvalidArgument, errorSource,
                               QCoreApplication::translate(
                                   "cuesheet", "%1: track %2 starts past 99:59:74 of the files "
                                               "joined")
                                   .arg(path)
                                   .arg(track.number));
        into.file = into.pregapFile = 0;
        into.startSector = static_cast<std::int32_t>(start);
        if (track.pregapStart >= 0)
            into.pregapStart =
                static_cast<std::int32_t>(placed(track.pregapFile, track.pregapStart));
        else if (withSilence && track.pregapSilence > 0)
            into.pregapStart = static_cast<std::int32_t>(start - track.pregapSilence);
        for (std::int32_t& later : into.laterIndexes)
            later = static_cast<std::int32_t>(placed(track.file, later));
        if (withSilence)
            into.pregapSilence = 0;
    }
    return out;
}

QByteArray forLibrary(const Sheet& sheet, int trackCount, const QString& dataFile) {
    QByteArray out = "FILE \"" + nativepath::encode(dataFile) + "\" BINARY\n";
    const auto count = std::min<std::size_t>(static_cast<std::size_t>(std::max(trackCount, 0)),
                                             sheet.tracks.size());
    for (std::size_t i = 0; i < count; ++i) {
        const Track& track = sheet.tracks[i];
        out += "  TRACK " + QByteArray::number(static_cast<int>(i) + 1).rightJustified(2, '0') +
               (track.audio ? " AUDIO\n" : " MODE1/2352\n");
        out += "    INDEX 01 " + msfText(track.startSector) + '\n';
    }
    return out;
}

QString decodedText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : decoded;
}

} // namespace cuesheet
