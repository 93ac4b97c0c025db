#pragma once

#include "engine/platform/error.h"

#include <QString>
#include <QStringView>

#include <cstdint>

// What the analysis of one MP3 file leaves behind: the values of its first MPEG-1 Layer III
// frame header, its ID3v1 tag, and whether the frame carries a Xing VBR header.
//
// The header values are written together, and only by a ReadMp3Info that decoded a header
// (or found none, see ReadMp3Info). The tag values are written by every run asked to read
// the tag of a file of 256 bytes or more. Flag texts are "yes" or "no".
struct Mp3HeaderRecord {
    // Header values.
    // From the header's bitrate index, or the rounded average of a VBR file.
    std::int16_t bitRateKbps = 0;
    std::int32_t samplingFrequencyHz = 0; // 0 for the reserved sampling index
    QString mode;                 // "stereo", "joint stereo", "dual channel", "single channel"
    QString emphasis;             // "no", "50/15", "reserved", "CCITT J 17"
    std::int16_t mpegVersion = 0; // 1, 2, 25 (for 2.5); 0 for the reserved code
    std::int16_t layer = 0;       // 1, 2, 3; 0 for the reserved code
    QString padding;
    QString crc; // "yes" when the frame is protected by a CRC (protection bit 0)
    std::int64_t durationSeconds = 0; // whole seconds
    QString copyright;
    QString original;
    QString privateBit;

    // ID3v1 tag. Texts are ISO-8859-1, one character per byte, trailing spaces removed
    // (zero bytes are kept).
    bool tagPresent = false;
    QString title;            // up to 30 characters
    QString artist;           // up to 30
    QString album;            // up to 30
    QString year;             // up to 4
    QString comment;          // up to 29
    std::int16_t genre = 255; // the genre byte; 255 when there is no tag
    QString track; // the character at tag offset 126 (the ID3v1.1 track byte), as a character

    // Xing state of the first frame.
    bool vbr = false;               // the frame carries a "Xing" header
    std::int64_t vbrFrameCount = 0; // its frame count; 0 when it carries none
};

// The one record the player's tag and header panel shows. GUI thread only.
Mp3HeaderRecord& sharedMp3Header();

// Analyses the MP3 file at `path` into `record`: with `readHeader`, the first MPEG-1
// Layer III frame header (and its Xing header) becomes the header values; with `readTag`,
// the ID3v1 tag becomes the tag values. Only reads; the file is never created or written.
//
// - A file shorter than 256 bytes is no MP3 to analyse: nothing changes, nothing is raised.
// - A file that cannot be opened raises VortanError FileNotFound; nothing changes.
// - An ID3v2 tag at the file's start is stepped over by the size its header gives: the frame
//   search starts after it, and "file size" below is the size after it, so a tag in front
//   changes no header value (and its texts cannot pass for a frame start).
// - No frame start within the first 5,000 bytes (a 0xFF byte followed by 0xFA or 0xFB, with
//   the whole 4-byte header inside the file): the file holds no header to report, so the
//   header values become the empty header (numbers 0, texts empty, VBR flag false, frame
//   count 0) rather than keeping another file's values or decoding arbitrary bytes; the tag
//   is still read; then VortanError InvalidArgument is raised. A caller that shows the
//   record regardless shows zeros and blanks.
// - A file whose first frame that the next one confirms (a valid header where the frame's
//   length says, of the same kind) is another kind of MPEG audio (MPEG-2, MPEG-2.5, or
//   another layer) is not measured, whatever chance sync words come before: the header
//   values become what that frame says (version, layer, sampling frequency, its table's bit
//   rate, mode and flags; duration 0, VBR flag false), and VortanError InvalidArgument
//   names the kind ("not an MPEG-1 Layer III file: its frames are MPEG-2 Layer III at
//   22,050 Hz ...").
// - A header that cannot be measured raises VortanError and leaves every header value as
//   it was (the tag values, VBR flag and frame count are already updated): bitrate index
//   15 or free format (index 0) in a constant-bitrate file; a Xing header whose frame
//   count is 0 or absent (its flags say so), or larger than the audio's size can hold at
//   the shortest frame there is (32 kbit/s): a damaged count; a Xing header with the
//   reserved sampling index; an average bit rate above 32,767 kbit/s (Overflow).
//
// Every error names "ReadMp3Info" as its source and the path in its description.
//
// Sizes and counts are 64-bit: files of 256 MB and more, and Xing frame counts up to
// 2^32 - 1, work. A constant bit rate comes from the ISO/IEC 11172-3 tables. A VBR bit
// rate is file size x sampling frequency / (frame count x 1,000 x 144) (12 for layer I),
// rounded to the nearest, halves to even; the duration is file size x 8 / unrounded bit
// rate / 1,000 seconds, rounded down.
void ReadMp3Info(const QString& path, bool readTag, bool readHeader,
                 Mp3HeaderRecord& record = sharedMp3Header());

// The file-reading half of ReadMp3Info: returns the first frame's header as BytesToBits
// gives it (32 characters), or an empty text when `readHeader` is false, the file is
// shorter than 256 bytes or no frame start was found. With `readHeader` it sets the record's
// VBR flag and frame count; with `readTag` it fills the tag values. Raises FileNotFound
// when the file cannot be opened.
//
// The Xing header sits right after the side information: frame offset 36, or 21 in a
// single-channel frame. Its frame count is read only when its flags word announces one.
//
// The tag is the 128-byte block at the file's very end that starts with "TAG" (endsInId3v1);
// nothing else is taken for one, so another tag at the end (APEv2, "APETAGEX") never passes
// for an ID3v1 tag. Its fields follow at offsets 3 (title, 30), 33 (artist, 30), 63 (album,
// 30), 93 (year, 4), 97 (comment, 29), 126 (track, 1) and 127 (genre byte). Without a tag:
// tag present false, empty texts, genre 255.
QString ScanFrameAndTag(const QString& path, bool readTag, bool readHeader,
                        Mp3HeaderRecord& record = sharedMp3Header());

// Whether a file whose last bytes are `tail` (128 or more of them) ends in an ID3v1 tag: the
// exact marker "TAG" 128 bytes before the end, in a file that does not end in an APEv2 footer
// (whose own data may hold those letters there).
bool endsInId3v1(const QByteArray& tail);

// The size of the ID3v2 tag `head` (a file's first bytes) starts with: the size its header
// gives plus the header, and the footer when the header announces one; 0 when `head` does
// not start with a well-formed ID3v2 header ("ID3", version and revision below 0xFF, four
// size bytes below 0x80).
std::int64_t id3v2TagBytes(const QByteArray& head);

// The bytes of `path` after an ID3v2 tag at its start (its whole size when it has none, 0 when
// the tag claims more than the file holds); -1 when it cannot be opened.
std::int64_t sizeAfterId3v2(const QString& path);

// The four bytes as one binary number, most significant bit of `byte1` first, without
// leading zeros ("0" for all zero bytes): a header starting with 0xFF gives 32 characters.
QString BytesToBits(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3, std::uint8_t byte4);

// The number a text of binary digits writes, the last character worth 1: every "1" counts,
// every other character is a 0. Digits worth 2^32 or more fall outside the result.
std::uint32_t BitsToNumber(QStringView bits);
