#pragma once

#include <QString>

#include <cstdint>

// State shared by the decoder window and the decoding batch. GUI thread only.

// Set while a decoder window is expected to be at work; cleared when the window unloads,
// or at once when no decoder window could be loaded for the file.
inline bool DecodingActive = false;

// The WAV most recently produced by the decoding batch.
inline QString DecodeOutputFile;

// About how many bytes the WAV decoded from `mp3Path` takes (the length its header gives,
// at its rate and channel count, 16-bit); -1 when that cannot be measured.
std::int64_t expectedWavBytes(const QString& mp3Path);
