#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <optional>

// A drive's read offset: how many samples (stereo pairs) late its audio comes. A drive with
// offset +6 delivers, for the disc's sample k, sample k - 6; extraction corrects it by
// reading 6 samples further on. Stored per drive model (vendor, model, revision: one figure
// serves every drive of the model) in the settings store; disc images share one entry and
// read 0 until the user sets one. Any thread (each call opens the store).
namespace readoffset {

// The largest offset the program takes, either way: ten sectors, beyond every known drive's.
inline constexpr int maxSamples = 5880;

struct Offset {
    int samples = 0;
    // The drive reads into the lead-in and lead-out: samples beyond the disc's ends are read
    // rather than filled with zeros. Off unless the user says otherwise (a drive that cannot
    // overread fails or hangs when asked to).
    bool overreads = false;
    // Ignored: the store holds for the drive a value that is no offset (not a number, or
    // beyond maxSamples); `ignoredText` is that value.
    enum class Source { Default, Stored, CommandLine, Found, Ignored };
    Source source = Source::Default;
    QString ignoredText;
};

// The store's name of drive `driveIndex` (cddrives): its "vendor model revision" for a
// device, "Disc image" for an image; empty when there is no such drive.
QString modelOf(int driveIndex);

// What the store holds for `model`; none when nothing, or no valid offset, was stored.
std::optional<Offset> stored(const QString& model);

// The offset extraction uses for drive `driveIndex`: the stored one, else 0 (Default, or
// Ignored when what is stored is no valid offset).
Offset forDrive(int driveIndex);

// Stores `samples` and `overreads` for `model`. Fails when |samples| > maxSamples or the
// store cannot be written.
Result<bool> store(const QString& model, int samples, bool overreads);

// "+6 samples", "0 samples", "-30 samples".
QString samplesText(int samples);

// Stores `samples` for `model` as found (offset find), keeping the model's overread choice.
Result<bool> storeFound(const QString& model, int samples);

// "+6 samples (stored for PLEXTOR DVDR PX-716A 1.11)", "0 samples (none stored for ...)",
// "-30 samples (given on the command line)", "0 samples (the value stored for ..., \"abc\", is
// no read offset and is ignored)": the log's account of the offset and its source.
QString describe(const Offset& offset, const QString& model);

} // namespace readoffset
