#include "engine/platform/id3tag/tagconventions.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace audiotags::detail {

namespace {

const QString errorSource = QStringLiteral("Audio tags");

// The bytes of the ID3v2 tag whose first ten bytes are `head` (header, body, footer).
long id3v2Bytes(const TagLib::ByteVector& head) {
    const auto byte = [&head](unsigned i) { return static_cast<unsigned char>(head[i]); };
    return 10 +
           ((byte(6) & 0x7f) << 21 | (byte(7) & 0x7f) << 14 | (byte(8) & 0x7f) << 7 |
            (byte(9) & 0x7f)) +
           ((byte(5) & 0x10) ? 10 : 0);
}

std::optional<double> decibels(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+))\\s*(?:dB)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toDouble();
}

} // namespace

VortanError tagError(int number, const QString& path, const QString& why) {
    return VortanError(number, errorSource, QStringLiteral("%1: %2").arg(path, why));
}

QString mimeFromData(const QByteArray& data) {
    if (data.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("image/png");
    return {};
}

QString mimeOf(const Picture& picture) {
    return picture.mimeType.isEmpty() ? mimeFromData(picture.data) : picture.mimeType;
}

std::optional<Gain> gainOf(const QString& gainText, const QString& peakText) {
    const std::optional<double> db = decibels(gainText);
    if (!db)
        return std::nullopt;
    bool ok = false;
    const double peak = peakText.trimmed().toDouble(&ok);
    return Gain{*db, ok && peak > 0 ? peak : 0};
}

std::optional<Gain> r128Gain(const QString& text) {
    bool ok = false;
    const int q78 = text.trimmed().toInt(&ok);
    if (!ok || q78 < -32768 || q78 > 32767)
        return std::nullopt;
    return Gain{q78 / 256.0 + 5.0, 0};
}

QString r128Text(double gainDb) {
    const double q78 = std::round((gainDb - 5.0) * 256.0);
    return QString::number(static_cast<int>(std::clamp(q78, -32768.0, 32767.0)));
}

QString gainText(double gainDb) {
    return QString::asprintf("%+.2f dB", gainDb);
}

QString peakText(const std::optional<Gain>& gain) {
    return gain && gain->peak > 0 ? QString::asprintf("%.6f", gain->peak) : QString();
}

Kind kindOf(TagLib::IOStream& stream) {
    struct Rewind {
        TagLib::IOStream& stream;
        ~Rewind() { stream.seek(0); }
    } rewind{stream};
    stream.seek(0);
    TagLib::ByteVector head = stream.readBlock(12);
    // An ID3v2 tag may stand before MPEG audio and (against the format) before FLAC.
    if (head.size() >= 10 && head.startsWith("ID3")) {
        stream.seek(id3v2Bytes(head));
        return stream.readBlock(4) == "fLaC" ? Kind::Flac : Kind::Mpeg;
    }
    if (head.size() < 12)
        return Kind::Unknown;
    if (head.startsWith("fLaC"))
        return Kind::Flac;
    if (head.startsWith("OggS")) {
        stream.seek(0);
        const TagLib::ByteVector page = stream.readBlock(512);
        // The first packet starts after the page header and its segment table.
        const unsigned segments = page.size() > 26 ? static_cast<unsigned char>(page[26]) : 0;
        const TagLib::ByteVector packet = page.mid(27 + segments, 16);
        if (packet.startsWith("OpusHead"))
            return Kind::OggOpus;
        if (packet.startsWith("\x01vorbis"))
            return Kind::OggVorbis;
        if (packet.startsWith("\177FLAC"))
            return Kind::OggFlac;
        return Kind::Unknown;
    }
    if (head.mid(4, 4) == "ftyp")
        return Kind::Mp4;
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return Kind::Wav;
    if (head.startsWith("FORM") && (head.mid(8, 4) == "AIFF" || head.mid(8, 4) == "AIFC"))
        return Kind::Aiff;
    if (head.startsWith("wvpk"))
        return Kind::WavPack;
    if (static_cast<unsigned char>(head[0]) == 0xff &&
        (static_cast<unsigned char>(head[1]) & 0xe0) == 0xe0)
        return Kind::Mpeg;
    return Kind::Unknown;
}

long flacAudioStart(TagLib::IOStream& stream) {
    stream.seek(0);
    const TagLib::ByteVector head = stream.readBlock(10);
    long at = head.size() == 10 && head.startsWith("ID3") ? id3v2Bytes(head) : 0;
    stream.seek(at);
    if (stream.readBlock(4) != "fLaC")
        return 0;
    at += 4;
    const long length = stream.length();
    for (bool last = false; !last;) {
        stream.seek(at);
        const TagLib::ByteVector block = stream.readBlock(4);
        if (block.size() < 4)
            return 0;
        last = (static_cast<unsigned char>(block[0]) & 0x80) != 0;
        at += 4 + static_cast<long>(block.toUInt(1U, 3U, true));
        if (at > length)
            return 0;
    }
    return at;
}

} // namespace audiotags::detail
