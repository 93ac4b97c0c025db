#pragma once

#include <QString>

// State shared by the decoder window and the decoding batch. GUI thread only.

// Set while a decoder window is expected to be at work; cleared when the window unloads,
// or at once when no decoder window could be loaded for the file.
inline bool DecodingActive = false;

// The WAV most recently produced by the decoding batch.
inline QString DecodeOutputFile;

// Where the decoder writes the WAV of `mp3Path`: DecodePath + "/" + BaseName + ".wav".
QString decodedWavPath(const QString& mp3Path);
