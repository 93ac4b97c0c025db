#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The media-control command layer: devices opened, driven and closed by command strings
// ("open cdaudio alias cd", "status cd number of tracks"...), addressed by their alias.
// Every command answers 0 on success and a nonzero code (below) on failure; commands that
// answer with text write it into the caller's reply buffer.
//
// Opening: "open <type> [alias <a>]", "open <type>!<element> [alias <a>]" or "open
// <element> type <type> [alias <a>]"; the element (a file's path, or "new") runs up to the
// options at the end, so it may hold spaces, and it may be quoted. The alias defaults to
// the type. Keywords are case-insensitive; paths keep their case. "notify" is accepted and
// changes nothing; "wait" makes a "play" return when the audio has ended (every other
// command ends before it returns). "close all" closes every device.
//
// Playing and recording run on threads inside the devices; a command returns at once.
// Positions and lengths are whole milliseconds until "set <alias> time format hms" (back
// with "milliseconds" or "ms"); hms values read "m:ss", rounded down to whole seconds, and
// hms positions given to "play" may be "s", "m:ss" or "h:mm:ss". "status <alias> mode"
// answers "playing", "recording", "stopped" or (a drive without a disc) "not ready".
//
// "cdaudio": the disc in the media drive (cddrives::mediaDrive), whose table of contents is
// read at "open" (a disc changed since is seen after a close and a new open); an element
// ("open d: type cdaudio") is ignored. "info <alias> identity" (the freedb identity,
// decimal), "status <alias> number of tracks", "status <alias> length [track <n>]".
// "play <alias> [from <p>] [to <p>]" reads the disc's audio digitally and plays it on the
// default output, from the current position (the start after an open) to the end of the
// disc unless told otherwise; positions count from the start of the first track, so the sum
// of the lengths of the tracks before a track is where that track starts. "status <alias>
// position" is where the sound is: where playback started plus the time the output has
// played. "stop" keeps the position. An empty drive opens: it has "0" tracks, and its
// identity, lengths and play answer NoMedia. "open" fails with InvalidDeviceName when there
// is no drive at all; "play" fails with HardwareError when the disc cannot be read (it was
// taken out), and with CannotLoadDriver when there is no audio output. The disc plays while
// the program has the drive open in the CD library (akrip.h).
//
// "waveaudio": "open new type waveaudio alias <a>" records. "set <a> samplespersec <n>
// channels <n> bitspersample <n> alignment <n> bytespersec <n>" (any of them; left-out
// alignment and byte rate follow from the others) sets the format: 16-bit PCM, one or two
// channels, 8,000 to 192,000 samples a second, alignment = channels x 2, byte rate =
// alignment x rate, else OutOfRange; while audio is recorded it fails with DeviceNotReady.
// The format is 44,100 Hz 16-bit stereo until set. "record <a> [overwrite | insert]"
// records the default input until "stop", after what was recorded before; "delete <a> from
// <p>" drops what was recorded after position p; "save <a> <path>" writes it as a new WAV file
// with a 44-byte header, never replacing a file (outputfile: the collision rule's next number
// when the name is taken), and answers the name taken (FileNotSaved when it cannot;
// DeviceNotReady while recording); "status <a> position|length" is the time recorded.
// The recording goes to a file as it is recorded, never whole into memory: a file under a
// temporary name (outputfile), removed when the device closes, in the system's temporary
// folder or in the folder "set <a> folder <path>" names (FileNotFound when it is no folder;
// DeviceNotReady once something is recorded). A "save" into that folder puts the file itself at
// its name, without copying it. "record" fails with FileNotSaved when the file cannot be made.
// "open waveaudio!<path> alias <a>" opens an 8- or 16-bit PCM WAV file (FileNotFound,
// InvalidFile); "play <a> [from <p>] [to <p>]" plays it on the default output as cdaudio
// plays the disc; "status <a> position|length".
// Opening a waveaudio device fails with CannotLoadDriver when no audio server answers.
//
// "sequencer": "open sequencer!<path> alias <a>" opens a MIDI file (FileNotFound,
// InvalidFile; CannotLoadDriver without an audio server or a General MIDI soundfont);
// "play <a>" renders it with the soundfont on the default output, going on from where
// "stop" left it; "status <a> position" is the time played.
//
// "close" (and closeAll) stops what the device plays or records and releases it.
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
    DeviceOpen = 265,       // the alias is in use
    CannotLoadDriver = 266, // no audio output or input (no server), no MIDI soundfont
    MissingCommandString = 267,
    ParamOverflow = 268, // the reply does not fit the buffer (nothing is written)
    MissingParameter = 273,
    BadInteger = 274, // a number that is not one
    BadTimeFormat = 293,
    FileNotFound = 275,
    DeviceNotReady = 276, // busy recording, or holding a recording (see waveaudio)
    OutOfRange = 282,     // a track number the disc does not have; a position past the end;
                          // a recording format that cannot be used
    FileNotSaved = 286,
    InvalidFile = 296, // not a file the device can play
    NoMedia = 304,     // the drive holds no disc
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

// Told of every command mciSendStringA ran, once it has run: the command string and the
// code it answered; an empty function (the default) observes nothing. For a command log:
// what the program asked the devices, in order. Returns the previous observer.
struct CommandObserver {
    std::function<void(const QString& command, std::uint32_t code)> answered;
};
CommandObserver setCommandObserver(CommandObserver observer);

} // namespace mci
