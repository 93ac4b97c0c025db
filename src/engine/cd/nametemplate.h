#pragma once

#include "engine/cd/discinfo.h"
#include "engine/platform/error.h"

#include <QString>

#include <vector>

// Names of ripped tracks from a template the user writes, such as
// "{albumartist}/{album}/[{disc}-]{track} - {title}": fields in braces, "/" between the
// folders below the destination, and parts in square brackets that are left out whole when a
// field in them is empty. Pure: safe on any thread.
namespace nametemplate {

enum class Field { AlbumArtist, Artist, Album, Year, Disc, Discs, Track, Title, Isrc };

// What the fields of one track read. Empty: the field has no value.
struct Values {
    QString albumArtist;
    QString artist;
    QString album;
    QString year;  // "1998"
    QString disc;  // "2"; empty on a disc that is no part of a set
    QString discs; // "3"; empty as `disc`
    QString track; // two digits at least: "05"
    QString title;
    QString isrc;

    const QString& of(Field field) const;
};

// The values of track `track` as `disc` knows it: the album's artist, the track's artist
// (else the album's), album, year, disc and discs (only for a disc of a set), the track's
// number, title and `isrc`.
Values valuesOf(const DiscInfo& disc, int track, const QString& isrc);

class Template {
  public:
    // Reads `text`. Fails with a message naming the position (counted in characters from 1)
    // of the first fault: a field name not listed above, a "{" never closed, a "}" or "]"
    // that closes nothing, a "[" never closed or inside another one. An empty text is a
    // valid template that names nothing (render gives "").
    static Result<Template> parse(const QString& text);

    // The path below the destination ("A/B/name.ext") the template gives for `values`, with
    // `extension` (".flac") after the last name. Each field's value is made safe before it
    // goes in: "/" and control characters become "_", so a value never adds a folder. Each
    // name between "/" then loses blanks and dots at both ends (so no ".." nor hidden name
    // is made), with `portable` is made valid on FAT, exFAT and NTFS, and is cut by whole
    // characters to 255 bytes (the file's name with its extension). A folder name left empty
    // is dropped; an empty file name gives "". Linear in the values' lengths: each value is
    // cut to what can reach a name before anything else is done with it.
    QString render(const Values& values, const QString& extension, bool portable) const;

    bool isEmpty() const { return pieces_.empty(); }

  private:
    struct Piece {
        enum class Kind { Text, Field, Separator } kind = Kind::Text;
        QString text;
        Field field = Field::Title;
        int group = -1; // the bracket the piece is in; -1: none
    };
    std::vector<Piece> pieces_;
    int groups_ = 0;
};

// The longest name a file system takes, in bytes.
inline constexpr qsizetype maxComponentBytes = 255;

} // namespace nametemplate
