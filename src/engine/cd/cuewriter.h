#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The cue sheet of a rip: one file per track, each track's pregap appended to the file of the
// track before it (its INDEX 00 stands in that file), so that the files played in order give
// the disc's whole audio and the sheet gives back its layout. Pure: safe on any thread.
namespace cuewriter {

struct Track {
    int number = 0;
    // The file holding the track from its INDEX 01, relative name. Empty when the track is in
    // no file (its copy failed): it is then a REM line in its place, with its result.
    QString file;
    std::int32_t fileSectors = 0;   // that file's length: INDEX 01 to the next track's INDEX 01
    std::int32_t pregapSectors = 0; // INDEX 00 to INDEX 01, at the end of the previous file
    std::vector<std::int32_t> laterIndexes; // INDEX 02, 03...: sectors after INDEX 01
    QString title;
    QString performer;
    QString isrc;
    // False when the file before this track's own does not hold its pregap (the track before
    // it was not ripped): the pregap is then a PREGAP, silence in no file.
    bool pregapInPreviousFile = true;
    // How its copy went when it did not go well ("Copy failed"), for a REM line; empty when
    // it did.
    QString result = {};
};

struct Disc {
    QString title;
    QString performer;
    QString catalog;    // the media catalogue number (13 digits), when known
    QString fileType;   // "WAVE" or "MP3"
    QString comment;    // a REM COMMENT line, e.g. the program's name and version
    int discNumber = 0; // REM DISCNUMBER and REM TOTALDISCS for a disc of a set; 0: none
    int discTotal = 0;
    // The audio before the first track's INDEX 01 (a hidden track), when it was extracted to
    // a file of its own; else that stretch is the first track's PREGAP (silence, in no file).
    QString hiddenTrackFile;
    std::vector<Track> tracks; // in disc order
};

// "mm:ss:ff" for a count of sectors (75 a second).
QString msf(std::int32_t sectors);

// The sheet's text, UTF-8 with LF line ends. Texts lose the characters a cue sheet cannot
// hold: a double quote becomes a single one, control characters become spaces.
QByteArray write(const Disc& disc);

} // namespace cuewriter
