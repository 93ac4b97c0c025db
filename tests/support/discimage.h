#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Disc images with known audio for the CD tests: a raw .bin of 2,352-byte sectors (16-bit
// little-endian stereo) and a cue sheet that libcdio opens as a drive.
struct TrackSpec {
    int sectors = 0;
    double frequencyHz = 440.0; // a sine at about half scale, left and right in phase
    // CD-Text of the track (TITLE, PERFORMER lines); empty: no line.
    QString title = {};
    QString performer = {};
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
};

struct DiscImage {
    QString cuePath;
    QString binPath;
    QByteArray audio;               // the whole .bin
    std::vector<int> trackStartLba; // per track
    std::vector<int> trackSectors;  // per track
    // The audio bytes of track `track` (from 1), as the .bin holds them.
    QByteArray trackAudio(int track) const;
};

// Writes `<dir>/<name>.cue` and its data file: the tracks one after another, each its own
// sine, starting at LBA 0 (INDEX 01 only, no pregaps).
DiscImage writeDiscImage(const QString& dir, const QString& name,
                         const std::vector<TrackSpec>& tracks,
                         const DiscImageOptions& options = {});
