#pragma once
// The output formats and their choices as the settings store keeps them, read back as the
// conversion pipeline takes them. GUI thread (they read the settings' variables).
#include "engine/pipeline/audioformat.h"
#include "engine/pipeline/encoder.h"

#include <QString>

#include <vector>

namespace formatchoices {

// The format a stored name ("flac") stands for; `fallback` when it names none.
pipeline::OutputFormat formatNamed(const QString& name, pipeline::OutputFormat fallback);
// The formats a stored list names ("mp3 flac": blanks or commas between names), each once, in
// the list's order; names of no format are left out.
std::vector<pipeline::OutputFormat> formatsNamed(const QString& list);
// The stored list of `formats` ("mp3 flac").
QString namesOf(const std::vector<pipeline::OutputFormat>& formats);

// The format Start converts audio files to ("Convert audio files to"; MP3 when unset).
pipeline::OutputFormat audioConversionFormat();
// The choices of every format as Preferences and the bitrate and quality lists hold them: the
// MP3's record of the stored bitrate and quality (fileEncoderConfig), the FLAC level and the
// Opus bitrate, each within its range.
pipeline::EncoderSettings preferredEncoderSettings();

} // namespace formatchoices
