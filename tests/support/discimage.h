#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Disc images with known audio for the CD tests: a raw .bin of 2,352-byte sectors (16-bit
// little-endian stereo) and a cue sheet that libcdio opens as a drive.
struct ImageTrack {
    int sectors = 0;
    double frequencyHz = 440.0; // a sine at about half scale, left and right in phase
    // CD-Text of the track (TITLE, PERFORMER lines); empty: no line.
    QString title = {};
    QString performer = {};
    // A data track (MODE1/2352): its sectors hold bytes that are no audio.
    bool data = false;
    // Sectors of the track's region before its INDEX 01, given as its INDEX 00.
    int pregapSectors = 0;
    QString isrc = {}; // an ISRC line; empty: none
};

struct DiscImageOptions {
    // The data file's name (in the cue's folder) and the FILE line; empty: the cue's own
    // name with ".bin".
    QString binName;
    // Declared file type on the FILE line.
    QString fileType = QStringLiteral("BINARY");
    // CD-Text of the disc (TITLE, PERFORMER lines before FILE); empty: no line.
    QString title = {};
    QString performer = {};
    // The number of the first TRACK line; the others follow it.
    int firstTrack = 1;
    QString catalog = {}; // a CATALOG line; empty: none
};

struct DiscImage {
    QString cuePath;
    QString binPath;
    QByteArray audio;               // the whole .bin
    std::vector<int> trackStartLba; // per track: its INDEX 01
    std::vector<int> trackSectors;  // per track: from its INDEX 01 to the next track's region
    // The audio bytes of the track at position `track` (from 1), as the .bin holds them.
    QByteArray trackAudio(int track) const;
};

// Writes `<dir>/<name>.cue` and its data file: the tracks one after another, each its own
// sine (or data), starting at LBA 0; a track's pregap sectors, when it has any, come first in
// its region, given as INDEX 00.
DiscImage writeDiscImage(const QString& dir, const QString& name,
                         const std::vector<ImageTrack>& tracks,
                         const DiscImageOptions& options = {});

// Fills the image's audio (its data file and `audio`) with random samples that use every bit,
// drawn from `seed`: no shift of such audio looks like another.
void fillWithNoise(DiscImage& image, quint32 seed);

// `audio` (whole stereo pairs) as a drive with read offset `offsetSamples` delivers it: its
// pair k is the pair k - offsetSamples of `audio`, zeros where that lies outside it.
QByteArray readWithOffset(const QByteArray& audio, int offsetSamples);

// Makes the image's data file hold `audio` (the length of the image's own).
void replaceData(const DiscImage& image, const QByteArray& audio);
