#pragma once

#include "encode/modlame.h"

#include <QString>

#include <functional>

class QLabel;
class QProgressBar;
class QWidget;

// The main-window elements a file encode drives. Any pointer may be null (that element is
// then left alone); empty functions are skipped.
struct EncodeFileControls {
    QLabel* Label33 = nullptr;            // percentage caption, "07.5%"
    QProgressBar* ProgressBar1 = nullptr; // whole percent
    QWidget* Command2 = nullptr;          // the cancel button, made visible
    std::function<void()> Disablem;
    std::function<void()> Enablem;
};

enum class EncodeFileResult {
    NotStarted, // the source was missing ("File not found..." shown)
    Completed,  // the whole source was encoded
    Cancelled,  // CancelRequested ended it early; the MP3 is shorter but playable
    Failed,     // the error was shown ("Critical error...")
};

// The configuration record for the next file: the bitrate index read afresh from the
// settings store ("Encoding bitrate", into EncodingBitrate), the quality index as
// EncodingQuality holds it, and the file encoder's flags (original on; private, CRC,
// copyright off).
modLAME::EncoderConfig fileEncoderConfig();

// The MP3 that EncodeFile makes of `sourcePath`: DecodePath + "/" + BaseName + ".mp3".
QString mp3PathFor(const QString& sourcePath);

// Encodes one WAV file into the destination folder, showing progress on `window`'s elements.
// Every outcome is shown to the user; the result tells the caller whether the MP3 is
// complete (only then may the source be deleted). The encoding runs on a worker thread;
// this call waits in a local event loop, so the window stays live and its cancel button
// (CancelRequested) acts after the current chunk.
//
// GUI thread only.
EncodeFileResult EncodeFile(const QString& sourcePath, const EncodeFileControls& window);

// EncodeFile with a prepared configuration record instead of the one the settings give.
EncodeFileResult EncodeFile(const QString& sourcePath, const EncodeFileControls& window,
                            const modLAME::EncoderConfig& config);

// The percentage caption: at least two integer digits, one decimal, then "%" ("07.5%").
QString percentCaption(double percent);
