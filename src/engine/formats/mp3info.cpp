#include "engine/formats/mp3info.h"

#include "engine/formats/clsfileio.h"
#include "engine/platform/nativepath.h"

#include <QFile>

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace {

const QString errorSource = QStringLiteral("ReadMp3Info");

constexpr std::int64_t minimumFileSize = 256;
constexpr std::int64_t tagBlockBytes = 128; // an ID3v1 block, at the very end
constexpr qsizetype apeFooterBytes = 32;
constexpr std::int64_t frameSearchBytes = 5000;
constexpr std::int64_t headerBytes = 4;
constexpr std::int64_t xingFieldsEnd = 36 + 12; // "Xing", flags word, frame count
// The first bytes any search reads: the frame may start at the last searched byte.
constexpr std::int64_t headWindowBytes = frameSearchBytes - 1 + xingFieldsEnd;
constexpr std::uint32_t xingFramesPresent = 0x1;

// Up to `length` bytes at `offset`; fewer (or none) where the file ends or a read fails.
QByteArray readAt(QFile& file, std::int64_t offset, std::int64_t length) {
    if (!file.seek(offset))
        return {};
    return file.read(length);
}

std::uint8_t byteAt(const QByteArray& bytes, qsizetype index) {
    return static_cast<std::uint8_t>(bytes[index]);
}

// A big-endian 32-bit number at `index` of `bytes`, which must hold it.
std::uint32_t bigEndianAt(const QByteArray& bytes, qsizetype index) {
    return BitsToNumber(BytesToBits(byteAt(bytes, index), byteAt(bytes, index + 1),
                                    byteAt(bytes, index + 2), byteAt(bytes, index + 3)));
}

// Fills the record's VBR flag and frame count from the frame at `frame` of `head`, whose
// 4-byte header is inside `head`.
void readXing(const QByteArray& head, qsizetype frame, Mp3HeaderRecord& record) {
    const bool singleChannel = (byteAt(head, frame + 3) >> 6) == 3;
    const qsizetype xing = frame + (singleChannel ? 21 : 36);
    record.vbr = xing + 8 <= head.size() && head.mid(xing, 4) == "Xing";
    record.vbrFrameCount = 0;
    if (record.vbr && xing + 12 <= head.size() &&
        (bigEndianAt(head, xing + 4) & xingFramesPresent) != 0)
        record.vbrFrameCount = bigEndianAt(head, xing + 8);
}

// The header of the first frame start within the first bytes of `head` as its bit string,
// with the record's Xing state; empty (VBR flag false, frame count 0) when none is there.
QString readFrame(const QByteArray& head, Mp3HeaderRecord& record) {
    const qsizetype searchEnd =
        std::min<qsizetype>(frameSearchBytes, head.size() - (headerBytes - 1));
    for (qsizetype p = 0; p < searchEnd; ++p) {
        const std::uint8_t second = byteAt(head, p + 1);
        if (byteAt(head, p) == 0xFF && (second == 0xFA || second == 0xFB)) {
            readXing(head, p, record);
            return BytesToBits(0xFF, second, byteAt(head, p + 2), byteAt(head, p + 3));
        }
    }
    record.vbr = false;
    record.vbrFrameCount = 0;
    return {};
}

// The tag's fields at their offsets in the 128-byte block `block`, trailing spaces removed.
QString tagText(const QByteArray& block, qsizetype offset, qsizetype length) {
    QByteArray bytes = block.mid(offset, length);
    while (!bytes.isEmpty() && bytes.back() == ' ')
        bytes.chop(1);
    return QString::fromLatin1(bytes);
}

void readTag(const QByteArray& tail, Mp3HeaderRecord& record) {
    record.tagPresent = endsInId3v1(tail);
    if (!record.tagPresent) {
        record.title.clear();
        record.artist.clear();
        record.album.clear();
        record.year.clear();
        record.comment.clear();
        record.track.clear();
        record.genre = 255;
        return;
    }
    const QByteArray block = tail.right(tagBlockBytes);
    record.title = tagText(block, 3, 30);
    record.artist = tagText(block, 33, 30);
    record.album = tagText(block, 63, 30);
    record.year = tagText(block, 93, 4);
    record.comment = tagText(block, 97, 29);
    record.track = tagText(block, 126, 1);
    // The genre is a number, so a space byte is genre 32, not a blank to remove.
    record.genre = byteAt(block, 127);
}

constexpr std::int64_t id3v2HeaderBytes = 10;

// ISO/IEC 11172-3 bit rates in kbit/s by layer (I, II, III) and bitrate index 0-14; index 0
// is free format.
constexpr std::array<std::array<std::int16_t, 15>, 3> mpeg1BitRates{{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
}};

// ISO/IEC 11172-3 and 13818-3 figures of a frame header (`header`, its four bytes as one
// big-endian number), for telling what kind of MPEG audio a file holds.
struct FrameFacts {
    std::int16_t version = 0; // 1, 2 or 25
    std::int16_t layer = 0;   // 1, 2 or 3
    std::int32_t frequency = 0;
    std::int16_t bitRateKbps = 0; // 0 for free format
    qsizetype length = 0;         // bytes, padding included; 0 when it cannot be known
};

// The facts of a valid header; nullopt for reserved codes and bitrate index 15.
std::optional<FrameFacts> frameFacts(std::uint32_t header) {
    static constexpr std::int16_t versions[] = {25, 0, 2, 1};
    static constexpr std::int16_t layers[] = {0, 3, 2, 1};
    static constexpr std::int32_t mpeg1Frequencies[] = {44100, 48000, 32000, 0};
    static constexpr std::array<std::int16_t, 15> mpeg2Layer1{0,   32,  48,  56,  64,  80,  96, 112,
                                                              128, 144, 160, 176, 192, 224, 256};
    static constexpr std::array<std::int16_t, 15> mpeg2Layers2And3{
        0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    FrameFacts f;
    f.version = versions[(header >> 19) & 3];
    f.layer = layers[(header >> 17) & 3];
    const std::uint32_t index = (header >> 12) & 15;
    const std::uint32_t rate = (header >> 10) & 3;
    if (f.version == 0 || f.layer == 0 || index == 15 || rate == 3)
        return std::nullopt;
    f.frequency = mpeg1Frequencies[rate] >> (f.version == 1 ? 0 : f.version == 2 ? 1 : 2);
    if (f.version == 1)
        f.bitRateKbps = mpeg1BitRates[static_cast<std::size_t>(f.layer - 1)][index];
    else
        f.bitRateKbps = f.layer == 1 ? mpeg2Layer1[index] : mpeg2Layers2And3[index];
    const std::int64_t padding = (header >> 9) & 1;
    const std::int64_t bitsPerSecond = std::int64_t{f.bitRateKbps} * 1000;
    if (f.layer == 1)
        f.length = static_cast<qsizetype>((12 * bitsPerSecond / f.frequency + padding) * 4);
    else if (f.layer == 3 && f.version != 1)
        f.length = static_cast<qsizetype>(72 * bitsPerSecond / f.frequency + padding);
    else
        f.length = static_cast<qsizetype>(144 * bitsPerSecond / f.frequency + padding);
    return f;
}

std::uint32_t headerAt(const QByteArray& head, qsizetype p) {
    return std::uint32_t{byteAt(head, p)} << 24 | std::uint32_t{byteAt(head, p + 1)} << 16 |
           std::uint32_t{byteAt(head, p + 2)} << 8 | byteAt(head, p + 3);
}

// The first frame within the frame search's reach of `head` that the next frame confirms (a
// valid header where the frame's length says, of the same version, layer and sampling
// frequency): the kind of MPEG audio the file really holds, whatever chance sync words come
// before it. 0 when there is none.
std::uint32_t firstConfirmedFrame(const QByteArray& head) {
    constexpr std::uint32_t kindMask = 0xFFFE0C00; // sync, version, layer, sampling index
    const qsizetype searchEnd =
        std::min<qsizetype>(frameSearchBytes, head.size() - (headerBytes - 1));
    for (qsizetype p = 0; p < searchEnd; ++p) {
        if (byteAt(head, p) != 0xFF || (byteAt(head, p + 1) & 0xE0) != 0xE0)
            continue;
        const std::uint32_t header = headerAt(head, p);
        const auto facts = frameFacts(header);
        if (!facts || facts->length == 0)
            continue;
        const qsizetype next = p + facts->length;
        if (next + headerBytes > head.size())
            continue;
        const std::uint32_t following = headerAt(head, next);
        if ((following & kindMask) == (header & kindMask) && frameFacts(following))
            return header;
    }
    return 0;
}

struct Scan {
    std::int64_t fileSize = 0;
    std::int64_t audioSize = 0;  // after an ID3v2 tag at the start
    QString bits;                // empty: no header read or none found
    std::uint32_t confirmed = 0; // the first confirmed frame's header (firstConfirmedFrame)
};

Scan scan(const QString& path, bool wantTag, bool wantHeader, Mp3HeaderRecord& record) {
    QFile file;
    int error = 0;
    if (!nativepath::openForReading(file, path, &error))
        throw VortanError(VortanError::FileNotFound, errorSource,
                          QCoreApplication::translate("mp3info", "%1: cannot be opened: %2")
                              .arg(path, fileErrorText(error)));
    Scan result;
    result.fileSize = file.size();
    if (result.fileSize < minimumFileSize)
        return result;
    const std::int64_t tagBytes =
        std::min(id3v2TagBytes(readAt(file, 0, id3v2HeaderBytes)), result.fileSize);
    result.audioSize = result.fileSize - tagBytes;
    if (wantHeader) {
        const QByteArray head = readAt(file, tagBytes, headWindowBytes);
        result.bits = readFrame(head, record);
        result.confirmed = firstConfirmedFrame(head);
    }
    if (wantTag) {
        const QByteArray tail = readAt(file, result.fileSize - tagBlockBytes, tagBlockBytes);
        if (tail.size() == tagBlockBytes) // a failed read leaves the tag as it was
            readTag(tail, record);
    }
    return result;
}

[[noreturn]] void fail(int number, const QString& path, const QString& why) {
    throw VortanError(number, errorSource, QStringLiteral("%1: %2").arg(path, why));
}

// Header bits `first` to `last` (1-based, counted from the most significant bit).
std::uint32_t bits(std::uint32_t header, int first, int last) {
    return (header >> (32 - last)) & ((1u << (last - first + 1)) - 1);
}

QString yesNo(std::uint32_t bit) {
    return bit ? QStringLiteral("yes") : QStringLiteral("no");
}

// The mode, emphasis and flag texts of `header`.
void fillFlags(Mp3HeaderRecord& record, std::uint32_t header) {
    static constexpr const char* modes[] = {"stereo", "joint stereo", "dual channel",
                                            "single channel"};
    static constexpr const char* emphases[] = {"no", "50/15", "reserved", "CCITT J 17"};
    record.mode = QString::fromLatin1(modes[bits(header, 25, 26)]);
    record.emphasis = QString::fromLatin1(emphases[bits(header, 31, 32)]);
    record.padding = yesNo(bits(header, 23, 23));
    record.crc = yesNo(!bits(header, 16, 16));
    record.copyright = yesNo(bits(header, 29, 29));
    record.original = yesNo(bits(header, 30, 30));
    record.privateBit = yesNo(bits(header, 24, 24));
}

// "MPEG-2 Layer III", "MPEG-2.5 Layer III", "MPEG-1 Layer II".
QString kindName(const FrameFacts& facts) {
    static constexpr const char* layerNames[] = {"", "I", "II", "III"};
    const QString version =
        facts.version == 25 ? QStringLiteral("2.5") : QString::number(facts.version);
    return QStringLiteral("MPEG-%1 Layer %2")
        .arg(version, QString::fromLatin1(layerNames[facts.layer]));
}

void clearHeader(Mp3HeaderRecord& record) {
    record.bitRateKbps = 0;
    record.samplingFrequencyHz = 0;
    record.mode.clear();
    record.emphasis.clear();
    record.mpegVersion = 0;
    record.layer = 0;
    record.padding.clear();
    record.crc.clear();
    record.durationSeconds = 0;
    record.copyright.clear();
    record.original.clear();
    record.privateBit.clear();
}

} // namespace

Mp3HeaderRecord& sharedMp3Header() {
    static Mp3HeaderRecord record;
    return record;
}

bool endsInId3v1(const QByteArray& tail) {
    if (tail.size() < tagBlockBytes || tail.mid(tail.size() - tagBlockBytes, 3) != "TAG")
        return false;
    // A file that ends in an APEv2 footer ends in that tag: "TAG" inside it is its data.
    return !tail.right(apeFooterBytes).startsWith("APETAGEX");
}

std::int64_t id3v2TagBytes(const QByteArray& head) {
    if (head.size() < id3v2HeaderBytes || !head.startsWith("ID3") || byteAt(head, 3) == 0xFF ||
        byteAt(head, 4) == 0xFF)
        return 0;
    std::int64_t size = 0;
    for (qsizetype i = 6; i < 10; ++i) {
        if (byteAt(head, i) >= 0x80)
            return 0;
        size = size << 7 | byteAt(head, i);
    }
    const bool footer = byteAt(head, 3) >= 4 && (byteAt(head, 5) & 0x10) != 0;
    return id3v2HeaderBytes + size + (footer ? id3v2HeaderBytes : 0);
}

std::int64_t sizeAfterId3v2(const QString& path) {
    QFile file;
    if (!nativepath::openForReading(file, path))
        return -1;
    const std::int64_t size = file.size();
    return size - std::min(id3v2TagBytes(readAt(file, 0, id3v2HeaderBytes)), size);
}

QString BytesToBits(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3,
                    std::uint8_t byte4) {
    const std::uint32_t value = (std::uint32_t{byte1} << 24) | (std::uint32_t{byte2} << 16) |
                                (std::uint32_t{byte3} << 8) | byte4;
    return QString::number(value, 2);
}

std::uint32_t BitsToNumber(QStringView bits) {
    std::uint32_t value = 0;
    const qsizetype n = bits.size();
    for (qsizetype i = std::max<qsizetype>(0, n - 32); i < n; ++i) {
        if (bits[i] == u'1')
            value |= std::uint32_t{1} << (n - 1 - i);
    }
    return value;
}

QString ScanFrameAndTag(const QString& path, bool readTag, bool readHeader,
                        Mp3HeaderRecord& record) {
    return scan(path, readTag, readHeader, record).bits;
}

void ReadMp3Info(const QString& path, bool readTag, bool readHeader, Mp3HeaderRecord& record) {
    const Scan found = scan(path, readTag, readHeader, record);
    if (!readHeader || found.fileSize < minimumFileSize)
        return;
    if (const auto other = found.confirmed ? frameFacts(found.confirmed) : std::nullopt;
        other && (other->version != 1 || other->layer != 3)) {
        // Another kind of MPEG audio: say what it is rather than measuring a chance sync word.
        const std::uint32_t header = found.confirmed;
        clearHeader(record);
        record.vbr = false;
        record.vbrFrameCount = 0;
        record.mpegVersion = other->version;
        record.layer = other->layer;
        record.samplingFrequencyHz = other->frequency;
        record.bitRateKbps = other->bitRateKbps;
        fillFlags(record, header);
        fail(VortanError::InvalidArgument, path,
             QCoreApplication::translate(
                 "mp3info", "not an MPEG-1 Layer III file: its frames are %1 at %2 Hz (only "
                            "MPEG-1 Layer III files are measured)")
                 .arg(kindName(*other), QLocale(QLocale::English).toString(other->frequency)));
    }
    if (found.bits.isEmpty()) {
        clearHeader(record);
        fail(VortanError::InvalidArgument, path,
             QCoreApplication::translate(
                 "mp3info", "no MPEG-1 Layer III frame starts within the first 5,000 bytes"));
    }
    const std::uint32_t header = BitsToNumber(found.bits);
    const std::int64_t size = found.audioSize;

    static constexpr std::int16_t versions[] = {25, 0, 2, 1};
    static constexpr std::int16_t layers[] = {0, 3, 2, 1};
    static constexpr std::int32_t frequencies[] = {44100, 48000, 32000, 0};
    const std::int16_t version = versions[bits(header, 12, 13)];
    const std::int16_t layer = layers[bits(header, 14, 15)];
    // The frame search accepts MPEG-1 Layer III only; anything else is not measured.
    if (version != 1 || layer == 0)
        fail(VortanError::InvalidArgument, path,
             QCoreApplication::translate("mp3info",
                                         "only MPEG-1 Layer I, II and III headers are measured"));
    const std::int32_t frequency = frequencies[bits(header, 21, 22)];
    // A frame's length in bytes is coefficient x bit rate (bit/s) / sampling frequency.
    const std::int64_t coefficient = layer == 1 ? 12 : 144;

    std::int64_t bitRate = 0;
    std::int64_t duration = 0;
    if (record.vbr) {
        const std::int64_t frames = record.vbrFrameCount;
        if (frames <= 0)
            fail(VortanError::InvalidArgument, path,
                 QCoreApplication::translate("mp3info", "the Xing header gives no frame count"));
        if (frequency == 0)
            fail(VortanError::InvalidArgument, path,
                 QCoreApplication::translate(
                     "mp3info", "a VBR file with the reserved sampling frequency index"));
        // No frame is shorter than one at the lowest bit rate, 32 kbit/s: a count the file's
        // size cannot hold is damaged, and would give a wild duration.
        const std::int64_t shortestFrame = coefficient * 32'000 / frequency;
        if (frames > size / shortestFrame)
            fail(VortanError::InvalidArgument, path,
                 QCoreApplication::translate(
                     "mp3info", "the Xing header counts %1 frames, more than the file's %2 "
                                "bytes of audio can hold: it is damaged")
                     .arg(frames)
                     .arg(size));
        if (size > std::numeric_limits<std::int64_t>::max() / frequency)
            fail(VortanError::Overflow, path,
                 QCoreApplication::translate("mp3info", "the file is too large"));
        // size x frequency / (frames x 1,000 x coefficient), to the nearest, halves to even.
        const std::int64_t numerator = size * frequency;
        const std::int64_t denominator = frames * 1000 * coefficient;
        bitRate = numerator / denominator;
        const std::int64_t rest = numerator % denominator;
        if (2 * rest > denominator || (2 * rest == denominator && bitRate % 2 == 1))
            ++bitRate;
        if (bitRate > std::numeric_limits<std::int16_t>::max())
            fail(VortanError::Overflow, path,
                 QCoreApplication::translate(
                     "mp3info", "an average bit rate of %1 kbit/s: the Xing frame count is "
                                "damaged")
                     .arg(bitRate));
        // size x 8 / unrounded bit rate / 1,000, in which the size cancels out.
        duration = 8 * frames * coefficient / frequency;
    } else {
        const std::uint32_t index = bits(header, 17, 20);
        if (index == 15)
            fail(VortanError::InvalidArgument, path,
                 QCoreApplication::translate("mp3info",
                                             "the frame header's bitrate index 15 is not allowed"));
        if (index == 0)
            fail(VortanError::InvalidArgument, path,
                 QCoreApplication::translate("mp3info",
                                             "a free-format frame has no bit rate to measure"));
        bitRate = mpeg1BitRates[layer - 1][index];
        duration = size * 8 / (bitRate * 1000);
    }

    record.bitRateKbps = static_cast<std::int16_t>(bitRate);
    record.samplingFrequencyHz = frequency;
    record.mpegVersion = version;
    record.layer = layer;
    record.durationSeconds = duration;
    fillFlags(record, header);
}
