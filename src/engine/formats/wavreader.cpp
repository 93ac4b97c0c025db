#include "engine/formats/wavreader.h"

#include "engine/formats/clsfileio.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <cstring>

namespace {

std::uint32_t u32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
std::uint16_t u16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

VortanError bad(const QString& path, const char* why) {
    return VortanError(VortanError::InvalidArgument, QStringLiteral("WAV reader"),
                       QStringLiteral("%1: %2").arg(path, QString::fromLatin1(why)));
}

// Bytes 2..15 of every WAVE format family GUID (xxxxxxxx-0000-0010-8000-00AA00389B71, the
// first two bytes holding the format tag) as a file stores them.
constexpr unsigned char waveGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// An INFO entry's text: up to its first zero byte, UTF-8 unless it is not valid UTF-8.
QString infoText(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\0');
    const QByteArray text = end < 0 ? bytes : bytes.left(end);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(text);
    if (utf8.hasError())
        decoded = QString::fromLatin1(text);
    return decoded.trimmed();
}

// The entries of the INFO list whose entries are `list`.
WavInfoTexts infoTexts(const QByteArray& list) {
    WavInfoTexts texts;
    for (qsizetype pos = 0; pos + 8 <= list.size();) {
        const std::uint32_t size = u32(list.constData() + pos + 4);
        if (size > static_cast<std::uint64_t>(list.size() - pos - 8))
            break;
        const QByteArray id = list.mid(pos, 4);
        const QByteArray body = list.mid(pos + 8, size);
        if (id == "INAM" && texts.title.isEmpty())
            texts.title = infoText(body);
        else if (id == "IART" && texts.artist.isEmpty())
            texts.artist = infoText(body);
        else if (id == "IPRD" && texts.album.isEmpty())
            texts.album = infoText(body);
        pos += 8 + size + (size & 1);
    }
    return texts;
}

} // namespace

WavInfoTexts readWavInfoTexts(const QString& path) {
    // An INFO list larger than this is damaged, not text.
    constexpr std::uint32_t largestList = 1 << 20;
    QFile file;
    if (!nativepath::openForReading(file, path))
        return {};
    const std::int64_t fileSize = file.size();
    char riff[12];
    if (file.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return {};
    for (std::int64_t pos = 12; pos + 8 <= fileSize;) {
        char head[12];
        if (!file.seek(pos) || file.read(head, 8) != 8)
            return {};
        const std::uint32_t size = u32(head + 4);
        const std::int64_t body = pos + 8;
        if (body + size > fileSize)
            return {};
        if (std::memcmp(head, "LIST", 4) == 0 && size >= 4 && size <= largestList &&
            file.read(head + 8, 4) == 4 && std::memcmp(head + 8, "INFO", 4) == 0) {
            const QByteArray list = file.read(size - 4);
            return list.size() == static_cast<qsizetype>(size - 4) ? infoTexts(list)
                                                                   : WavInfoTexts{};
        }
        pos = body + size + (size & 1);
    }
    return {};
}

WavSampleType WavFormat::sampleType() const {
    WavSampleType type = WavSampleType::Unsupported;
    if (codingTag() == pcmTag) {
        switch (bitsPerSample) {
        case 8:
            type = WavSampleType::Int8;
            break;
        case 16:
            type = WavSampleType::Int16;
            break;
        case 24:
            type = WavSampleType::Int24;
            break;
        case 32:
            type = WavSampleType::Int32;
            break;
        default:
            break;
        }
    } else if (codingTag() == floatTag) {
        if (bitsPerSample == 32)
            type = WavSampleType::Float32;
        else if (bitsPerSample == 64)
            type = WavSampleType::Float64;
    }
    if (blockAlign != channels * (bitsPerSample / 8))
        return WavSampleType::Unsupported;
    return type;
}

Result<WavFormat> readWavFormat(const QString& path) {
    QFile file;
    int error = 0;
    if (!nativepath::openForReading(file, path, &error))
        return VortanError(VortanError::FileNotFound, QStringLiteral("WAV reader"),
                           QCoreApplication::translate("wavreader", "%1: cannot be opened: %2")
                               .arg(path, fileErrorText(error)));
    const std::int64_t fileSize = file.size();

    char riff[12];
    if (file.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return bad(path, "not a RIFF/WAVE file");

    WavFormat format;
    bool haveFmt = false;
    std::int64_t pos = 12;
    while (true) {
        char head[8];
        if (pos + 8 > fileSize || !file.seek(pos) || file.read(head, 8) != 8)
            return bad(path, haveFmt ? "no \"data\" chunk" : "no \"fmt \" chunk");
        const std::uint32_t size = u32(head + 4);
        const std::int64_t body = pos + 8;

        if (std::memcmp(head, "fmt ", 4) == 0) {
            if (size < 16 || body + 16 > fileSize)
                return bad(path, "the \"fmt \" chunk is damaged or truncated");
            char fmt[40] = {};
            const qint64 want = std::min<std::int64_t>(size, 40);
            if (file.read(fmt, want) != want)
                return bad(path, "the \"fmt \" chunk is damaged or truncated");
            format.formatTag = u16(fmt);
            format.channels = u16(fmt + 2);
            format.sampleRate = u32(fmt + 4);
            format.byteRate = u32(fmt + 8);
            format.blockAlign = u16(fmt + 12);
            format.bitsPerSample = u16(fmt + 14);
            if (format.formatTag == WavFormat::extensibleTag && want >= 40 &&
                std::memcmp(fmt + 26, waveGuidTail, sizeof waveGuidTail) == 0)
                format.subFormatTag = u16(fmt + 24);
            if (format.channels == 0 || format.sampleRate == 0 || format.blockAlign == 0)
                return bad(path, "the \"fmt \" chunk describes no audio");
            haveFmt = true;
        } else if (std::memcmp(head, "data", 4) == 0) {
            if (!haveFmt)
                return bad(path, "the \"data\" chunk comes before the \"fmt \" chunk");
            format.dataOffset = body;
            const std::int64_t present = fileSize - body;
            format.dataLength = std::min<std::int64_t>(size, present);
            format.announcedDataLength = size;
            format.dataTruncated = size > present;
            return format;
        }
        pos = body + size + (size & 1);
    }
}
