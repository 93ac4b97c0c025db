#include "platform/akrip/cuesheet.h"

#include <QFile>

#include <optional>

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

// "mm:ss:ff" as a sector count (75 per second).
std::optional<std::int32_t> msf(const QByteArray& text) {
    const QList<QByteArray> parts = text.split(':');
    if (parts.size() != 3)
        return std::nullopt;
    const auto m = number(parts[0], 4);
    const auto s = number(parts[1], 2);
    const auto f = number(parts[2], 2);
    if (!m || !s || !f || *s >= 60 || *f >= 75)
        return std::nullopt;
    return (*m * 60 + *s) * 75 + *f;
}

VortanError notACueSheet(const QString& path) {
    return VortanError(VortanError::InvalidArgument, errorSource,
                       QStringLiteral("%1 is not a cue sheet").arg(path));
}

VortanError malformed(const QString& path, int lineNumber, const QString& what) {
    return VortanError(VortanError::InvalidArgument, errorSource,
                       QStringLiteral("%1 is not a valid cue sheet: line %2: %3")
                           .arg(path)
                           .arg(lineNumber)
                           .arg(what));
}

} // namespace

Result<Sheet> parse(const QByteArray& text, const QString& path) {
    if (text.contains('\0'))
        return notACueSheet(path);
    Sheet sheet;
    bool haveFile = false;
    bool trackHasStart = true;
    int lineNumber = 0;
    for (const QByteArray& rawLine : text.split('\n')) {
        ++lineNumber;
        const std::vector<QByteArray> words = tokens(rawLine.trimmed());
        if (words.empty())
            continue;
        const QByteArray& keyword = words[0];
        if (is(keyword, "FILE")) {
            if (haveFile)
                return VortanError(VortanError::InvalidArgument, errorSource,
                                   QStringLiteral("%1 names several data files; only "
                                                  "single-file images can be opened")
                                       .arg(path));
            if (words.size() != 3 || words[1].isEmpty())
                return malformed(path, lineNumber,
                                 QStringLiteral("FILE needs a file name and a type"));
            haveFile = true;
            sheet.dataFile = QFile::decodeName(words[1]);
            sheet.fileType = QString::fromLatin1(words[2].toUpper());
        } else if (is(keyword, "TRACK")) {
            if (!haveFile)
                return malformed(path, lineNumber, QStringLiteral("TRACK before any FILE"));
            const auto trackNumber = words.size() == 3 ? number(words[1], 2) : std::nullopt;
            if (!trackNumber || *trackNumber < 1)
                return malformed(path, lineNumber,
                                 QStringLiteral("TRACK needs a number 1..99 and a mode"));
            if (!sheet.tracks.empty() && *trackNumber != sheet.tracks.back().number + 1)
                return malformed(path, lineNumber,
                                 QStringLiteral("track %1 does not follow track %2")
                                     .arg(*trackNumber)
                                     .arg(sheet.tracks.back().number));
            if (!trackHasStart)
                return malformed(
                    path, lineNumber,
                    QStringLiteral("track %1 has no INDEX 01").arg(sheet.tracks.back().number));
            const QByteArray mode = words[2].toUpper();
            // Every sector of the file is 2,352 bytes: raw audio or raw data sectors.
            if (mode != "AUDIO" && mode != "MODE1/2352" && mode != "MODE2/2352")
                return malformed(path, lineNumber,
                                 QStringLiteral("track mode %1 is not supported")
                                     .arg(QString::fromLatin1(mode)));
            sheet.tracks.push_back(Track{*trackNumber, mode == "AUDIO", 0});
            trackHasStart = false;
        } else if (is(keyword, "INDEX")) {
            if (sheet.tracks.empty())
                return malformed(path, lineNumber, QStringLiteral("INDEX before any TRACK"));
            const auto index = words.size() == 3 ? number(words[1], 2) : std::nullopt;
            const auto start = words.size() == 3 ? msf(words[2]) : std::nullopt;
            if (!index || !start)
                return malformed(path, lineNumber,
                                 QStringLiteral("INDEX needs a number and mm:ss:ff"));
            if (*index != 1)
                continue;
            if (sheet.tracks.size() > 1 &&
                *start < sheet.tracks[sheet.tracks.size() - 2].startSector)
                return malformed(path, lineNumber,
                                 QStringLiteral("track %1 starts before the track before it")
                                     .arg(sheet.tracks.back().number));
            sheet.tracks.back().startSector = *start;
            trackHasStart = true;
        }
    }
    if (!haveFile || sheet.tracks.empty())
        return notACueSheet(path);
    if (!trackHasStart)
        return malformed(
            path, lineNumber,
            QStringLiteral("track %1 has no INDEX 01").arg(sheet.tracks.back().number));
    return sheet;
}

Result<Sheet> read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return VortanError(VortanError::FileNotFound, errorSource,
                           QStringLiteral("%1 cannot be opened").arg(path));
    if (file.size() > maxSheetBytes)
        return notACueSheet(path);
    const QByteArray text = file.read(maxSheetBytes);
    auto sheet = parse(text, path);
    if (sheet)
        sheet.value().text = text;
    return sheet;
}

QByteArray forLibrary(const QByteArray& text, const QString& dataFile) {
    QByteArray out;
    out.reserve(text.size() + dataFile.size());
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const std::vector<QByteArray> words = tokens(line.trimmed());
        if (!words.empty() && is(words[0], "FILE") && words.size() == 3) {
            line = "FILE \"" + QFile::encodeName(dataFile) + "\" " + words[2].toUpper();
        } else if (!words.empty() && is(words[0], "TRACK")) {
            line = line.toUpper();
        } else if (!words.empty()) {
            const qsizetype start = line.indexOf(words[0]);
            line.replace(start, words[0].size(), words[0].toUpper());
        }
        out += line;
        if (i + 1 < lines.size())
            out += '\n';
    }
    return out;
}

} // namespace cuesheet
