#pragma once

#include "engine/encode/modlame.h"
#include "engine/pipeline/encodejob.h"

#include <QString>

#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QWidget;
class ConversionService;

// The main-window elements a file encode drives. Any pointer may be null (that element is
// then left alone); empty functions are skipped.
struct EncodeFileControls {
    QLabel* Label33 = nullptr;            // percentage caption, "07.5%"
    QProgressBar* ProgressBar1 = nullptr; // whole percent
    QWidget* Command2 = nullptr;          // the cancel button, made visible
    // Its caption follows the progress: the percentage, then the caption it had when the
    // file started ("42.1% - Encoding a.wav"), so that the tray's tip shows it too.
    QWidget* window = nullptr;
    std::function<void()> Disablem;
    std::function<void()> Enablem;
    // Told the MP3's name once it is chosen, before the encoding begins.
    std::function<void(const QString& mp3Path)> outputNamed;
    // Asked before the file starts, with the bytes its MP3 is expected to take (the
    // disk-space guard); false: it does not start (EncodeFileResult::NotStarted).
    std::function<bool(std::int64_t expectedBytes)> mayStart;
};

enum class EncodeFileResult {
    NotStarted, // the source was missing ("File not found..." shown), or mayStart said no
    Completed,  // the whole source was encoded
    Cancelled,  // ended early on request; the MP3 is shorter but playable
    Failed,     // the error was shown ("Critical error...")
};

struct EncodeFileOutcome {
    EncodeFileResult result = EncodeFileResult::NotStarted;
    QString mp3Path; // the MP3 written (see OutputNames); empty when none was begun
};

// The configuration record for the next file: fileEncoderConfigFor(bitrate, quality) of the
// bitrate index read afresh from the settings store ("Encoding bitrate", into
// EncodingBitrate) and the quality index as EncodingQuality holds it.
modLAME::EncoderConfig fileEncoderConfig();

// What EncodeFile tells its caller once the file's batch has ended.
using EncodeFileDone = std::function<void(const EncodeFileOutcome&)>;

// Encodes one WAV file into the destination folder as a batch of one on `service`, showing
// progress on `window`'s elements, and returns at once. `done` gets the outcome once the batch
// has ended and its message (if any) was shown, never from inside this call. Every outcome is
// shown to the user; the result tells the caller whether the MP3 is complete (only then may the
// source be deleted). The encoding runs on a worker thread; service.abort() ends it after the
// current chunk. Nothing starts (NotStarted) while `service` runs another batch.
//
// GUI thread only.
void EncodeFile(ConversionService& service, const QString& sourcePath,
                const EncodeFileControls& window, EncodeFileDone done);

// EncodeFile with a prepared configuration record instead of the one the settings give.
void EncodeFile(ConversionService& service, const QString& sourcePath,
                const EncodeFileControls& window, const modLAME::EncoderConfig& config,
                EncodeFileDone done);
