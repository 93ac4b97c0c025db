#pragma once

#include <QString>

#include <cstdint>

// The media-control command layer: devices opened, driven and closed by command strings
// ("open cdaudio alias cd", "status cd number of tracks"...), addressed by their alias.
// Every command answers 0 on success and a nonzero code (below) on failure; commands that
// answer with text write it into the caller's reply buffer.
//
// Devices today: "cdaudio", the disc in the media drive (cddrives::mediaDrive), whose table
// of contents is read at "open" (a disc changed since is seen after a close and a new
// open): "info <alias> identity" (the freedb identity, decimal), "status <alias> number of
// tracks", "status <alias> length [track <n>]", "stop", "close". Lengths are in whole
// milliseconds until "set <alias> time format hms" (back with "milliseconds" or "ms"); hms
// lengths read "m:ss", e.g. "3:05", rounded down to whole seconds. An empty drive opens: it
// has "0" tracks, and its identity and lengths answer NoMedia. "open" fails with
// InvalidDeviceName when there is no drive at all. Keywords are case-insensitive; "wait"
// and "notify" are accepted and change nothing.
//
// GUI thread only (the devices it opens are not shared between threads).
namespace mci {

enum ErrorCode : std::uint32_t {
    Success = 0,
    InvalidDeviceId = 257,     // no device has that alias
    UnrecognizedKeyword = 259, // a word the command does not take
    UnrecognizedCommand = 261, // unknown verb
    HardwareError = 262,       // the drive or disc cannot be read
    InvalidDeviceName = 263,   // unknown device type; or no drive at all
    OutOfMemory = 264,
    DeviceOpen = 265, // the alias is in use
    CannotLoadDriver = 266,
    MissingCommandString = 267,
    ParamOverflow = 268, // the reply does not fit the buffer (nothing is written)
    MissingParameter = 273,
    BadInteger = 274, // a number that is not one
    BadTimeFormat = 293,
    NoMedia = 304,    // the drive holds no disc
    OutOfRange = 282, // a track number the disc does not have
};

// Runs `command`. When the command answers with text and `reply` is given, the text and a
// terminating zero are written to `reply` (of `replyLength` characters) if they fit;
// otherwise ParamOverflow and the buffer is left as it was. `callbackWindow` is not used.
std::uint32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength,
                             void* callbackWindow);

// The usable text of a reply buffer: what stands before the first zero character; empty when
// the buffer holds no zero at all.
QString replyText(const char* reply, std::uint32_t replyLength);

// mciSendStringA with a 64-character reply buffer: the code, and the reply by replyText.
struct Reply {
    std::uint32_t code = Success;
    QString text;
};
Reply send(const QString& command);

// Closes every open device. For tests and the program's end.
void closeAll();

} // namespace mci
