#pragma once

#include "engine/platform/error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

struct Mp3HeaderRecord;

// The ID3v1 tag block the tag panel writes, and the header lines it shows.
namespace tagwriter {

// The panel's texts for one tag, as typed.
struct TagTexts {
    QString title;
    QString artist;
    QString album;
    QString year;
    QString comment;
    QString genre; // a number from 0 to 255, as text
};

inline constexpr int blockSize = 128;

// The genre byte a text gives: the text as a number (spaces around it allowed, a fraction
// rounded to the nearest whole number, halves to even); 0 when it is no number or the
// number lies outside 0-255.
std::uint8_t genreByte(const QString& text);

// The 128-byte block: "TAG", title 30, artist 30, album 30, year 4, comment 30 (all of it:
// no track byte), genre byte. Each text is written one byte per character (ISO-8859-1;
// other characters become "?"), cut to its field and filled up with spaces.
QByteArray tagBlock(const TagTexts& texts);

// What tagBlock would not write as typed, one line per field, for the user to read before
// the tag is written: characters outside ISO-8859-1 (written as "?"), texts longer than their
// field (cut: a year "20245" is written "2024"), and a genre that is no number from 0 to 255
// (written as 0; an empty genre box is not counted). Empty when every text is written as
// typed.
QStringList alteredFields(const TagTexts& texts);

enum class Placement {
    Replaced, // the file ended in an ID3v1 tag (endsInId3v1): that block is overwritten
    Appended, // it did not: the block went after its last byte, so no audio and no other tag
              // (an APEv2 tag at the end) is overwritten
};

// Writes `block` into the MP3 file at `path` (which must exist; it is never truncated).
// Fails, naming the path and the system's reason, when the file cannot be opened, written
// or closed; a file that cannot be opened is left untouched.
Result<Placement> writeTagBlock(const QString& path, const QByteArray& block);

// The tag half of the panel: its field names ("Artist", "Title", "Album", "Year",
// "Comment", "Genre", "HasTag") and the texts it shows for them ("True"/"False" for HasTag).
QStringList tagFieldNames();
QStringList tagFieldValues(const Mp3HeaderRecord& record);

// The panel's twelve header lines: label, spaces up to its width, value ("Bitrate" + 12
// spaces + "128").
QStringList headerLines(const Mp3HeaderRecord& record);

} // namespace tagwriter
