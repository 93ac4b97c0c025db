#include "engine/platform/nativepath.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace nativepath {

namespace {

constexpr char16_t escapeBase = 0xDC00; // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

bool continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `p` (`left` bytes available), 0 when there is
// none: overlong forms, surrogates and code points above U+10FFFF are not valid.
int sequenceLength(const unsigned char* p, qsizetype left) {
    const unsigned char lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if (!continuation(p[i]))
            return 0;
    return length;
}

char32_t codePoint(const unsigned char* p, int length) {
    switch (length) {
    case 1:
        return p[0];
    case 2:
        return (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    case 3:
        return (char32_t(p[0] & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    default:
        return (char32_t(p[0] & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
               (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    }
}

void appendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out.append(static_cast<char>(c));
    } else if (c < 0x800) {
        out.append(static_cast<char>(0xC0 | (c >> 6)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(static_cast<char>(0xE0 | (c >> 12)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (c >> 18)));
        out.append(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool statPath(const QString& path, struct stat& info) {
    return ::stat(encode(path).constData(), &info) == 0;
}

} // namespace

QByteArray encode(const QString& path) {
    QByteArray out;
    out.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = path.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < n && path.at(i + 1).isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, path.at(i + 1).unicode()));
            ++i;
        } else if (unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF) {
            out.append(static_cast<char>(unit - escapeBase)); // a byte decode() kept
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(out, QChar::ReplacementCharacter); // no byte stands behind it
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

QString decode(const char* bytes, qsizetype size) {
    QString out;
    out.reserve(size);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    for (qsizetype i = 0; i < size;) {
        const int length = sequenceLength(p + i, size - i);
        if (length == 0) {
            out.append(QChar(static_cast<char16_t>(escapeBase + p[i])));
            ++i;
            continue;
        }
        const char32_t c = codePoint(p + i, length);
        if (c >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(c)));
            out.append(QChar(QChar::lowSurrogate(c)));
        } else {
            out.append(QChar(static_cast<char16_t>(c)));
        }
        i += length;
    }
    return out;
}

QString decode(const QByteArray& bytes) {
    return decode(bytes.constData(), bytes.size());
}

QString decode(const char* zeroTerminated) {
    return zeroTerminated ? decode(zeroTerminated, qsizetype(std::strlen(zeroTerminated)))
                          : QString();
}

bool exists(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::lstat(encode(path).constData(), &info) == 0;
}

bool isFile(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && statPath(path, info) && S_ISREG(info.st_mode);
}

bool isDir(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && statPath(path, info) && S_ISDIR(info.st_mode);
}

std::int64_t fileSize(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || !statPath(path, info))
        return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool openForReading(QFile& file, const QString& path, int* error) {
    const int fd = path.isEmpty() ? -1 : ::open(encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = path.isEmpty() ? ENOENT : errno;
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = EIO;
        return false;
    }
    return true;
}

QString currentFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return QDir::currentPath();
        buffer.resize(buffer.size() * 2);
    }
    return decode(buffer.data());
}

QString absolute(const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    return QDir::cleanPath(currentFolder() + QLatin1Char('/') + path);
}

QString canonical(const QString& path) {
    char* resolved = ::realpath(encode(path).constData(), nullptr);
    if (!resolved)
        return {};
    const QString result = decode(resolved);
    std::free(resolved);
    return result;
}

bool makeFolders(const QString& path) {
    const QString full = absolute(path);
    qsizetype from = 1;
    while (from <= full.size()) {
        qsizetype slash = full.indexOf(QLatin1Char('/'), from);
        if (slash < 0)
            slash = full.size();
        const QByteArray step = encode(full.left(slash));
        if (::mkdir(step.constData(), 0777) != 0 && errno != EEXIST)
            return false;
        from = slash + 1;
    }
    return isDir(full);
}

QStringList arguments(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << decode(argv[i]);
    return list;
}

} // namespace nativepath
